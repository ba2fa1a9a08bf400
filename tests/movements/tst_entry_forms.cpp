// The stock-in and stock-out windows, driven through their fields and buttons by object name.
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

namespace {
LookupField* field(QWidget* w, const char* name) { return w->findChild<LookupField*>(name); }

void fillStockIn(TCC10_form& f, const QString& bill = "R1", const QString& item = "I001", const QString& qty = "3") {
    f.bill_no_a->setText(bill);
    field(&f, "operation_code_a")->setText("in1");
    field(&f, "warehouse_a")->setText("W01");
    field(&f, "vendor_a")->setText("V1");
    f.item_code_a->setList("SELECT * FROM kesp_item_master");
    f.item_code_a->setText(item); // fills the categories
    field(&f, "attr_code_a")->setText("A1");
    field(&f, "size_code_a")->setText("Z1");
    field(&f, "stage_code_a")->setText("G1");
    f.price_a->setText("10.5");
    f.qty_a->setText(qty);
}

void showActive(QDialog& f) {
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
}

// Selects what the field holds and types over it, as a clerk does.
void typeInto(QWidget* w, const QString& text) {
    Clerk::clickInto(w);
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    Clerk::type(w, text);
    if (auto* f = qobject_cast<LookupField*>(w)) QTest::keyClick(f->completer()->popup(), Qt::Key_Escape);
}

// The stock-out header picked from the lists: type out1, warehouse W01, customer C1.
void stockOutHeader(TDD10_form& f, const QString& bill) {
    typeInto(f.bill_no_a, bill);
    QVERIFY(Clerk::pickByMouse(field(&f, "operation_code_a"), 0));
    QVERIFY(Clerk::pickByMouse(field(&f, "warehouse_a"), 0));
    QVERIFY(Clerk::pickByKeys(field(&f, "customer_a"), 0));
    typeInto(f.price_a, "8");
}

void click(QWidget* w, const char* name) { w->findChild<QPushButton*>(name)->click(); }
double balance(const QString& wh, const QString& item) {
    return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=?", {wh, item}).toDouble();
}
} // namespace

class TstEntryForms : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void checksInOrder();
    void headerLockAndClear();
    void postingAndLeaving();
    void earlierLinesShownAndKindsKeptApart();
    void stockOutPicksBalanceRows();
    void billNumberCheckAndQuotes();
    void operationTypeOfTheOtherDirectionRefused();
    void conversionErrorStagesNothing();
    void stockOutIssuesTheRowsPicked();
    void lockedHeaderUnderWheelPasteAndKeys();
    void billCheckedAgainAfterPostingAndReset();
    void checksTestTheStoredValue_data();
    void checksTestTheStoredValue();
    void unknownCodeRefusedAtItsField_data();
    void unknownCodeRefusedAtItsField();
    void keyboardRoad();
    void guardWarnsAtOkAndListsShortKeys();
};

void TstEntryForms::checksInOrder() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"入库单据号 不能为空"});
    const QStringList expected = {"入库类型 不能为空", "仓库代码 不能为空", "供应商代码 不能为空", "大类 不能为空",
                                  "小类 不能为空", "项目代码 不能为空", "属性 不能为空", "尺寸 不能为空", "等级 不能为空",
                                  "请输入正确数量"};
    f.bill_no_a->setText("R1");
    QStringList got;
    const QList<std::function<void()>> steps = {
        [&] { field(&f, "operation_code_a")->setText("in1"); }, [&] { field(&f, "warehouse_a")->setText("W01"); },
        [&] { field(&f, "vendor_a")->setText("V1"); },          [&] { field(&f, "arrage_code_b_a")->setText("B1"); },
        [&] { field(&f, "arrage_code_s_a")->setText("S1"); },   [&] { field(&f, "item_code_a")->setText("I001"); },
        [&] { field(&f, "attr_code_a")->setText("A1"); },       [&] { field(&f, "size_code_a")->setText("Z1"); },
        [&] { field(&f, "stage_code_a")->setText("G1"); },      [] {}};
    for (const auto& step : steps) {
        seam.reset();
        click(&f, "BitBtn1");
        got << seam.last();
        step();
    }
    QCOMPARE(got, expected);
    // Price 0 is accepted on stock-in; a quantity is required.
    f.qty_a->setText("2");
    seam.reset();
    click(&f, "BitBtn1");
    QVERIFY(seam.shown.isEmpty());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE price=0 AND qty=2"), 1);

    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W01','一号仓库','I001','A1','Z1','G1',10)");
    TDD10_form out;
    out.show();
    out.bill_no_a->setText("X");
    field(&out, "operation_code_a")->setText("out1");
    field(&out, "warehouse_a")->setText("W01");
    field(&out, "customer_a")->setText("C1");
    QVERIFY(Clerk::pickByMouse(out.item_code_a, 0));
    out.qty_a->setText("1");
    seam.reset();
    click(&out, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"请输入正确价格"}); // price 0 refused on stock-out
}

