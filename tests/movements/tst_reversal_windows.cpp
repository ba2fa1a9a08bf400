// The reversal and transfer windows as a clerk works them: bills, lines and stock rows picked in
// the real drop-down lists, quantities typed, buttons pressed.
#include "app/main_form.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "movements/CC20_Unit.h"
#include "movements/CC30_Unit.h"
#include "movements/DD20_Unit.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/reversal.h"
#include "movements/staging.h"
#include "support/scripted.h"
#include "support/testdb.h"
#include "ui/screens.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
void post(bool in, const QString& bill, const QString& wh, const QString& item, double qty, const QString& attr = "A1") {
    OrderNumbers::stageWithNumber([&](const QString& no) {
        Staging::insert({{"order_no", no},         {"login_id", Session::userCode()},
                         {"item_code", item},      {"attr_code", attr},
                         {"attr_name", "色"},      {"size_code", "Z1"},
                         {"stage_code", "G1"},     {"price", 12.5},
                         {"qty", qty},             {"bill_no", bill},
                         {"operation_code", in ? "in1" : "out1"}, {"warehouse", wh},
                         {"warehouse_name", wh + "名"}, {"procure_date", "2026/12/01"},
                         {in ? "vendor" : "customer", in ? "V1" : "C1"}});
    });
    Posting::post(in ? LineKind::StockIn : LineKind::StockOut);
}

double balance(const QString& wh, const QString& item = "I001") {
    return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=? AND attr_code='A1'",
                         {wh, item})
        .toDouble();
}

void showActive(QWidget* w) {
    w->show();
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
}

// Gives the focus to a field as a click would, with its window active again after a closed popup.
void enter(QWidget* field) {
    QApplication::setActiveWindow(field->window());
    field->setFocus();
    QApplication::processEvents();
}

// Enters the field, opens its list and clicks the row whose first column reads `text`.
void pick(LookupField* f, const QString& text) {
    enter(f);
    f->showPopup();
    QAbstractItemView* v = f->view();
    QTRY_VERIFY(v->isVisible());
    QModelIndex hit;
    for (int r = 0; r < v->model()->rowCount() && !hit.isValid(); ++r)
        if (v->model()->index(r, 0).data().toString() == text) hit = v->model()->index(r, 0);
    QVERIFY2(hit.isValid(), qPrintable(text));
    v->scrollTo(hit);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(hit).center());
    QTRY_VERIFY(!v->isVisible());
}

// Enters a lookup field and types a code of its list, as a clerk does with the suggestions.
void typeCode(LookupField* f, const QString& code) {
    enter(f);
    f->lineEdit()->selectAll();
    QTest::keyClicks(f->lineEdit(), code);
}

void type(QLineEdit* e, const QString& text) {
    enter(e);
    e->selectAll();
    QTest::keyClicks(e, text);
}

void click(QWidget* w, const char* name) { w->findChild<QPushButton*>(name)->click(); }
} // namespace

class TstReversalWindows : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void stockInReversalThroughTheLists();
    void lineNeedsABillAndBillChangeEmptiesLine();
    void longBillListNarrowsAsTyped();
    void stockOutReversalAndLeaving();
    void transferThroughTheStockRows();
    void transferRefusalsAndSeals();
    void menuCommandsOpenTheScreens();
};

