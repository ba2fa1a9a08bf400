// Two running copies on one database file, through the real windows: a grid that has read only
// part of a large result never blocks this copy's writes after another copy commits, and a query's
// grid, footer and work rows are one and the same result, made while another copy writes.
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "fields/numericedit.h"
#include "movements/CC10_Unit.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/crosstab.h"
#include "queries/filter_panel.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

namespace {
void otherCopyCommits(const QString& path) {
    QProcess p;
    p.start(ORDER_WORKER, {path, "u2", "balance"});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.readAllStandardError(), QByteArray());
    QCOMPARE(p.exitCode(), 0);
}

void balances(int n) {
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', '一号仓库', " + TestDb::padded("I", "i", 6) + ", 'A1', 'Z1', 'G1', i % 5 FROM c",
             {n});
}

void type(QWidget* w, const QString& text) {
    w->setFocus();
    QTest::keyClicks(w, text);
}

// One stock-in line typed into the entry window, "确定" pressed.
void stageThroughWindow(TCC10_form& f, const QString& bill) {
    f.bill_no_a->clear();
    type(f.bill_no_a, bill);
    for (const auto& [name, value] : QList<QPair<const char*, QString>>{
             {"operation_code_a", "in1"}, {"warehouse_a", "W01"}, {"vendor_a", "V1"}, {"attr_code_a", "A1"},
             {"size_code_a", "Z1"}, {"stage_code_a", "G1"}})
        f.findChild<LookupField*>(name)->setEditText(value);
    f.item_code_a->setPrefixList("SELECT * FROM kesp_item_master WHERE 1=1", {}, "item_code");
    f.item_code_a->setEditText("I001");
    f.price_a->setText("2");
    f.qty_a->setText("1");
    f.findChild<QPushButton*>("BitBtn1")->click();
}

double footerSum(DataGrid* g) { return g->model()->sum("qty"); }
} // namespace

class TstCopies : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void halfReadGridDoesNotBlockWrites_data();
    void halfReadGridDoesNotBlockWrites();
    void manyStagedLinesDoNotBlockWrites();
    void gridFooterAndWorkRowsAgree();
    void busyOtherCopyLosesNothing();
};

void TstCopies::halfReadGridDoesNotBlockWrites_data() {
    QTest::addColumn<bool>("halfway");
    QTest::newRow("first screen") << false;
    QTest::newRow("scrolled halfway") << true;
}

void TstCopies::halfReadGridDoesNotBlockWrites() {
    QFETCH(bool, halfway);
    TestDb db;
    TestDb::seedMasters();
    balances(200000);
    ScriptedSeam seam;
    TEE10_form q;
    q.show();
    type(q.filters->warehouse_a, "W01");
    q.Cmd_Query->click();
    QCOMPARE(q.DBGrid1->rowCount(), GridModel::FetchChunk);
    const double before = footerSum(q.DBGrid1);
    if (halfway) {
        QScrollBar* bar = q.DBGrid1->view()->verticalScrollBar();
        while (q.DBGrid1->rowCount() < 100000) {
            bar->setValue(bar->maximum());
            QApplication::processEvents();
        }
        QCOMPARE(q.DBGrid1->value(99999, "item_code").toString(), QString("I100000"));
    }
    otherCopyCommits(db.path());

    // This copy writes on: stage a line, post it, run the query again.
    TCC10_form e;
    stageThroughWindow(e, "R1");
    QCOMPARE(seam.kinds.filter("error"), QStringList());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE login_id='abc'"), 1);
    seam.answers = {true};
    e.findChild<QPushButton*>("BitBtn4")->click();
    QVERIFY(seam.shown.contains("入库操作成功！")); // then "打印单据？"
    q.Cmd_Query->click();
    QCOMPARE(seam.kinds.filter("error"), QStringList());
    // The other copy's row (sorted first) and this copy's posting are both in the new result.
    QCOMPARE(q.DBGrid1->value(0, "item_code").toString(), QString("A00000"));
    QCOMPARE(footerSum(q.DBGrid1), before + 7 + 1);
    QCOMPARE(Clerk::summarise(q, seam, "尺寸", "等级").rowSums, QList<double>{before + 7 + 1});
}

void TstCopies::manyStagedLinesDoNotBlockWrites() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<300) "
             "INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
             "operation_code,warehouse,warehouse_name,procure_date,vendor) SELECT " + TestDb::padded("S", "i", 9) + ", 'abc', 'I001', "
             "'A1', 'Z1', 'G1', 1, 1, 'R1', 'in1', 'W01', '一号仓库', '2026/12/09', 'V1' FROM c");
    TCC10_form e;
    e.show();
    QCOMPARE(e.DBGrid1->rowCount(), GridModel::FetchChunk); // the earlier lines, first screen only
    otherCopyCommits(db.path());
    stageThroughWindow(e, "R1");
    QCOMPARE(seam.kinds.filter("error"), QStringList());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE login_id='abc'"), 301);
    seam.answers = {true};
    e.findChild<QPushButton*>("BitBtn4")->click();
    QVERIFY(seam.shown.contains("入库操作成功！")); // then "打印单据？"
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 301);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001'").toDouble(), 301.0);
}