void TstEntryForms::headerLockAndClear() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    fillStockIn(f);
    QCOMPARE(f.arrage_code_b_a->text(), QString("B1"));
    click(&f, "BitBtn1");
    QVERIFY(seam.shown.isEmpty());
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    QVERIFY(f.headerLocked());
    QVERIFY(f.bill_no_a->isReadOnly() && field(&f, "warehouse_a")->isReadOnly());
    QVERIFY(!f.procure_date_a->isEnabled());
    // The line fields stay for the next line.
    QCOMPARE(f.item_code_a->text(), QString("I001"));
    click(&f, "BitBtn1");
    QCOMPARE(f.DBGrid1->rowCount(), 2);
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("6"));
    // "取消" with staged lines: line fields only.
    click(&f, "BitBtn2");
    QVERIFY(f.item_code_a->text().isEmpty() && f.arrage_code_b_a->text().isEmpty());
    QCOMPARE(f.qty_a->text(), QString("0.00"));
    QCOMPARE(f.bill_no_a->text(), QString("R1"));
    QVERIFY(f.headerLocked());
    // Deleting every line keeps the lock; "取消" on the empty grid unlocks and resets.
    f.DBGrid1->setCurrentRow(0);
    f.DBGrid1->view()->actions().first()->trigger();
    f.DBGrid1->setCurrentRow(0);
    f.DBGrid1->view()->actions().first()->trigger();
    QCOMPARE(f.DBGrid1->rowCount(), 0);
    QVERIFY(f.headerLocked());
    f.procure_date_a->setDate(QDate(2020, 1, 1));
    click(&f, "BitBtn2");
    QVERIFY(!f.headerLocked());
    QVERIFY(f.bill_no_a->text().isEmpty() && field(&f, "warehouse_a")->text().isEmpty());
    QCOMPARE(f.procure_date_a->date(), QDate::currentDate());
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data").toString(), QString("0000000003"));
}

void TstEntryForms::postingAndLeaving() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    click(&f, "BitBtn4");
    QCOMPARE(seam.shown, QStringList{"不存在过帐记录."});
    fillStockIn(f);
    click(&f, "BitBtn1");
    seam.reset();
    seam.answers = {false};
    click(&f, "BitBtn4");
    QCOMPARE(seam.shown, QStringList{"确定过帐？"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 0);
    seam.reset();
    seam.answers = {true};
    click(&f, "BitBtn4");
    QCOMPARE(seam.shown, (QStringList{"确定过帐？", "入库操作成功！", "打印单据？"}));
    QCOMPARE(seam.kinds, (QStringList{"ask", "dravont", "ask"}));
    QCOMPARE(balance("W01", "I001"), 3.0);
    QCOMPARE(f.DBGrid1->rowCount(), 0);
    QVERIFY(!f.headerLocked());
    QCOMPARE(f.bill_no_a->text(), QString("R1")); // fields keep their values
    // "返回" with staged lines: No keeps everything, Yes discards.
    f.bill_no_a->setText("R2");
    click(&f, "BitBtn1");
    seam.reset();
    seam.answers = {false};
    click(&f, "BitBtn3");
    QCOMPARE(seam.shown, QStringList{"存在未过帐记录，退出后删除，确定退出？"});
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    // The close box asks the same question.
    seam.answers = {false};
    f.show();
    QVERIFY(!f.close());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
    seam.answers = {true};
    click(&f, "BitBtn3");
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    // With an empty grid "返回" closes at once.
    TCC10_form g;
    seam.reset();
    click(&g, "BitBtn3");
    QVERIFY(seam.shown.isEmpty());
    QCOMPARE(g.result(), int(QDialog::Accepted));
}

