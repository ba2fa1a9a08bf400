// Stocktaking: seals, the count grid edited through its cells, the adjustment and the stocktake query.
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "movements/CC10_Unit.h"
#include "queries/filter_panel.h"
#include "stocktake/FF10_unit.h"
#include "stocktake/FF20_unit.h"
#include "stocktake/FF30_Unit.h"
#include "stocktake/stocktake.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {
constexpr int QtyColumn = 8;
constexpr int CheckColumn = 9;

void balance(const QString& wh, const QString& item, const QString& attr, const QString& size, double qty) {
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES (?,?,?,?,?,'G1',?)",
             {wh, wh == "W01" ? "一号仓库" : "二号仓库", item, attr, size, qty});
}
// W01: four stock rows; in grid order (by size name): I002/Z3 "L码", I001/Z2 "M码", I001/Z1 and
// I003/Z1 "S码". W02: one row.
void seedStock() {
    TestDb::seedMasters();
    balance("W01", "I001", "A1", "Z1", 5);
    balance("W01", "I001", "A1", "Z2", 3);
    balance("W01", "I002", "A1", "Z3", 2);
    balance("W01", "I003", "A2", "Z1", 7);
    balance("W02", "I001", "A1", "Z1", 9);
}
double book(const QString& wh, const QString& item, const QString& size) {
    return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=? AND size_code=?",
                         {wh, item, size})
        .toDouble();
}
QString counter() { return TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString(); }
int countRows(const QString& user) {
    return TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE login_id=?", {user});
}
int historyRows() { return TestDb::count("SELECT count(*) FROM kesp_post_history WHERE operation_code='c_k'"); }
// Everything an adjustment may touch, to prove that a failed one changed nothing.
QString snapshot() {
    QStringList parts;
    const QString rowid = DataConnect1::rowIdColumn();
    for (const QString& sql : {"SELECT " + TestDb::joined("qty") + " FROM (SELECT qty FROM kesp_inv_detail_tree ORDER BY ID) AS t",
                               QString("SELECT count(*) FROM kesp_post_history"),
                               "SELECT " + TestDb::joined("coalesce(CAST(qty AS TEXT),'-') || coalesce(order_no,'') || remaind_qty") +
                                   " FROM (SELECT * FROM kesp_check_temp ORDER BY " + rowid + ") AS t",
                               QString("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'")})
        parts << Sql::scalar(sql).toString();
    return parts.join('|');
}

void typeInto(LookupField* f, const QString& text) {
    f->setFocus();
    f->lineEdit()->selectAll();
    if (text.isEmpty()) QTest::keyClick(f->lineEdit(), Qt::Key_Backspace);
    else QTest::keyClicks(f->lineEdit(), text);
}

void showActive(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Types into a cell as a clerk does: the first key opens the editor, Enter ends it (unless the
// clerk goes straight to a button).
void typeCell(DataGrid* g, int row, int column, const QString& text, bool enter = true) {
    QTableView* v = g->view();
    v->setFocus();
    v->setCurrentIndex(g->model()->index(row, column));
    QTest::keyClick(v, text.at(0).toLatin1());
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != v);
    QTest::keyClicks(editor, text.mid(1));
    if (!enter) return;
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor hands its text over after the key
}

void clickCheck(DataGrid* g, int row) {
    QTableView* v = g->view();
    const QModelIndex i = g->model()->index(row, CheckColumn);
    v->scrollTo(i);
    QStyleOptionViewItem opt;
    opt.initFrom(v);
    opt.rect = v->visualRect(i);
    opt.features = QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = v->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, v);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, box.center());
}

void leaveRow(DataGrid* g) {
    g->view()->setFocus();
    QTest::keyClick(g->view(), g->currentRow() + 1 < g->rowCount() ? Qt::Key_Down : Qt::Key_Up);
}

// Opens the count window as the current user on a warehouse that user has sealed, and loads it.
void loadCount(FF20_form& f, const QString& wh) {
    typeInto(f.warehouse_a, wh);
    f.BitBtn1->click();
}
// A database with the stock above, W01 sealed by the current user and its count window loaded.
struct Counting {
    TestDb db;
    ScriptedSeam seam;
    std::unique_ptr<FF20_form> form;
    explicit Counting(const QString& counterValue = {}) {
        seedStock();
        if (!counterValue.isEmpty())
            Sql::run("UPDATE kesp_system_data SET sys_value=? WHERE sys_name='order_no'", {counterValue});
        Stocktake::seal("W01");
        form = std::make_unique<FF20_form>();
        showActive(*form);
        loadCount(*form, "W01");
    }
};
} // namespace

