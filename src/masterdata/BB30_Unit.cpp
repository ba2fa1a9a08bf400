#include "masterdata/BB30_Unit.h"

#include "fields/datagrid.h"
#include "fields/form_helpers.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QString g_currentGrid = QStringLiteral("Grid1");

QString listSql(const Master::Table& t) {
    return QStringLiteral("SELECT %1 AS %4代码, %2 AS %4名称, %3 AS 说明 FROM %5")
        .arg(t.codeColumn, t.nameColumn, t.descColumn, t.word, t.table);
}
} // namespace

const Master::Table& TBB30_form::tableOf(const QString& gridName) {
    if (gridName == QLatin1String("Grid2")) return Master::smallCategories();
    if (gridName == QLatin1String("Grid3")) return Master::attributes();
    if (gridName == QLatin1String("Grid4")) return Master::sizes();
    if (gridName == QLatin1String("Grid5")) return Master::grades();
    return Master::bigCategories();
}

TBB30_form::TBB30_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BB30_form"));
    setWindowTitle(QStringLiteral("项目分类定义"));
    setFixedSize(860, 520);
    auto* title = Forms::heading(this, QStringLiteral("项   目   分   类   定   义"));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    auto* add = new QAction(QStringLiteral("新增"), this);
    add->setObjectName(QStringLiteral("N1"));
    auto* del = new QAction(QStringLiteral("删除"), this);
    del->setObjectName(QStringLiteral("N2"));
    const auto makeGrid = [&](const QString& name, QWidget* parentWidget) {
        auto* g = new DataGrid(parentWidget);
        g->setObjectName(name);
        const QString w = tableOf(name).word;
        const int w1 = name == "Grid1" || name == "Grid2" ? 100 : 0;
        g->setColumns({{w + "代码", w + "代码", w1}, {w + "名称", w + "名称", w1 ? 200 : 0}, {"说明", "说明", w1 ? 300 : 0}});
        g->addContextAction(add);
        g->addContextAction(Forms::separator(this));
        g->addContextAction(del);
        connect(g, &DataGrid::entered, this, [name] { setCurrentGrid(name); });
        return g;
    };
    auto* page1 = new QWidget;
    auto* bigGroup = new QGroupBox(QStringLiteral("大类定义"), page1);
    smallGroup = new QGroupBox(QStringLiteral("小类定义"), page1);
    Grid1 = makeGrid(QStringLiteral("Grid1"), bigGroup);
    Grid2 = makeGrid(QStringLiteral("Grid2"), smallGroup);
    (new QVBoxLayout(bigGroup))->addWidget(Grid1);
    (new QVBoxLayout(smallGroup))->addWidget(Grid2);
    auto* h = new QHBoxLayout(page1);
    h->addWidget(bigGroup);
    h->addWidget(smallGroup);
    PageControl1->addTab(page1, QStringLiteral("项目大小类别定义"));
    const auto page = [&](const QString& caption, const QString& group, const QString& gridName) {
        auto* p = new QWidget;
        auto* box = new QGroupBox(group, p);
        DataGrid* g = makeGrid(gridName, box);
        (new QVBoxLayout(box))->addWidget(g);
        (new QVBoxLayout(p))->addWidget(box);
        PageControl1->addTab(p, caption);
        return g;
    };
    Grid3 = page(QStringLiteral("项目属性定义"), QStringLiteral("属性定义"), QStringLiteral("Grid3"));
    Grid4 = page(QStringLiteral("项目尺寸定义"), QStringLiteral("尺寸定义"), QStringLiteral("Grid4"));
    Grid5 = page(QStringLiteral("项目等级定义"), QStringLiteral("等级定义"), QStringLiteral("Grid5"));
    PageControl1->setCurrentIndex(0);

    auto* v = new QVBoxLayout(this);
    v->addWidget(title);
    v->addWidget(PageControl1, 1);
    v->addLayout(Forms::closeRow(this));

    connect(Grid1, &DataGrid::cellClicked, this, [this](int row) { guarded(this, [&] { bigClicked(row); }); });
    connect(add, &QAction::triggered, this, [this] { longLived<TBB301_form>()->openFor(this); });
    connect(del, &QAction::triggered, this, [this] { longLived<TBB302_form>()->openFor(this); });

    reload(QStringLiteral("Grid1"));
    Grid2->clear(); // empty until a big category is clicked
    for (const char* g : {"Grid3", "Grid4", "Grid5"}) reload(QString::fromLatin1(g));
}