void TstEntryForms::earlierLinesShownAndKindsKeptApart() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    {
        TCC10_form f;
        fillStockIn(f);
        click(&f, "BitBtn1");
    } // closed without "返回": the line stays staged
    Sql::run("INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,qty,warehouse,"
             "operation_code) VALUES ('99','abc','I001','A1','Z1','G1',1,'W01','out1')");
    TCC10_form f;
    QCOMPARE(f.DBGrid1->rowCount(), 1); // only the stock-in line
    QVERIFY(!f.headerLocked());
    TDD10_form out;
    QCOMPARE(out.DBGrid1->rowCount(), 1);
    QCOMPARE(out.DBGrid1->value(0, "order_no").toString(), QString("99"));
    seam.answers = {true};
    click(&f, "BitBtn4");
    QCOMPARE(balance("W01", "I001"), 3.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE order_no='99'"), 1);
}

void TstEntryForms::stockOutPicksBalanceRows() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W01','一号仓库','I001','A2','Z2','G1',10)");
    ScriptedSeam seam;
    TDD10_form f;
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.item_code_a->setFocus(); // without a warehouse the focus goes back
    QApplication::processEvents();
    QVERIFY(field(&f, "warehouse_a")->hasFocus());
    field(&f, "warehouse_a")->setText("W01");
    f.item_code_a->setFocus();
    QApplication::processEvents();
    QCOMPARE(f.item_code_a->listRowCount(), 1);
    f.item_code_a->setCurrentIndex(0);
    QCOMPARE(f.attr_name_a->text(), QString("蓝色"));
    QCOMPARE(f.qty_a->text(), QString("10"));
    QCOMPARE(f.arrage_code_s_a->text(), QString("S1"));
    f.bill_no_a->setText("X1");
    field(&f, "operation_code_a")->setText("out1");
    field(&f, "customer_a")->setText("C1");
    f.price_a->setText("20");
    f.qty_a->setText("15");
    click(&f, "BitBtn1");
    QVERIFY(seam.shown.isEmpty());
    seam.answers = {true};
    click(&f, "BitBtn4");
    QVERIFY(seam.shown.contains("出库操作成功！")); // then "打印单据？"
    QCOMPARE(balance("W01", "I001"), -5.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE customer='C1' AND qty=15 AND attr_code='A2'"), 1);
}

void TstEntryForms::billNumberCheckAndQuotes() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_post_history(order_no,bill_no) VALUES ('1','O''K-1')");
    Sql::run("INSERT INTO kesp_vendor_ini(vendor,vendor_name) VALUES ('V''2','Vendor''s')");
    ScriptedSeam seam;
    TCC10_form f;
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.bill_no_a->setFocus();
    f.bill_no_a->setText("o'k-1");
    f.price_a->setFocus();
    QApplication::processEvents();
    QCOMPARE(seam.shown, QStringList{"存在相同单据,请更改单据。"});
    QVERIFY(f.bill_no_a->hasFocus());
    f.bill_no_a->setText("Q'1");
    f.price_a->setFocus();
    QApplication::processEvents();
    QCOMPARE(seam.shown.size(), 1);
    fillStockIn(f, "Q'1");
    field(&f, "vendor_a")->setText("V'2");
    QCOMPARE(f.findChild<QLineEdit*>("vendor_name_a")->text(), QString("Vendor's"));
    click(&f, "BitBtn1");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE bill_no='Q''1' AND vendor_name='Vendor''s'"), 1);
}