void TstReversalWindows::stockInReversalThroughTheLists() {
    TestDb db;
    TestDb::seedMasters();
    post(true, "R1", "W01", "I001", 10);
    post(true, "R2", "W02", "I002", 4);
    ScriptedSeam seam;
    TCC20_form f;
    QCOMPARE(f.windowTitle(), QString("入库红冲操作"));
    QCOMPARE(f.operation_name_a->text(), QString("入库红冲"));
    showActive(&f);
    QCOMPARE(f.bill_no_a->listRowCount(), 2);
    pick(f.bill_no_a, "R1");
    QCOMPARE(f.warehouse_a->text(), QString("W01"));
    QCOMPARE(f.findChild<QLineEdit*>("vendor_a")->text(), QString("V1"));
    pick(f.item_code_a, "I001");
    QCOMPARE(f.item_name_a->text(), QString("男式衬衫"));
    QCOMPARE(f.arrage_code_b_a->text(), QString("B1"));
    QCOMPARE(f.qty_a_tmp->text(), QString("10"));
    QCOMPARE(f.price_a->text(), QString("0.00"));
    type(f.qty_a, "3");
    click(&f, "BitBtn1");
    QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.last()));
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    QVERIFY(f.bill_no_a->isReadOnly());
    QVERIFY(f.procure_date_a->isEnabled()); // only the bill is locked
    // The same line again, under another date.
    f.procure_date_a->setDate(QDate(2026, 12, 3));
    click(&f, "BitBtn1");
    QCOMPARE(TestDb::count("SELECT count(DISTINCT procure_date) FROM kesp_post_temp_a WHERE red_flag='Y'"), 2);
    f.DBGrid1->setCurrentRow(0);
    f.findChild<QAction*>("N1")->trigger();
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    seam.answers = {true};
    click(&f, "BitBtn4");
    QVERIFY(seam.shown.contains("入库红冲操作成功！")); // then "打印单据？"
    QCOMPARE(balance("W01"), 7.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='R1' AND qty=-3 AND red_flag='Y' "
                           "AND operation_code='i_r' AND vendor='V1'"),
             1);
    QVERIFY(!f.bill_no_a->isReadOnly());
    QCOMPARE(f.bill_no_a->text(), QString("R1")); // the fields keep their values
}

void TstReversalWindows::lineNeedsABillAndBillChangeEmptiesLine() {
    TestDb db;
    TestDb::seedMasters();
    post(true, "R1", "W01", "I001", 10);
    post(true, "R2", "W02", "I002", 4);
    ScriptedSeam seam;
    TCC20_form f;
    showActive(&f);
    f.item_code_a->setFocus();
    QApplication::processEvents();
    QCOMPARE(seam.shown, QStringList{"请输入 红字单据号"});
    QCOMPARE(seam.kinds, QStringList{"dravont"});
    QTRY_VERIFY(f.bill_no_a->hasFocus());
    QCOMPARE(f.item_code_a->listRowCount(), 0);
    seam.reset();
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"红字单号 不能为空"});
    pick(f.bill_no_a, "R1");
    // The bill's lines are listed once it is chosen, however the focus came back after the refusal.
    QTRY_COMPARE(f.item_code_a->listRowCount(), 1);
    seam.reset();
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"项目列表 不能为空"});
    pick(f.item_code_a, "I001");
    QVERIFY(!f.order_no_a->text().isEmpty());
    seam.reset();
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"请输入正确数量"});
    // Typing another bill number chooses that bill and empties the picked line. Both bills fit in
    // the bounded list, so typing does not read it again.
    enter(f.bill_no_a);
    f.bill_no_a->lineEdit()->selectAll();
    QTest::keyClicks(f.bill_no_a->lineEdit(), "R2");
    QCOMPARE(f.bill_no_a->listRowCount(), 2);
    QCOMPARE(f.bill_no_a->rowValue(f.bill_no_a->pickedRow(), "bill_no").toString(), QString("R2"));
    QCOMPARE(f.warehouse_a->text(), QString("W02"));
    QVERIFY(f.item_code_a->text().isEmpty());
    QVERIFY(f.order_no_a->text().isEmpty() && f.attr_code_a->text().isEmpty() && f.item_name_a->text().isEmpty());
    pick(f.item_code_a, "I002");
    QCOMPARE(f.item_name_a->text(), QString("女式长裤"));
    // Emptying the bill empties the warehouse, the vendor and the line.
    f.bill_no_a->lineEdit()->selectAll();
    QTest::keyClick(f.bill_no_a->lineEdit(), Qt::Key_Delete);
    QVERIFY(f.warehouse_a->text().isEmpty() && f.item_name_a->text().isEmpty());
    QCOMPARE(f.bill_no_a->listRowCount(), 2);
}

