#include "closing/GG30_Unit.h"

#include "closing/balance_check.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "queries/query_builders.h"
#include "ui/messages.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TGG30_form::TGG30_form(QWidget* parent) : QDialog(parent) {
    static int opened = 0;
    m_table = QStringLiteral("q_gg30_%1").arg(++opened);
    setObjectName(QStringLiteral("TGG30_form"));
    setWindowTitle(QStringLiteral("核对库存"));
    setSizeGripEnabled(true);
    resize(900, 600);
    auto* v = new QVBoxLayout(this);
    v->addWidget(Forms::heading(this, QStringLiteral("核  对  库  存")));
    Label1 = new QLabel(QStringLiteral("按“核对”从最近一次结帐的库存（或其后最近一次盘点）加上其后的流水重算每个库存，与现有库存比较。"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    v->addWidget(Label1);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(stockKeyColumns() + QList<GridColumn>{{"book_qty", "帐面数量", 90, "#,##0.##"},
                                                               {"expected_qty", "应有数量", 90, "#,##0.##"},
                                                               {"diff", "差额", 90, "#,##0.##"}});
    v->addWidget(DBGrid1, 3);
    v->addWidget(new QLabel(QStringLiteral("所选差异的流水："), this));
    DBGrid2 = new DataGrid(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setColumns({{"order_no", "流水号", 90},
                         {"bill_no", "单据号", 80},
                         {"operation_name", "操作类型", 80},
                         {"procure_date", "日期", 90},
                         {"qty", "数量", 80},
                         {"effect", "对库存", 80, "#,##0.##"},
                         {"login_id", "操作员", 60},
                         {"operation_date", "操作日期", 90},
                         {"operation_time", "时间", 70}});
    v->addWidget(DBGrid2, 2);
    auto* row = new QHBoxLayout;
    row->addStretch();
    Cmd_Query = new QPushButton(QStringLiteral("核对"), this);
    Cmd_Query->setObjectName(QStringLiteral("Cmd_Query"));
    Cmd_Query->setDefault(true);
    Cmd_Mend = new QPushButton(QStringLiteral("修正"), this);
    Cmd_Mend->setObjectName(QStringLiteral("Cmd_Mend"));
    Cmd_Mend->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    close->setAutoDefault(false);
    for (QPushButton* b : {Cmd_Query, Cmd_Mend, close}) row->addWidget(b);
    v->addLayout(row);
    connect(Cmd_Query, &QPushButton::clicked, this, &TGG30_form::runCheck);
    connect(Cmd_Mend, &QPushButton::clicked, this, &TGG30_form::mend);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(DBGrid1->view()->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { showHistory(); });
}

TGG30_form::~TGG30_form() {
    try {
        QueryBuilders::dropSnapshot(m_table);
    } catch (const DbError&) {
        // the connection is gone, and with it the snapshot
    }
}

void TGG30_form::runCheck() {
    DBGrid2->clear();
    guarded(this, [&] {
        Forms::WaitCursor wait;
        const BalanceCheck::Base base = BalanceCheck::base();
        const ListQuery d = BalanceCheck::differences(base);
        const auto run = QueryBuilders::runOnce({d.sql, d.params}, m_table, BalanceCheck::keyOrder());
        DBGrid1->openKeyed(run.select, {}, run.key);
        const qint64 n = DBGrid1->model()->resultCount();
        const QString from = base.period.isEmpty() ? QStringLiteral("全部流水")
                                                   : QStringLiteral("%1 结帐库存及其后的流水").arg(base.period);
        Label1->setText(n == 0 ? QStringLiteral("核对完毕（%1）：库存与流水一致。").arg(from)
                               : QStringLiteral("核对完毕（%1）：%2 处库存与流水不符。").arg(from).arg(n));
        Cmd_Mend->setEnabled(n > 0);
        DBGrid1->setCurrentRow(0);
    });
}

void TGG30_form::showHistory() {
    if (DBGrid1->currentRow() < 0) return DBGrid2->clear();
    const auto value = [&](const char* f) { return DBGrid1->currentValue(QString::fromLatin1(f)).toString(); };
    guarded(this, [&] {
        const ListQuery h = BalanceCheck::historyBehind(
            {value("warehouse"), value("item_code"), value("attr_code"), value("size_code"), value("stage_code")},
            BalanceCheck::base());
        DBGrid2->open(h.sql, h.params);
    });
}

void TGG30_form::mend() {
    if (!Msg::confirm(this, QStringLiteral("用重算的数量改写不符的库存？"))) return;
    int mended = 0;
    if (!guarded(this, [&] { mended = BalanceCheck::mend(); })) return;
    Msg::dravont(this, QStringLiteral("已修正 %1 条库存记录。").arg(mended));
    runCheck();
}