class TstStocktake : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void sealWindowAndEntryScreens();
    void countWindowLoadsOnlyOwnSeals();
    void gridEditingAndOrderNumbers();
    void numbersOnlyInTheCountCell();
    void requeryAndClosingDiscard();
    void adjustPostsCountedApprovedRows();
    void adjustRecordsWhatItOverwrote();
    void failedAdjustChangesNothing();
    void twoUsersCountAtOnce();
    void approveAllAndFillWithBook();
    void tabThenFillLeavesApprovalAlone();
    void numbersStayUniqueBesideAnotherCopy();
    void stocktakeQuery();
};

void TstStocktake::sealWindowAndEntryScreens() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    {
        FF10_form f;
        showActive(f);
        QVERIFY(!f.isSealedState());
        f.BitBtn1->click(); // nothing chosen
        QCOMPARE(seam.shown, QStringList{"请选择仓库."});
        typeInto(f.warehouse_a, "NOPE");
        f.BitBtn1->click();
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_set"), 0);
        seam.reset();
        typeInto(f.warehouse_a, "W01");
        QCOMPARE(f.warehouse_name_a->text(), QString("一号仓库"));
        f.BitBtn1->click();
        QCOMPARE(seam.shown, QStringList{"封帐成功！"});
        QCOMPARE(seam.kinds, QStringList{"confirm"});
        QVERIFY(f.isSealedState() && !f.warehouse_a->isEnabled());
        f.close(); // closing keeps the seal
    }
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("Y"));
    QCOMPARE(TestDb::value("SELECT warehouse_name FROM kesp_check_set WHERE login_id='abc'").toString(),
             QString("一号仓库"));

    // The entry screens refuse the warehouse for its user only.
    seam.reset();
    {
        TCC10_form in;
        showActive(in);
        typeInto(in.warehouse_a, "W01");
        if (in.warehouse_a->completer()->popup()->isVisible())
            QTest::keyClick(in.warehouse_a->completer()->popup(), Qt::Key_Escape);
        Clerk::tabOut(in.warehouse_a); // a typed code is checked when the field is left
        Clerk::settle();
        QCOMPARE(seam.shown, QStringList{"仓库已经封帐！"});
        QVERIFY(in.warehouse_a->text().isEmpty());
    }
    {
        // Tab pressed while the suggestions still show: the list gets the key, the field is left.
        seam.reset();
        TCC10_form in;
        showActive(in);
        Clerk::clickInto(in.warehouse_a);
        QVERIFY(in.warehouse_a->hasFocus());
        Clerk::type(in.warehouse_a->lineEdit(), "W01");
        QWidget* list = in.warehouse_a->completer()->popup();
        QVERIFY(list->isVisible());
        QTest::keyClick(list, Qt::Key_Tab);
        Clerk::settle();
        QVERIFY(!in.warehouse_a->hasFocus());
        QCOMPARE(seam.shown, QStringList{"仓库已经封帐！"});
        QVERIFY(in.warehouse_a->text().isEmpty());
    }
    Session::setUserCode("xyz");
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("N"));
    seam.reset();
    {
        TCC10_form in;
        showActive(in);
        typeInto(in.warehouse_a, "W01");
        if (in.warehouse_a->completer()->popup()->isVisible())
            QTest::keyClick(in.warehouse_a->completer()->popup(), Qt::Key_Escape);
        Clerk::tabOut(in.warehouse_a);
        Clerk::settle();
        QVERIFY(seam.shown.isEmpty());
        QCOMPARE(in.warehouse_name_a->text(), QString("一号仓库"));
    }
    Session::setUserCode("abc");

    // Reopened: the standing seal is shown; Esc lifts it; another warehouse can then be sealed.
    FF10_form f;
    showActive(f);
    QCOMPARE(f.warehouse_a->text(), QString("W01"));
    QCOMPARE(f.warehouse_name_a->text(), QString("一号仓库"));
    QVERIFY(f.isSealedState());
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(f.isVisible());
    QVERIFY(!f.isSealedState());
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("N"));
    // The clerk types the next warehouse straight away, over the old code, and presses Enter.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.warehouse_a));
    QTest::keyClicks(QApplication::focusWidget(), "w02"); // small letters: the seal keeps the list's code
    QCOMPARE(f.warehouse_name_a->text(), QString("二号仓库"));
    f.BitBtn1->click();
    QCOMPARE(DataConnect1::IsWarehouseSealed("W02"), QString("Y"));
    QCOMPARE(TestDb::value("SELECT " + TestDb::joined("warehouse") + " FROM kesp_check_set WHERE login_id='abc'").toString(),
             QString("W02"));
}

