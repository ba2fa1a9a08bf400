// Current stock query, movement record queries and the group summary.
#include "ui/screens.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/Group_style_select_Unit.h"
#include "queries/crosstab.h"
#include "queries/filter_panel.h"
#include "queries/query_builders.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {
void balance(const QString& wh, const QString& item, const QString& size, double qty, const QString& attr = "A1") {
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES (?,?,?,?,?,'G1',?)",
             {wh, wh, item, attr, size, qty});
}
void posted(const QString& bill, const QString& op, const QString& wh, double qty, const QString& date,
            const QString& red = {}, const QString& item = "I001") {
    Sql::run("INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,qty,bill_no,operation_code,"
             "warehouse,procure_date,red_flag,vendor,customer) VALUES (?,?,'A1','Z1','G1',?,?,?,?,?,?,'V1','C1')",
             {bill + op + QString::number(qty), item, qty, bill, op, wh, date,
              red.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(red)});
}
QString today() { return QDate::currentDate().toString("yyyy/MM/dd"); }
int workRows(const QString& user) {
    return TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree_v_out WHERE login_id=?", {user});
}
void run(TEE10_form& f) { f.Cmd_Query->click(); }
} // namespace

class TstQueries : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void stockQuery();
    void stockQueryByItem();
    void movementQueries();
    void transferAndReversalOnBothScreens();
    void crosstabAddsUp();
    void crosstabColumnLimit_data();
    void crosstabColumnLimit();
    void crosstabRangeAndUsers();
    void styleDialogChecks();
};

void TstQueries::stockQuery() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    balance("W01", "I001", "Z1", 5);
    balance("W01", "I002", "Z2", 0);
    balance("W01", "I003", "Z1", 2.5);
    balance("W02", "I001", "Z1", 9);
    TEE10_form f;
    run(f);
    QCOMPARE(seam.shown, QStringList{"请选择仓库."});
    f.filters->warehouse_a->setText("W01");
    run(f);
    QCOMPARE(f.DBGrid1->rowCount(), 3);
    QCOMPARE(f.DBGrid1->value(0, "item_code").toString(), QString("I001"));
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("7.5"));
    // The summary reads the window's result: the row with quantity 0 is listed but not summed
    // (no row for its item, no column for its size); nothing is written for it.
    Clerk::Summary sum = Clerk::summarise(f, seam, "尺寸", "名称");
    QCOMPARE(sum.rowNames.size(), 2);
    QVERIFY(sum.rowNames.contains("短袖T恤"));
    QCOMPARE(sum.captions.size(), 3);
    QCOMPARE(sum.total, QString("合计：7.5"));
    QCOMPARE(workRows("abc"), 0);
    // A size typed that exists nowhere: empty grid; "分类汇总" does nothing.
    f.filters->size_code_a->setText("NOPE");
    run(f);
    QCOMPARE(f.DBGrid1->rowCount(), 0);
    seam.reset();
    f.Cmd_group->click();
    QVERIFY(seam.modals.isEmpty());
    // Another user's query leaves this window's summary alone.
    f.filters->size_code_a->setText(QString());
    run(f);
    Session::setUserCode("other");
    TEE10_form g;
    g.filters->warehouse_a->setText("W02");
    run(g);
    QCOMPARE(Clerk::summarise(g, seam, "尺寸", "名称").total, QString("合计：9"));
    Session::setUserCode("abc");
    sum = Clerk::summarise(f, seam, "尺寸", "名称");
    QCOMPARE(seam.modals, (QStringList{"Group_style_select_form", "Group_Grid_form", "Group_style_select_form",
                                       "Group_Grid_form"}));
    QCOMPARE(sum.total, QString("合计：7.5"));
}

void TstQueries::stockQueryByItem() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    balance("W01", "I001", "Z1", 5);
    balance("W01", "I003", "Z1", 1); // same big category B1, other small category
    balance("W01", "I002", "Z1", 2);
    TEE10_form f;
    f.filters->warehouse_a->setText("W01");
    f.filters->item_code_a->setList("SELECT * FROM kesp_item_master");
    f.filters->item_code_a->setText("I001"); // fills B1 / S1
    run(f);
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    f.filters->arrage_code_s_a->setText(QString());
    run(f);
    QCOMPARE(f.DBGrid1->rowCount(), 1); // the chosen item narrows the result whatever the categories
}