void TstReversalWindows::longBillListNarrowsAsTyped() {
    TestDb db;
    TestDb::seedMasters();
    // One more bill than the list holds: B000 .. B200.
    Sql::run("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<200) "
             "INSERT INTO kesp_post_history(order_no,login_id,item_code,attr_code,size_code,stage_code,qty,bill_no,"
             "operation_code,warehouse,warehouse_name,vendor,procure_date) "
             "SELECT " + TestDb::padded("", "i", 6) + ",'abc','I001','A1','Z1','G1',1," + TestDb::padded("B", "i", 3) +
             ",'in1','W01','一号仓库','V1','2026/12/01' FROM n");
    ScriptedSeam seam;
    TCC20_form f;
    showActive(&f);
    QCOMPARE(f.bill_no_a->listRowCount(), Reversal::BillListLimit);
    QCOMPARE(f.bill_no_a->rowValue(0, "bill_no").toString(), QString("B200")); // newest first
    // The oldest bill is not among the rows read; typing its number reads the bills starting with
    // what is typed.
    QCOMPARE(f.bill_no_a->findRow("bill_no", "B000"), -1);
    typeCode(f.bill_no_a, "B000");
    QCOMPARE(f.bill_no_a->rowValue(f.bill_no_a->pickedRow(), "bill_no").toString(), QString("B000"));
    QCOMPARE(f.warehouse_a->text(), QString("W01"));
    QCOMPARE(f.findChild<QLineEdit*>("vendor_a")->text(), QString("V1"));
    QVERIFY(seam.shown.isEmpty());
}

void TstReversalWindows::stockOutReversalAndLeaving() {
    TestDb db;
    TestDb::seedMasters();
    post(true, "R1", "W01", "I001", 10);
    post(false, "D1", "W01", "I001", 6);
    ScriptedSeam seam;
    // A stock-in line left staged elsewhere is neither shown, posted nor discarded here.
    OrderNumbers::stageWithNumber([](const QString& no) {
        Staging::insert({{"order_no", no}, {"login_id", "abc"}, {"item_code", "I003"}, {"attr_code", "A1"},
                         {"size_code", "Z1"}, {"stage_code", "G1"}, {"qty", 1}, {"bill_no", "X"},
                         {"operation_code", "in1"}, {"warehouse", "W01"}, {"vendor", "V1"}});
    });
    {
        TDD20_form f;
        showActive(&f);
        QCOMPARE(f.bill_no_a->listRowCount(), 1);
        QCOMPARE(f.DBGrid1->rowCount(), 0);
        pick(f.bill_no_a, "D1");
        QCOMPARE(f.findChild<QLineEdit*>("customer_a")->text(), QString("C1"));
        pick(f.item_code_a, "I001");
        type(f.qty_a, "4");
        click(&f, "BitBtn1");
        QCOMPARE(f.DBGrid1->rowCount(), 1);
        seam.answers = {true};
        click(&f, "BitBtn4");
        QVERIFY(seam.shown.contains("出库红冲操作成功！")); // then "打印单据？"
        QCOMPARE(balance("W01"), 8.0);
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE qty=-4 AND operation_code='o_r'"), 1);
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE bill_no='X'"), 1);

        click(&f, "BitBtn1"); // the line is still picked: stage it again
        QCOMPARE(f.DBGrid1->rowCount(), 1);
        // The close box asks like "返回": No keeps the window and the line.
        seam.answers = {false};
        QVERIFY(!f.close());
        QVERIFY(f.isVisible());
        QCOMPARE(f.DBGrid1->rowCount(), 1);
        seam.answers = {true};
        click(&f, "BitBtn3");
        QVERIFY(!f.isVisible());
    }
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE red_flag='Y'"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE bill_no='X'"), 1);
}