void TstStocktake::countWindowLoadsOnlyOwnSeals() {
    TestDb db;
    seedStock();
    ScriptedSeam seam;
    QCOMPARE(Stocktake::seal("W01"), Stocktake::SealResult::Sealed);
    QCOMPARE(Stocktake::seal("W02"), Stocktake::SealResult::AlreadySealed); // one seal per user
    Session::setUserCode("xyz");
    QCOMPARE(Stocktake::seal("W02"), Stocktake::SealResult::Sealed);
    Session::setUserCode("abc");

    FF20_form f;
    showActive(f);
    QCOMPARE(f.procure_date_a->dateText(), QDate::currentDate().toString("yyyy/MM/dd"));
    f.warehouse_a->setFocus();
    QCOMPARE(f.warehouse_a->listRowCount(), 1); // only this user's seal
    // Another user's sealed warehouse typed in: refused, nothing loaded.
    loadCount(f, "W02");
    QCOMPARE(seam.shown.size(), 1);
    QCOMPARE(countRows("abc"), 0);
    QCOMPARE(f.DBGrid1->rowCount(), 0);

    loadCount(f, "W01");
    QCOMPARE(f.warehouse_name_a->text(), QString("一号仓库"));
    QCOMPARE(f.DBGrid1->rowCount(), 4);
    QCOMPARE(countRows("abc"), 4);
    QCOMPARE(f.DBGrid1->value(0, "size_name").toString(), QString("L码")); // sorted by size name
    QCOMPARE(f.DBGrid1->footerText("remaind_qty"), QString("17"));
    QVERIFY(TestDb::value("SELECT qty FROM kesp_check_temp WHERE login_id='abc' LIMIT 1").isNull());

    // The first-item list: items of the category with a balance row in the warehouse.
    typeInto(f.arrage_code_b_a, "B1");
    QCOMPARE(f.arrage_name_b_a->text(), QString("上衣"));
    f.item_code_a->setFocus();
    QCOMPARE(f.item_code_a->listRowCount(), 2); // I001, I003 (I002 is in B2)
    QCOMPARE(f.item_code_b->listRowCount(), 2);
    typeInto(f.item_code_a, "I003");
    QCOMPARE(f.item_code_b->text(), QString("I003")); // the first code is copied into the last
    QCOMPARE(f.item_name_a->text(), QString("短袖T恤"));
    QCOMPARE(f.item_name_b->text(), QString("短袖T恤"));
    typeInto(f.item_code_a, "I001");
    typeInto(f.item_code_b, "I003");
    f.BitBtn1->click();
    QCOMPARE(f.DBGrid1->rowCount(), 3); // B1 rows between I001 and I003
    // A big category changed by hand empties the small category and the items.
    typeInto(f.arrage_code_b_a, "B2");
    QVERIFY(f.item_code_a->text().isEmpty() && f.item_code_b->text().isEmpty() && f.item_name_a->text().isEmpty());
    // No warehouse: the user's rows are discarded and nothing is loaded.
    typeInto(f.warehouse_a, "");
    f.BitBtn1->click();
    QCOMPARE(countRows("abc"), 0);
    QCOMPARE(f.DBGrid1->rowCount(), 0);
}