void TstEntryForms::operationTypeOfTheOtherDirectionRefused() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    fillStockIn(f);
    field(&f, "operation_code_a")->setText("out1"); // a stock-out type typed by hand
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"入库类型 不存在"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    // A line whose type was deleted after staging stays with the screen that staged it.
    field(&f, "operation_code_a")->setText("in1");
    click(&f, "BitBtn1");
    Sql::run("DELETE FROM kesp_operation_ini WHERE operation_code='in1'");
    TCC10_form again;
    QCOMPARE(again.DBGrid1->rowCount(), 1);
    TDD10_form out;
    QCOMPARE(out.DBGrid1->rowCount(), 0);
}

void TstEntryForms::conversionErrorStagesNothing() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    fillStockIn(f);
    f.qty_a->setText("1.2.3");
    click(&f, "BitBtn1");
    QCOMPARE(seam.kinds, QStringList{"error"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data").toString(), QString("0000000001"));
}

void TstEntryForms::stockOutIssuesTheRowsPicked() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock(); // I001 in Z1/Z2/Z3 (10/20/30), I002
    ScriptedSeam seam;
    TDD10_form f;
    showActive(f);
    stockOutHeader(f, "X1");
    // The second row by mouse, a quantity typed over the one offered, staged.
    Clerk::clickInto(f.item_code_a);
    QCOMPARE(f.item_code_a->listRowCount(), 4);
    QVERIFY(Clerk::pickByMouse(f.item_code_a, 1));
    QCOMPARE(f.qty_a->text(), QString("20"));
    QCOMPARE(f.size_name_a->text(), QString("M码"));
    typeInto(f.qty_a, "7");
    click(&f, "BitBtn1");
    QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.shown.join('|')));
    // The third row by keys after leaving and re-entering the field; Enter there fills it again.
    QVERIFY(Clerk::pickByKeys(f.item_code_a, 2));
    Clerk::tabOut(f.item_code_a);
    Clerk::clickInto(f.item_code_a);
    QTest::keyClick(f.item_code_a, Qt::Key_Return); // also presses "确定"
    QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.shown.join('|')));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 2);
    QCOMPARE(TestDb::value("SELECT size_code FROM kesp_post_temp_a WHERE qty=7").toString(), QString("Z2"));
    QCOMPARE(TestDb::value("SELECT size_code FROM kesp_post_temp_a WHERE qty=30").toString(), QString("Z3"));
    seam.answers = {true};
    click(&f, "BitBtn4");
    const auto left = [](const char* size) {
        return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code=?", {size})
            .toDouble();
    };
    QCOMPARE(left("Z1"), 10.0);
    QCOMPARE(left("Z2"), 13.0);
    QCOMPARE(left("Z3"), 0.0);
}

void TstEntryForms::lockedHeaderUnderWheelPasteAndKeys() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    showActive(f);
    LookupField* warehouse = field(&f, "warehouse_a");
    const QColor open = warehouse->palette().color(QPalette::Base);
    const QColor openEdit = warehouse->lineEdit()->palette().color(QPalette::Base);
    const QColor openBill = f.bill_no_a->palette().color(QPalette::Base);
    fillStockIn(f);
    click(&f, "BitBtn1");
    QVERIFY(f.headerLocked());
    QVERIFY(warehouse->palette().color(QPalette::Base) != open);
    QVERIFY(f.bill_no_a->palette().color(QPalette::Base) != openBill);
    Clerk::wheel(warehouse, -1);
    Clerk::clickInto(warehouse);
    QTest::keyClick(warehouse, Qt::Key_Down);
    Clerk::paste(warehouse, "W02");
    Clerk::commitInputMethod(warehouse, "W02");
    Clerk::paste(f.bill_no_a, "R9");
    Clerk::wheel(f.procure_date_a, 1);
    QCOMPARE(warehouse->text(), QString("W01"));
    QCOMPARE(f.bill_no_a->text(), QString("R1"));
    QCOMPARE(f.procure_date_a->date(), QDate::currentDate());
    click(&f, "BitBtn1");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE warehouse='W01' AND bill_no='R1'"), 2);
    // Posting unlocks: the look and the wheel come back.
    seam.answers = {true};
    click(&f, "BitBtn4");
    QCOMPARE(warehouse->palette().color(QPalette::Base), open);
    QCOMPARE(warehouse->lineEdit()->palette().color(QPalette::Base), openEdit); // its text part as well
    QCOMPARE(f.bill_no_a->palette().color(QPalette::Base), openBill);
    Clerk::wheel(warehouse, -1);
    Clerk::wheel(warehouse, -1);
    QCOMPARE(warehouse->text(), QString("W02"));
}