void TstQueries::movementQueries() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    posted("A1", "in1", "W01", 3, today());
    posted("A2", "in1", "W01", 4, "2020/01/05");
    posted("B1", "in1", "W01", 0, today());
    posted("C1", "in1", "W01", 6, today());
    posted("X1", "out1", "W01", 8, today());
    TCC40_form f;
    f.Cmd_Query->click();
    QCOMPARE(seam.last(), QString("请选择仓库."));
    f.filters->warehouse_a->setText("W01");
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 3); // today's stock-in lines only
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("9"));
    QCOMPARE(Clerk::summarise(f, seam, "尺寸", "名称").total, QString("合计：9"));
    // Lower bill number alone (upper cleared): that bill and later ones.
    f.bill_no_a->setText("B1");
    QCOMPARE(f.bill_no_b->text(), QString("B1"));
    f.bill_no_b->setText(QString());
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 2);
    f.bill_no_a->setText(QString());
    f.bill_no_b->setText(QString());
    // First date copies into the second; a first date after the second gives nothing.
    f.procure_date_a->setDate(QDate(2020, 1, 5));
    QCOMPARE(f.Procure_date_b->date(), QDate(2020, 1, 5));
    f.Procure_date_b->setDate(QDate::currentDate());
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 4);
    f.procure_date_a->setDate(QDate::currentDate().addDays(1));
    f.Procure_date_b->setDate(QDate::currentDate());
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 0);
    // The bill lists hold the direction's bills.
    QCOMPARE(f.bill_no_a->listRowCount(), 4);
    TDD30_form out;
    QVERIFY(out.bill_no_a->listPending()); // read when first needed, not on opening
    QCOMPARE(out.bill_no_a->listRowCount(), 1);
    QVERIFY(out.findChild<LookupField*>("customer_a"));
}

void TstQueries::transferAndReversalOnBothScreens() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    posted("T1", "i_t", "W02", 5, today());
    posted("T1", "o_t", "W01", 5, today());
    posted("R1", "in1", "W01", 10, today());
    posted("R1", "i_r", "W01", -3, today(), "Y");
    TCC40_form in;
    in.filters->warehouse_a->setText("W02");
    in.Cmd_Query->click();
    QCOMPARE(in.DBGrid1->rowCount(), 1);
    QCOMPARE(in.DBGrid1->value(0, "qty").toDouble(), 5.0);
    TDD30_form out;
    out.filters->warehouse_a->setText("W01");
    out.Cmd_Query->click();
    QCOMPARE(out.DBGrid1->rowCount(), 1);
    QCOMPARE(out.DBGrid1->value(0, "operation_code").toString(), QString("o_t"));
    in.filters->warehouse_a->setText("W01");
    in.Cmd_Query->click();
    QCOMPARE(in.DBGrid1->rowCount(), 2);
    QCOMPARE(in.DBGrid1->footerText("qty"), QString("7"));
    GridModel* m = in.DBGrid1->model();
    for (int r = 0; r < 2; ++r) {
        const QColor c = m->data(m->index(r, 0), Qt::ForegroundRole).value<QColor>();
        QCOMPARE(c, m->value(r, "red_flag").toString() == "Y" ? QColor(255, 0, 0) : QColor(0, 0, 255));
    }
    QCOMPARE(Clerk::summarise(in, seam, "尺寸", "名称").total, QString("合计：7")); // the reversal nets the receipt
    QCOMPARE(TestDb::value("SELECT operation_name FROM kesp_post_history_v WHERE operation_code='i_r'").toString(),
             QString("入库红冲"));
}

void TstQueries::crosstabAddsUp() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    balance("W01", "I001", "Z1", 5);
    balance("W01", "I001", "Z2", 2, "A2");
    balance("W01", "I001", "Z2", 1, "A1");
    balance("W01", "I002", "Z3", 4);
    TEE10_form f;
    f.filters->warehouse_a->setText("W01");
    run(f);
    Group_Grid_form* grid = longLived<Group_Grid_form>();
    const Clerk::Summary sum = Clerk::summarise(f, seam, "尺寸", "名称");
    QCOMPARE(sum.captions, (QStringList{"分类汇总", "行小计", "L码", "M码", "S码"})); // pivot values in ascending order
    QCOMPARE(sum.rowSums, (QList<double>{4, 8})); // rows in order of the row names: 女式长裤, 男式衬衫
    QCOMPARE(sum.total, QString("合计：12"));
    QCOMPARE(sum.footers.value(1), QString("3")); // both M rows of the item add up in one cell
    QVERIFY(seam.shown.isEmpty());
    QCOMPARE(grid->DBGrid1->captions(), QStringList{}); // columns dropped when the window closed
}