void TstCopies::gridFooterAndWorkRowsAgree() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    // 600 stock-in lines over three items: every seventh with quantity 0, every fifth a reversal.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<600) "
             "INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,qty,bill_no,operation_code,"
             "warehouse,procure_date,red_flag,vendor) SELECT " + TestDb::padded("", "i", 10) + ", " + TestDb::padded("I", "1+i%3", 3) + ", 'A1', "
             "'Z'||(1+i%2), 'G1', CASE WHEN i%7=0 THEN 0 WHEN i%5=0 THEN -1.5 ELSE i%4+0.25 END, 'B'||(i/10), 'in1', "
             "'W01', '2020/01/05', CASE WHEN i%5=0 THEN 'Y' END, 'V1' FROM c");
    TCC40_form f;
    f.show();
    type(f.filters->warehouse_a, "W01");
    f.procure_date_a->setDate(QDate(2020, 1, 1));
    f.Procure_date_b->setDate(QDate(2020, 1, 31));
    // Another copy holding the write lock does not hold up the query: it takes none.
    QProcess holder;
    holder.start(ORDER_WORKER, {db.path(), "u2", "hold", "3000"});
    QVERIFY(holder.waitForReadyRead(30000));
    const int timeout = DataConnect1::busyTimeout();
    DataConnect1::setBusyTimeout(300);
    f.Cmd_Query->click();
    DataConnect1::setBusyTimeout(timeout);
    QCOMPARE(seam.kinds.filter("error"), QStringList());
    QVERIFY(holder.waitForFinished(30000));
    otherCopyCommits(db.path()); // changes nothing this result shows
    f.DBGrid1->model()->fetchAll();
    QCOMPARE(f.DBGrid1->rowCount(), 600);
    double gridSum = 0;
    int nonZero = 0;
    for (int r = 0; r < f.DBGrid1->rowCount(); ++r) {
        gridSum += f.DBGrid1->value(r, "qty").toDouble();
        nonZero += f.DBGrid1->value(r, "qty").toDouble() != 0;
        if (r) QVERIFY(f.DBGrid1->value(r - 1, "item_code").toString() <= f.DBGrid1->value(r, "item_code").toString());
    }
    QCOMPARE(footerSum(f.DBGrid1), gridSum);
    // The group summary, opened after the other copy's commit, reads the same result: per item and
    // size the grid's sums, no row or column of lines of quantity 0 only; nothing is written.
    QHash<QString, double> perItem;
    for (int r = 0; r < f.DBGrid1->rowCount(); ++r)
        perItem[f.DBGrid1->value(r, "item_name").toString()] += f.DBGrid1->value(r, "qty").toDouble();
    const Clerk::Summary sum = Clerk::summarise(f, seam, "尺寸", "名称");
    QCOMPARE(sum.rowNames.size(), perItem.size());
    for (int r = 0; r < sum.rowNames.size(); ++r) QCOMPARE(sum.rowSums[r], perItem.value(sum.rowNames[r]));
    QCOMPARE(sum.captions.size(), 2 + 1); // lines written without size names: one column
    QCOMPARE(sum.total, "合计：" + f.DBGrid1->footerText("qty").remove(','));
    QCOMPARE(QueryBuilders::workRowCount(), 0);
    QVERIFY(nonZero < 600);
}

void TstCopies::busyOtherCopyLosesNothing() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form e;
    e.show();
    const QVariant counter = TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'");
    QProcess p;
    p.start(ORDER_WORKER, {db.path(), "u2", "hold", "3000"});
    QVERIFY(p.waitForReadyRead(30000));
    const int timeout = DataConnect1::busyTimeout();
    DataConnect1::setBusyTimeout(300);
    stageThroughWindow(e, "R1");
    DataConnect1::setBusyTimeout(timeout);
    QCOMPARE(seam.kinds.filter("error").size(), 1);
    QCOMPARE(seam.shown.last(), QString("数据库正忙，请稍后再试。"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'"), counter);
    QCOMPARE(e.bill_no_a->text(), QString("R1")); // what was typed stays for the next try
    QCOMPARE(e.qty_a->text(), QString("1"));
    QVERIFY(p.waitForFinished(30000));
    e.findChild<QPushButton*>("BitBtn1")->click();
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
}

QTEST_MAIN(TstCopies)
#include "tst_copies.moc"