void TstEntryForms::billCheckedAgainAfterPostingAndReset() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    showActive(f);
    typeInto(f.bill_no_a, "R1");
    Clerk::tabOut(f.bill_no_a);
    QVERIFY(seam.shown.isEmpty());
    fillStockIn(f);
    click(&f, "BitBtn1");
    seam.answers = {true};
    click(&f, "BitBtn4");
    seam.reset();
    // The number just posted is still in its field: leaving it is refused now.
    Clerk::clickInto(f.bill_no_a);
    Clerk::tabOut(f.bill_no_a);
    QCOMPARE(seam.shown, QStringList{"存在相同单据,请更改单据。"});
    QVERIFY(f.bill_no_a->hasFocus());
    // After a full reset the same number typed again is refused again.
    click(&f, "BitBtn2");
    QVERIFY(f.bill_no_a->text().isEmpty());
    seam.reset();
    typeInto(f.bill_no_a, "R1");
    Clerk::tabOut(f.bill_no_a);
    QCOMPARE(seam.shown, QStringList{"存在相同单据,请更改单据。"});
    // Typed and "确定" pressed without leaving the field: checked before anything is staged.
    click(&f, "BitBtn2");
    seam.reset();
    fillStockIn(f, "R1");
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"存在相同单据,请更改单据。"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
}

void TstEntryForms::unknownCodeRefusedAtItsField_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("warehouse") << "warehouse_a" << "WX" << "仓库代码 不存在";
    QTest::newRow("vendor") << "vendor_a" << "VX" << "供应商代码 不存在";
    QTest::newRow("item in no list") << "item_code_a" << "K" << "项目代码 不存在";
    QTest::newRow("item of another category") << "item_code_a" << "I002" << "项目代码 不存在";
    QTest::newRow("attribute") << "attr_code_a" << "AX" << "属性 不存在";
    QTest::newRow("size") << "size_code_a" << "Z" << "尺寸 不存在";
    QTest::newRow("grade") << "stage_code_a" << "G9" << "等级 不存在";
}

// A code typed that no list holds, then Enter: refused at its field, nothing staged.
void TstEntryForms::unknownCodeRefusedAtItsField() {
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    showActive(f);
    fillStockIn(f);
    LookupField* at = field(&f, qPrintable(name));
    typeInto(at, typed);
    seam.reset();
    QTest::keyClick(at, Qt::Key_Return);
    QApplication::processEvents();
    QCOMPARE(seam.last(), message);
    QVERIFY(at->hasFocus());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
}

void TstEntryForms::checksTestTheStoredValue_data() {
    QTest::addColumn<bool>("out");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("qty");
    QTest::addColumn<QString>("message"); // empty: staged
    QTest::newRow("qty rounds to 0") << false << "1" << "0.0004" << "请输入正确数量";
    QTest::newRow("qty rounds up") << false << "1" << "0.0005" << "";
    QTest::newRow("qty too large") << false << "1" << "1000000000" << "请输入正确数量";
    QTest::newRow("qty largest") << false << "1" << "999999999.999" << "";
    QTest::newRow("price too large") << false << "1000000000" << "1" << "请输入正确价格";
    QTest::newRow("price 0 on stock-in") << false << "0" << "1" << "";
    QTest::newRow("out price rounds to 0") << true << "0.0004" << "1" << "请输入正确价格";
    QTest::newRow("out price") << true << "0.001" << "1" << "";
}