void TstStocktake::gridEditingAndOrderNumbers() {
    Counting c("0000000041");
    FF20_form& f = *c.form;
    DataGrid* g = f.DBGrid1;

    // A typed count is kept in the row and written when the row is left.
    typeCell(g, 0, QtyColumn, "2.5");
    QCOMPARE(g->value(0, "qty").toDouble(), 2.5);
    QCOMPARE(g->footerText("qty"), QString("2.5")); // the sum follows the cell, not the row
    QCOMPARE(f.editedRow(), 0);
    QVERIFY(TestDb::value("SELECT qty FROM kesp_check_temp WHERE item_code='I002'").isNull());
    leaveRow(g);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_check_temp WHERE item_code='I002'").toDouble(), 2.5);
    QCOMPARE(g->footerText("qty"), QString("2.5"));

    // Three approvals take three consecutive numbers, in the order the boxes were first changed.
    clickCheck(g, 2);
    clickCheck(g, 0);
    clickCheck(g, 1);
    QCOMPARE(g->value(2, "order_no").toString(), QString("0000000041"));
    QCOMPARE(g->value(0, "order_no").toString(), QString("0000000042"));
    QCOMPARE(g->value(1, "order_no").toString(), QString("0000000043"));
    QCOMPARE(counter(), QString("0000000044"));
    QVERIFY(g->value(1, "check_flag").toBool());
    // Untick and tick again: the row keeps its one number.
    clickCheck(g, 1);
    QVERIFY(!g->value(1, "check_flag").toBool());
    clickCheck(g, 1);
    QVERIFY(g->value(1, "check_flag").toBool());
    QCOMPARE(g->value(1, "order_no").toString(), QString("0000000043"));
    QCOMPARE(counter(), QString("0000000044"));
    // The number is stored with the row at once; the approval when the row is left.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE order_no IS NOT NULL"), 3);
    QVERIFY(c.seam.shown.isEmpty());
}

void TstStocktake::numbersOnlyInTheCountCell() {
    Counting c;
    DataGrid* g = c.form->DBGrid1;
    typeCell(g, 0, QtyColumn, "1x2.34567");
    QCOMPARE(g->value(0, "qty").toDouble(), 12.345); // letters refused, three decimals at most
    typeCell(g, 1, QtyColumn, "12345678901");
    QCOMPARE(g->value(1, "qty").toDouble(), 123456789.0); // nine digits before the point
    typeCell(g, 2, QtyColumn, "-4");
    QCOMPARE(g->value(2, "qty").toDouble(), -4.0);
    // Every other column is read-only.
    g->view()->setCurrentIndex(g->model()->index(3, 7));
    QTest::keyClick(g->view(), '9');
    QCOMPARE(g->value(3, "remaind_qty").toDouble(), 7.0);
    QCOMPARE(QApplication::focusWidget(), g->view());
    // The core refuses what the grid never lets through.
    QVERIFY_THROWS_EXCEPTION(DbError, Stocktake::saveRow(g->value(0, "rid"), 1e10, false));
}

void TstStocktake::requeryAndClosingDiscard() {
    TestDb db;
    seedStock();
    ScriptedSeam seam;
    Stocktake::seal("W01");
    {
        FF20_form f;
        showActive(f);
        loadCount(f, "W01");
        typeCell(f.DBGrid1, 0, QtyColumn, "9");
        clickCheck(f.DBGrid1, 1);
        leaveRow(f.DBGrid1);
        // A second "查询" discards every count and approval.
        f.BitBtn1->click();
        QCOMPARE(f.DBGrid1->rowCount(), 4);
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE qty IS NOT NULL OR check_flag"), 0);
        // "关闭" with a row being edited asks; No keeps the window and the rows.
        typeCell(f.DBGrid1, 0, QtyColumn, "3");
        f.BitBtn3->click();
        QCOMPARE(seam.shown, QStringList{"存在未调帐记录。确定关闭吗？"});
        QVERIFY(f.isVisible());
        QCOMPARE(countRows("abc"), 4);
        seam.answers = {true};
        f.BitBtn3->click();
        QVERIFY(!f.isVisible());
        QCOMPARE(countRows("abc"), 0);
    }
    {
        // No edit pending: "关闭" closes without asking, and the rows go.
        FF20_form f;
        showActive(f);
        loadCount(f, "W01");
        seam.reset();
        f.BitBtn3->click();
        QVERIFY(seam.shown.isEmpty());
        QCOMPARE(countRows("abc"), 0);
        // Closed from the title bar.
        f.show();
        loadCount(f, "W01");
        f.close();
        QCOMPARE(countRows("abc"), 0);
        f.show();
        loadCount(f, "W01");
    }
    // Destroyed while open: the rows go too.
    QCOMPARE(countRows("abc"), 0);
}