QString TBB30_form::currentGrid() { return g_currentGrid; }
void TBB30_form::setCurrentGrid(const QString& name) { g_currentGrid = name; }

DataGrid* TBB30_form::grid(const QString& name) const { return findChild<DataGrid*>(name); }

const Master::Table& TBB30_form::masterTable() const { return tableOf(currentGrid()); }

QString TBB30_form::currentCode() const {
    DataGrid* g = grid(currentGrid());
    return g ? g->currentValue(masterTable().word + QStringLiteral("代码")).toString() : QString();
}

QString TBB30_form::currentName() const {
    DataGrid* g = grid(currentGrid());
    return g ? g->currentValue(masterTable().word + QStringLiteral("名称")).toString() : QString();
}

QString TBB30_form::parentCode() const {
    if (currentGrid() != QLatin1String("Grid2")) return {};
    // A right click moves the big grid's current row without showing its small categories: the
    // small categories are added and deleted under the big category they are shown for.
    if (m_smallLoaded) return m_clickedBig;
    return Grid1->currentValue(QStringLiteral("大类代码")).toString();
}

void TBB30_form::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Grid1->view()->setFocus();
}

void TBB30_form::bigClicked(int row) {
    Forms::WaitCursor wait;
    Grid1->setCurrentRow(row);
    smallGroup->setTitle(QStringLiteral("大类**%1**中的小类定义")
                             .arg(Master::trimmed(Grid1->value(row, QStringLiteral("大类名称")).toString())));
    m_clickedBig = Grid1->value(row, QStringLiteral("大类代码")).toString();
    m_smallLoaded = true;
    Grid2->open(listSql(Master::smallCategories()) + QStringLiteral(" WHERE arrage_code_b=?"), {m_clickedBig});
}

void TBB30_form::reload(const QString& gridName) {
    const Master::Table& t = tableOf(gridName);
    if (gridName == QLatin1String("Grid2")) {
        if (m_smallLoaded) {
            Grid2->open(listSql(t) + QStringLiteral(" WHERE arrage_code_b=?"), {m_clickedBig});
        } else if (Grid1->currentRow() >= 0) {
            bigClicked(Grid1->currentRow()); // nothing clicked yet: show the current big category's list
        }
        return;
    }
    grid(gridName)->open(listSql(t) + QStringLiteral(" ORDER BY %1").arg(t.codeColumn));
}

TBB301_form::TBB301_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB301_form"), QStringLiteral("大类定义"),
                      {{QStringLiteral("大类代码"), QStringLiteral("code_a"), 10},
                       {QStringLiteral("大类名称"), QStringLiteral("name_a"), 50},
                       {QStringLiteral("说明"), QStringLiteral("desc_a"), 50}},
                      QSize(360, 190)) {}

void TBB301_form::adapt(const Master::Table& t) {
    setWindowTitle(t.word + QStringLiteral("定义"));
    labels[0]->setText(t.word + QStringLiteral("代码"));
    labels[1]->setText(t.word + QStringLiteral("名称"));
    labels[2]->setText(QStringLiteral("说明"));
}

TBB302_form::TBB302_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB302_form"), QStringLiteral("大类删除确认"),
                         QStringLiteral("被删除大类代码："), QStringLiteral("被删除大类名称："), QSize(325, 208)) {}

void TBB302_form::adapt(const Master::Table& t) {
    setWindowTitle(t.word + QStringLiteral("删除确认"));
    caption1->setText(QStringLiteral("被删除%1代码：").arg(t.word));
    caption2->setText(QStringLiteral("被删除%1名称：").arg(t.word));
}