void TstEntryForms::checksTestTheStoredValue() {
    QFETCH(bool, out);
    QFETCH(QString, price);
    QFETCH(QString, qty);
    QFETCH(QString, message);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    ScriptedSeam seam;
    std::unique_ptr<EntryForm> f;
    if (out) {
        auto* d = new TDD10_form;
        f.reset(d);
        showActive(*d);
        stockOutHeader(*d, "X1");
        QVERIFY(Clerk::pickByMouse(d->item_code_a, 0));
    } else {
        auto* d = new TCC10_form;
        f.reset(d);
        showActive(*d);
        fillStockIn(*d, "N1");
    }
    typeInto(f->price_a, price);
    typeInto(f->qty_a, qty);
    seam.reset();
    click(f.get(), "BitBtn1");
    const int staged = TestDb::count("SELECT count(*) FROM kesp_post_temp_a");
    if (message.isEmpty()) {
        QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.shown.join('|')));
        QCOMPARE(staged, 1);
        QVERIFY(TestDb::value("SELECT qty FROM kesp_post_temp_a").toDouble() > 0);
    } else {
        QCOMPARE(seam.shown, QStringList{message});
        QCOMPARE(staged, 0);
    }
}

void TstEntryForms::keyboardRoad() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    showActive(f);
    // Opens in its first field, not on "确定".
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field(&f, "operation_code_a")));
    // The date is one stop: Tab goes on to the bill number.
    Clerk::clickInto(field(&f, "stage_code_a"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(f.procure_date_a->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(f.bill_no_a->hasFocus());
    // A fixed-size dialog without a maximise button.
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    TDD10_form out;
    showActive(out);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field(&out, "operation_code_a")));
    QVERIFY(!(out.windowFlags() & Qt::WindowMaximizeButtonHint));
}

QTEST_MAIN(TstEntryForms)
#include "tst_entry_forms.moc"

void TstEntryForms::guardWarnsAtOkAndListsShortKeys() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock(); // I001 in Z1/Z2/Z3 (10/20/30)
    Sql::run("UPDATE kesp_warehouse_ini SET forbid_negative=? WHERE warehouse='W01'", {true});
    ScriptedSeam seam;
    TDD10_form f;
    showActive(f);
    stockOutHeader(f, "X1");
    QVERIFY(Clerk::pickByMouse(f.item_code_a, 0)); // Z1, 10 on hand
    typeInto(f.qty_a, "6");
    click(&f, "BitBtn1");
    QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.shown.join('|')));
    // Another 6 of Z1: more than is left after the staged line. "否" stages nothing, "是" stages it.
    QVERIFY(Clerk::pickByMouse(f.item_code_a, 0));
    typeInto(f.qty_a, "6");
    click(&f, "BitBtn1");
    QCOMPARE(seam.shown, QStringList{"库存不足：库存 10，已录入 6，本次 6。过帐时将被拒绝，仍然加入？"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
    seam.answers = {true};
    click(&f, "BitBtn1");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 2);
    // Posting is refused as a whole and lists the short key.
    QStringList listed;
    seam.onModal = [&](QDialog* d) {
        auto* grid = d->findChild<DataGrid*>("DBGrid1");
        for (const char* field : {"item_code", "size_name", "on_hand", "wanted", "short_by"})
            listed << grid->model()->value(0, field).toString();
        listed << QString::number(grid->model()->rowCount());
        return int(QDialog::Accepted);
    };
    seam.reset();
    seam.answers = {true};
    click(&f, "BitBtn4");
    QCOMPARE(seam.shown, QStringList{"确定过帐？"});
    QCOMPARE(seam.modals, QStringList{"ShortStock_form"});
    QCOMPARE(listed, (QStringList{"I001", "S码", "10", "12", "2", "1"}));
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code='Z1'").toDouble(), 10.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='X1'"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 2);
}