void TstQueries::crosstabColumnLimit_data() {
    QTest::addColumn<int>("sizes");
    QTest::addColumn<bool>("message");
    QTest::addColumn<int>("columns");
    QTest::newRow("16 values, 18 fields") << 16 << false << 18;
    QTest::newRow("17 values, 19 fields") << 17 << true << 19;
    QTest::newRow("18 values, 20 fields") << 18 << true << 19;
}

void TstQueries::crosstabColumnLimit() {
    QFETCH(int, sizes);
    QFETCH(bool, message);
    QFETCH(int, columns);
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    for (int i = 0; i < sizes; ++i) {
        Sql::run("INSERT INTO kesp_item_size VALUES (?,?,NULL)", {QString("S%1").arg(i, 2, 10, QChar('0')),
                                                                 QString("尺%1").arg(i, 2, 10, QChar('0'))});
        balance("W01", "I001", QString("S%1").arg(i, 2, 10, QChar('0')), 1);
    }
    QueryBuilders::refillWorkTable(QueryBuilders::stockQuery({{"warehouse", "W01"}}));
    Group_Grid_form* grid = longLived<Group_Grid_form>();
    grid->prepare("尺寸", "名称");
    QCOMPARE(seam.shown.contains("列数超过20，请指定列标题范围！"), message);
    QCOMPARE(grid->DBGrid1->captions().size(), columns);
    QCOMPARE(grid->DBGrid1->value(0, "c1").toDouble(), double(sizes)); // the row sum counts every value
    grid->dropColumns();
}

void TstQueries::crosstabRangeAndUsers() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    balance("W01", "I001", "Z1", 5);
    balance("W01", "I001", "Z2", 2);
    balance("W01", "I002", "Z2", 4);
    QueryBuilders::refillWorkTable(QueryBuilders::stockQuery({{"warehouse", "W01"}}));
    Session::setUserCode("other");
    balance("W02", "I003", "Z3", 100);
    QueryBuilders::refillWorkTable(QueryBuilders::stockQuery({{"warehouse", "W02"}}));
    Session::setUserCode("abc");
    Group_Grid_form* grid = longLived<Group_Grid_form>();
    grid->prepare("尺寸", "名称");
    QCOMPARE(grid->DBGrid1->captions(), (QStringList{"分类汇总", "行小计", "M码", "S码"})); // no L of the other user
    QCOMPARE(grid->col_code_a->listRowCount(), 2);
    grid->col_code_a->setText("Z2");
    QCOMPARE(grid->col_code_b->text(), QString("Z2"));
    QCOMPARE(grid->col_name_a->text(), QString("M码"));
    QCOMPARE(grid->col_name_b->text(), QString("M码"));
    grid->Cmd_fresh->click();
    QCOMPARE(grid->DBGrid1->captions(), (QStringList{"分类汇总", "行小计", "M码"}));
    QCOMPARE(grid->DBGrid1->footerText("c1"), QString("6")); // after "刷新" the sums use "#.##"
    grid->dropColumns();
    // A crosstab computed in the core: cells are sums, row sums add up.
    const Crosstab::Result r = Crosstab::build(Crosstab::heading("尺寸"), Crosstab::heading("名称"), {}, {});
    QCOMPARE(r.columns, (QStringList{"M码", "S码"}));
    QCOMPARE(r.rows.size(), 2);
}

void TstQueries::styleDialogChecks() {
    TestDb db;
    ScriptedSeam seam;
    Group_style_select_form* style = longLived<Group_style_select_form>();
    style->col_name->setCurrentIndex(-1);
    style->row_name->setCurrentIndex(-1);
    QCOMPARE(style->col_name->count(), 6);
    QVERIFY(!style->col_name->isEditable()); // restricted to the six captions
    style->findChild<QPushButton*>("BitBtn1")->click();
    QVERIFY(seam.shown.isEmpty() && seam.modals.isEmpty());
    style->col_name->setCurrentText("大类");
    style->row_name->setCurrentText("大类");
    style->findChild<QPushButton*>("BitBtn1")->click();
    QCOMPARE(seam.shown, QStringList{"列标题和行标题不能相同！"});
    QVERIFY(seam.modals.isEmpty());
}

QTEST_MAIN(TstQueries)
#include "tst_queries.moc"
