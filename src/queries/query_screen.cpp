#include "queries/query_screen.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "queries/Group_style_select_Unit.h"
#include "queries/crosstab.h"
#include "queries/filter_panel.h"

#include <QPushButton>
#include <QVBoxLayout>

QueryScreen::QueryScreen(QWidget* parent, const QString& objectName, const QString& caption, const QSize& size)
    : QDialog(parent) {
    // Windows of one kind open at the same time (a test, a summary over a second window) keep
    // results of their own.
    static int opened = 0;
    m_snapshot = QStringLiteral("q_%1_%2").arg(objectName).arg(++opened);
    setObjectName(objectName);
    setWindowTitle(caption);
    setSizeGripEnabled(true);
    resize(size);
    filters = new FilterPanel(this);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    auto* v = new QVBoxLayout(this);
    v->addWidget(filters);
    v->addWidget(DBGrid1, 1);
}

QueryScreen::~QueryScreen() {
    if (!m_queried) return;
    try {
        QueryBuilders::dropSnapshot(snapshotTable());
    } catch (const DbError&) {
        // the connection is gone, and with it the snapshot
    }
}

QString QueryScreen::snapshotTable() const { return m_snapshot; }

void QueryScreen::addButtons(int row, bool group) {
    filters->addButtons(this, row, group ? &Cmd_group : nullptr, &Cmd_Query, &Cmd_Exit);
    connect(Cmd_Query, &QPushButton::clicked, this, [this] { query(); });
    if (Cmd_group) connect(Cmd_group, &QPushButton::clicked, this, &QueryScreen::group);
}

bool QueryScreen::warehouseChosen() {
    if (!filters->warehouse_a->text().isEmpty()) return true;
    Msg::notice(this, QStringLiteral("请选择仓库."));
    filters->warehouse_a->setFocus();
    return false;
}

void QueryScreen::showResult(const QueryBuilders::Statement& s) {
    guarded(this, [&] {
        m_queried = true;
        // The snapshot, its first page and its footer: one round trip to a server.
        const QueryBuilders::Snapshot run = QueryBuilders::snapshotOf(snapshotTable());
        DBGrid1->openKeyed(run.select, {}, run.key, [&](const QList<Sql::Bound>& reads, const GridModel::Reader& take) {
            QueryBuilders::runOnce(s, snapshotTable(), QStringLiteral("item_code"), reads, take);
        });
    });
}

void QueryScreen::group() {
    if (!DBGrid1->model()->isOpen() || !DBGrid1->hasRows()) return;
    // The summary reads this window's result where it is, while the window stays open beneath it.
    const Crosstab::UseSource result(Crosstab::resultRows(snapshotTable()));
    Msg::runModal(longLived<Group_style_select_form>());
}