void TstStocktake::adjustPostsCountedApprovedRows() {
    TestDb db;
    seedStock();
    ScriptedSeam seam;
    Stocktake::seal("W01");
    FF20_form f;
    showActive(f);
    // No rows: the question first, then "不存在调帐记录".
    seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(seam.shown, (QStringList{"确定进行盘点调帐？", "不存在调帐记录"}));
    loadCount(f, "W01");
    DataGrid* g = f.DBGrid1;
    typeCell(g, 0, QtyColumn, "2");  // I002/Z3: equal to the book quantity, approved
    clickCheck(g, 0);
    typeCell(g, 1, QtyColumn, "10"); // I001/Z2: counted, not approved
    clickCheck(g, 3);                // I003/Z1: approved, not counted
    typeCell(g, 2, QtyColumn, "4");  // I001/Z1: counted and approved, still being edited
    clickCheck(g, 2);
    f.procure_date_a->setDate(QDate(2026, 12, 1));

    seam.reset();
    f.BitBtn2->click(); // declined
    QCOMPARE(historyRows(), 0);
    QCOMPARE(countRows("abc"), 4);
    seam.reset();
    seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(seam.shown, (QStringList{"确定进行盘点调帐？", "完成调帐！"}));
    QCOMPARE(historyRows(), 2);
    QCOMPARE(book("W01", "I002", "Z3"), 2.0);
    QCOMPARE(book("W01", "I001", "Z1"), 4.0);
    QCOMPARE(book("W01", "I001", "Z2"), 3.0); // not approved: untouched
    QCOMPARE(book("W01", "I003", "Z1"), 7.0); // not counted: untouched
    QCOMPARE(book("W02", "I001", "Z1"), 9.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE item_code='I002' AND qty=2 AND "
                           "remaind_qty=2 AND procure_date='2026/12/01' AND login_id='abc' AND warehouse='W01' AND "
                           "warehouse_name='一号仓库' AND size_name='L码' AND order_no IS NOT NULL AND bill_no IS NULL"),
             1);
    QCOMPARE(TestDb::value("SELECT operation_date FROM kesp_post_history WHERE item_code='I001'").toString(),
             QDate::currentDate().toString("yyyy/MM/dd"));
    QCOMPARE(countRows("abc"), 0);
    QCOMPARE(g->rowCount(), 0);
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("Y")); // the seal stays

    // Rows loaded but none both counted and approved: nothing posted, nothing dropped.
    loadCount(f, "W01");
    typeCell(g, 0, QtyColumn, "1");
    leaveRow(g);
    seam.reset();
    seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(seam.shown.last(), QString("不存在调帐记录"));
    QCOMPARE(historyRows(), 2);
    QCOMPARE(countRows("abc"), 4);
}

void TstStocktake::adjustRecordsWhatItOverwrote() {
    Counting c;
    FF20_form& f = *c.form;
    clickCheck(f.DBGrid1, 2);
    typeCell(f.DBGrid1, 2, QtyColumn, "6", false); // I001/Z1, book 5 at loading; editor still open
    // Another clerk receives 3 pieces into the same stock row before the adjustment.
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=qty+3 WHERE warehouse='W01' AND item_code='I001' AND size_code='Z1'");
    c.seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(book("W01", "I001", "Z1"), 6.0);
    QCOMPARE(TestDb::value("SELECT remaind_qty FROM kesp_post_history WHERE operation_code='c_k'").toDouble(), 8.0);

    FF30_form q;
    typeInto(q.filters->warehouse_a, "W01");
    q.Cmd_Query->click();
    QCOMPARE(q.DBGrid1->rowCount(), 1);
    QCOMPARE(q.DBGrid1->value(0, "remaind_qty").toDouble(), 8.0);
    QCOMPARE(q.DBGrid1->value(0, "qty").toDouble(), 6.0);
}

void TstStocktake::failedAdjustChangesNothing() {
    Counting c;
    FF20_form& f = *c.form;
    ScriptedSeam& seam = c.seam;
    for (int r = 0; r < 4; ++r) typeCell(f.DBGrid1, r, QtyColumn, QString::number(r + 1));
    clickCheck(f.DBGrid1, 0);
    clickCheck(f.DBGrid1, 3);
    leaveRow(f.DBGrid1);
    const QString before = snapshot();
    for (int step = 1; step <= 4; ++step) {
        Stocktake::afterStatement = [step](int s) {
            if (s == step) throw DbError(QStringLiteral("磁盘已满"));
        };
        seam.reset();
        seam.answers = {true};
        f.BitBtn2->click();
        QCOMPARE(seam.shown, (QStringList{"确定进行盘点调帐？", "磁盘已满"}));
        QCOMPARE(seam.kinds.last(), QString("error"));
        QCOMPARE(snapshot(), before);
        QCOMPARE(f.DBGrid1->rowCount(), 4);
    }
    Stocktake::afterStatement = nullptr;
    // The seal lifted in another window meanwhile: the counts overwrite nothing.
    Sql::run("DELETE FROM kesp_check_set WHERE warehouse='W01'");
    seam.reset();
    seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(seam.shown, (QStringList{"确定进行盘点调帐？", "仓库未封帐，不能调帐！"}));
    QCOMPARE(snapshot(), before);
    Stocktake::seal("W01");
    seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(historyRows(), 2);
}