void TstReversalWindows::transferThroughTheStockRows() {
    TestDb db;
    TestDb::seedMasters();
    post(true, "R1", "W01", "I001", 10);
    post(false, "D1", "W01", "I002", 2.5); // a negative balance row
    ScriptedSeam seam;
    CC30_form f;
    QCOMPARE(f.windowTitle(), QString("转库操作"));
    showActive(&f);
    enter(f.item_code_a); // no receiving warehouse yet
    QTRY_VERIFY(f.warehouse_a->hasFocus());
    pick(f.warehouse_a, "W02");
    QCOMPARE(f.warehouse_name_a->text(), QString("二号仓库"));
    enter(f.item_code_a); // no issuing warehouse: nothing listed
    QCOMPARE(f.item_code_a->listRowCount(), 0);
    pick(f.warehouse_b, "W01");
    type(f.qty_a, "5");
    typeCode(f.item_code_a, "I002");
    QCOMPARE(f.qty_b->text(), QString("-2.50"));
    typeCode(f.item_code_a, "I001");
    QCOMPARE(f.qty_b->text(), QString("10.00"));
    QCOMPARE(f.qty_a->text(), QString("5.00")); // the quantity typed stays
    QCOMPARE(f.arrage_code_s_a->text(), QString("S1"));
    QCOMPARE(f.attr_code_a->text(), QString("A1"));
    type(f.bill_no_a, "T1");
    click(&f, "BitBtn1");
    QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.last()));
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    QCOMPARE(f.DBGrid1->value(0, "qty").toDouble(), 5.0);
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("5"));
    QVERIFY(f.headerLocked() && f.warehouse_b->isReadOnly() && !f.procure_date_a->isEnabled());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 2);

    // "删除" takes both rows; "取消" first clears the line, then, with an empty grid, the header.
    f.DBGrid1->setCurrentRow(0);
    f.findChild<QAction*>("N1")->trigger();
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QVERIFY(f.headerLocked());
    click(&f, "BitBtn1"); // the line fields stayed: the same line again
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    click(&f, "BitBtn2");
    QVERIFY(f.item_code_a->text().isEmpty() && f.qty_b->text() == "0.00");
    QCOMPARE(f.bill_no_a->text(), QString("T1"));
    typeCode(f.item_code_a, "I001");
    type(f.qty_a, "5");
    click(&f, "BitBtn1");
    seam.answers = {true};
    click(&f, "BitBtn4");
    QVERIFY(seam.shown.contains("转库操作成功！")); // then "打印单据？"
    QCOMPARE(balance("W01"), 0.0);
    QCOMPARE(balance("W02"), 10.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='T1' AND qty=5 AND "
                           "((operation_code='i_t' AND warehouse='W02') OR (operation_code='o_t' AND warehouse='W01'))"),
             4);
    QVERIFY(!f.headerLocked());
    click(&f, "BitBtn2");
    QVERIFY(f.bill_no_a->text().isEmpty() && f.warehouse_a->text().isEmpty());
}

void TstReversalWindows::transferRefusalsAndSeals() {
    TestDb db;
    TestDb::seedMasters();
    post(true, "R1", "W01", "I001", 10);
    post(true, "R2", "W02", "I001", 1);
    ScriptedSeam seam;
    CC30_form f;
    showActive(&f);
    type(f.bill_no_a, "R1"); // a used number is reported when the field is left
    pick(f.warehouse_a, "W01");
    QCOMPARE(seam.shown, QStringList{"存在相同单据,请更改单据。"});
    type(f.bill_no_a, "T'1");
    pick(f.warehouse_a, "W01");
    pick(f.warehouse_b, "W01");
    typeCode(f.item_code_a, "I001");
    seam.reset();
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"请输入正确数量"});
    type(f.qty_a, "2");
    seam.reset();
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"转入仓库不能与转出仓库相同."});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);

    // The issuing warehouse sealed: the stock row's big category refuses it and empties it.
    click(&f, "BitBtn2"); // nothing staged: everything cleared
    QVERIFY(f.warehouse_a->text().isEmpty() && f.arrage_code_b_a->text().isEmpty());
    type(f.bill_no_a, "T'1");
    pick(f.warehouse_a, "W02");
    pick(f.warehouse_b, "W01");
    Sql::run("INSERT INTO kesp_check_set(warehouse,login_id) VALUES ('W01','abc')");
    seam.reset();
    typeCode(f.item_code_a, "I001");
    QCOMPARE(seam.shown, QStringList{"仓库已经封帐！"});
    QVERIFY(f.warehouse_b->text().isEmpty() && f.warehouse_name_b->text().isEmpty());
    QVERIFY(f.arrage_name_b_a->text().isEmpty());
    seam.reset();
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"转出仓库 不能为空"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE bill_no='T''1'"), 0);
}

void TstReversalWindows::menuCommandsOpenTheScreens() {
    TestDb db;
    ScriptedSeam seam;
    Screens::registerAll();
    MainForm w;
    QStringList titles;
    seam.onModal = [&](QDialog* d) {
        titles << d->windowTitle();
        return int(QDialog::Rejected);
    };
    for (const char* code : {"CC20", "DD20", "CC30"}) {
        auto* a = w.findChild<QAction*>(code);
        QVERIFY2(a && a->isEnabled(), code);
        a->trigger();
    }
    QCOMPARE(seam.modals, (QStringList{"TCC20_form", "TDD20_form", "CC30_form"}));
    QCOMPARE(titles, (QStringList{"入库红冲操作", "出库红冲操作", "转库操作"}));
}

QTEST_MAIN(TstReversalWindows)
#include "tst_reversal_windows.moc"