void TstStocktake::twoUsersCountAtOnce() {
    TestDb db;
    seedStock();
    ScriptedSeam seam;
    Stocktake::seal("W01");
    Stocktake::load({"W01"});
    Session::setUserCode("xyz");
    Stocktake::seal("W02");
    Stocktake::load({"W02"});
    QCOMPARE(Stocktake::rowCount(), 1);
    {
        FF20_form f; // xyz's window shows xyz's row only, and closing it leaves abc's rows
        showActive(f);
        loadCount(f, "W02");
        QCOMPARE(f.DBGrid1->rowCount(), 1);
        typeCell(f.DBGrid1, 0, QtyColumn, "1");
        clickCheck(f.DBGrid1, 0);
        seam.answers = {true};
        f.BitBtn2->click();
    }
    QCOMPARE(countRows("abc"), 4);
    QCOMPARE(countRows("xyz"), 0);
    QCOMPARE(book("W02", "I001", "Z1"), 1.0);
    QCOMPARE(book("W01", "I001", "Z1"), 5.0);
    Session::setUserCode("abc");
    QCOMPARE(Stocktake::rowCount(), 4);
    QVERIFY_THROWS_EXCEPTION(DbError, Stocktake::takeOrderNumber(QVariant(999))); // not this user's row
    QCOMPARE(counter(), QString("0000000002"));
}

// A count typed and left with Tab (the cursor on the approval cell), then "按原数量填入": the
// approval stays as the clerk left it.
void TstStocktake::tabThenFillLeavesApprovalAlone() {
    Counting c;
    FF20_form& f = *c.form;
    DataGrid* g = f.DBGrid1;
    typeCell(g, 0, QtyColumn, "5", false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QApplication::processEvents();
    QTest::mouseClick(f.BitBtn4, Qt::LeftButton);
    QApplication::processEvents();
    QVERIFY(!g->value(0, "check_flag").toBool());
    QCOMPARE(g->value(0, "qty").toDouble(), 5.0);
}

void TstStocktake::approveAllAndFillWithBook() {
    Counting c("7");
    FF20_form& f = *c.form;
    DataGrid* g = f.DBGrid1;
    typeCell(g, 3, QtyColumn, "1"); // I003/Z1 counted and approved by hand first: number 7
    clickCheck(g, 3);
    typeCell(g, 1, QtyColumn, "8"); // I001/Z2 counted, still being edited
    f.ApproveAll->trigger();
    // Counted rows approved; the one without a number took the next, nothing else did.
    QCOMPARE(g->value(1, "order_no").toString(), QString("0000000008"));
    QVERIFY(g->value(1, "check_flag").toBool() && g->value(3, "check_flag").toBool());
    QVERIFY(!g->value(0, "check_flag").toBool() && g->value(0, "order_no").isNull());
    QCOMPARE(counter(), QString("0000000009"));
    // Fill the rest with the book quantities, approve them all: consecutive numbers in grid order.
    // The buttons do what the context menu does.
    QTest::mouseClick(f.BitBtn4, Qt::LeftButton);
    QCOMPARE(g->value(0, "qty").toDouble(), 2.0);
    QCOMPARE(g->value(1, "qty").toDouble(), 8.0); // typed counts stay
    QCOMPARE(g->footerText("qty"), QString("16"));
    QTest::mouseClick(f.BitBtn5, Qt::LeftButton);
    QCOMPARE(g->value(0, "order_no").toString(), QString("0000000009"));
    QCOMPARE(g->value(2, "order_no").toString(), QString("0000000010"));
    QCOMPARE(g->value(3, "order_no").toString(), QString("7"));
    QCOMPARE(counter(), QString("0000000011"));
    c.seam.answers = {true};
    f.BitBtn2->click();
    QCOMPARE(historyRows(), 4);
    QCOMPARE(TestDb::count("SELECT count(DISTINCT order_no) FROM kesp_post_history"), 4);
    QCOMPARE(book("W01", "I001", "Z2"), 8.0);
}

void TstStocktake::numbersStayUniqueBesideAnotherCopy() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<299) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', '一号仓库', 'I001', 'A' || i, 'Z1', 'G1', i FROM c");
    Stocktake::seal("W01");
    QCOMPARE(Stocktake::load({"W01"}), 300);
    // Another running copy stages lines, each taking a number, while this one approves rows.
    QProcess other;
    other.start(ORDER_WORKER, {db.path(), "xyz", "300"});
    QVERIFY(other.waitForStarted());
    QSqlQuery rows = Sql::run(QString("SELECT %1 FROM kesp_check_temp ORDER BY %1 LIMIT 150").arg(DataConnect1::rowIdColumn()));
    QVariantList ids;
    while (rows.next()) ids << rows.value(0);
    rows.finish();
    for (const QVariant& id : ids) Stocktake::takeOrderNumber(id);
    QCOMPARE(Stocktake::fillWithBook(), 300);
    QCOMPARE(Stocktake::approveAll(), 150);
    QVERIFY(other.waitForFinished(120000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(TestDb::count("SELECT count(DISTINCT order_no) FROM (SELECT order_no FROM kesp_post_temp_a "
                           "UNION ALL SELECT order_no FROM kesp_check_temp) AS t"),
             600);
    QCOMPARE(counter(), QString("0000000601"));
}

void TstStocktake::stocktakeQuery() {
    TestDb db;
    seedStock();
    ScriptedSeam seam;
    const auto adjustment = [](const QString& item, const QString& size, double before, double after,
                               const QString& date, const QString& wh = "W01") {
        Sql::run("INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,qty,remaind_qty,"
                 "operation_code,warehouse,warehouse_name,procure_date,login_id) VALUES (?,?,'A1',?,'G1',?,?,'c_k',?,?,?,'abc')",
                 {item + date, item, size, after, before, wh, wh, date});
    };
    const QString today = QDate::currentDate().toString("yyyy/MM/dd");
    adjustment("I001", "Z1", 5, 4, today);
    adjustment("I001", "Z1", 4, 6, "2026/01/05"); // the same stock row counted again earlier
    adjustment("I003", "Z1", 7, 7, today);
    adjustment("I002", "Z3", 2, 1, today);
    adjustment("I001", "Z1", 9, 1, today, "W02");
    Sql::run("INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,qty,operation_code,"
             "warehouse,procure_date) VALUES ('x','I001','A1','Z1','G1',50,'in1','W01',?)",
             {today});

    FF30_form f;
    showActive(f);
    QVERIFY(f.Cmd_group == nullptr);
    QCOMPARE(f.procure_date_a->dateText(), today);
    QCOMPARE(f.Procure_date_b->dateText(), today);
    f.Cmd_Query->click();
    QCOMPARE(seam.shown, QStringList{"请选择仓库."});
    typeInto(f.filters->warehouse_a, "W01");
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 3); // today's adjustments of W01 only, no stock-in
    QCOMPARE(f.DBGrid1->footerText("remaind_qty"), QString("14"));
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("12"));
    QCOMPARE(f.DBGrid1->value(0, "item_code").toString(), QString("I001"));

    // The first date is copied into the second; the second alone keeps the first.
    f.procure_date_a->setDate(QDate(2026, 1, 1));
    QCOMPARE(f.Procure_date_b->dateText(), QString("2026/01/01"));
    f.Procure_date_b->setDate(QDate::currentDate());
    QCOMPARE(f.procure_date_a->dateText(), QString("2026/01/01"));
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 4); // both counts of I001/Z1
    f.procure_date_a->setDate(QDate::currentDate().addDays(1));
    f.Procure_date_b->setDate(QDate::currentDate());
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 0); // first date after the second

    // An item narrows through the categories it fills in: I001 gives every B1/S1 adjustment.
    f.procure_date_a->setDate(QDate::currentDate());
    f.filters->item_code_a->setFocus();
    typeInto(f.filters->item_code_a, "I001");
    QCOMPARE(f.filters->arrage_code_b_a->text(), QString("B1"));
    QCOMPARE(f.filters->arrage_code_s_a->text(), QString("S1"));
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    QCOMPARE(f.DBGrid1->value(0, "item_name").toString(), QString("男式衬衫"));
}

QTEST_MAIN(TstStocktake)
#include "tst_stocktake.moc"
