// Every lookup field of every built window, picked as a clerk does: by mouse in the open list, by
// the keyboard in the open list, and from the completer's suggestions. The pick must stay in the
// field, keep its row, and survive leaving the field. Windows added later join the table below.
#include "fields/lookupfield.h"
#include "closing/periods.h"
#include "data/sql.h"
#include "masterdata/BB10_Unit.h"
#include "movements/CC10_Unit.h"
#include "movements/CC20_Unit.h"
#include "movements/CC30_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/DD20_Unit.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/EE20_Unit.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/query_builders.h"
#include "stocktake/FF10_unit.h"
#include "stocktake/FF20_unit.h"
#include "stocktake/FF30_Unit.h"
#include "stocktake/stocktake.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStyleHints>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>

namespace {
LookupField* field(QWidget* w, const QString& name) { return w->findChild<LookupField*>(name); }

struct WindowFields {
    QString name;
    std::function<QDialog*()> make;
    QStringList fields;
    // What the clerk has chosen before reaching the field (a warehouse, a big category).
    std::function<void(QDialog*, const QString& field)> prepare = [](QDialog*, const QString&) {};
    // The row to pick where the second row is not the telling one.
    std::function<int(const QString& field)> row = [](const QString&) { return 1; };
    // What the database holds beyond the masters and the posted stock-in bills.
    std::function<void()> seed = [] {};
};

const QStringList filterFields = {"warehouse_a", "arrage_code_b_a", "arrage_code_s_a", "item_code_a",
                                  "attr_code_a", "size_code_a",     "stage_code_a"};

void bigFirst(QDialog* w, const QString& f, const QString& smallName, const QString& bigName) {
    if (f == smallName) field(w, bigName)->setText("B1"); // small categories S1 and S3
}

const auto defaultRow = [](const QString&) { return 1; };
const auto third = [](const QString& f) { return f == "item_code_a" ? 2 : 1; }; // the third row of I001

// A reversal lists the lines of the chosen bill: R1 (stock-in) and D1 (stock-out) each hold two
// lines of I001, which share the item code.
void billFirst(QDialog* w, const QString& f, const QString& bill) {
    if (f == "item_code_a") field(w, "bill_no_a")->setText(bill);
}

void closedMonth() {
    Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag) VALUES ('202611','2026','11','N')");
    Periods::close("202611", QDate(2026, 12, 9));
}

const QList<WindowFields>& windows() {
    static const QList<WindowFields> all = {
        {"TCC10_form", [] { return new TCC10_form; },
         {"operation_code_a", "warehouse_a", "vendor_a", "arrage_code_b_a", "arrage_code_s_a", "item_code_a",
          "attr_code_a", "size_code_a", "stage_code_a"},
         [](QDialog* w, const QString& f) { bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a"); }},
        {"TDD10_form", [] { return new TDD10_form; },
         {"operation_code_a", "warehouse_a", "customer_a", "arrage_code_b_a", "arrage_code_s_a", "item_code_a"},
         [](QDialog* w, const QString& f) {
             if (f.startsWith("arrage") || f == "item_code_a") field(w, "warehouse_a")->setText("W01");
             bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a");
         },
         third},
        {"TEE10_form", [] { return new TEE10_form; }, filterFields,
         [](QDialog* w, const QString& f) { bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a"); }},
        {"TCC40_form", [] { return new TCC40_form; },
         filterFields + QStringList{"operation_code_a", "vendor_a", "bill_no_a", "bill_no_b"},
         [](QDialog* w, const QString& f) { bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a"); }},
        {"TDD30_form", [] { return new TDD30_form; }, {"operation_code_a", "customer_a", "arrage_code_s_a"},
         [](QDialog* w, const QString& f) { bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a"); }},
        {"TBB10_form", [] { return new TBB10_form; },
         {"Unit_code_a", "arrage_code_b_a", "arrage_code_s_a", "F1", "F2", "F3", "F4"},
         [](QDialog* w, const QString& f) {
             bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a");
             bigFirst(w, f, "F2", "F1");
         }},
        {"TCC20_form", [] { return new TCC20_form; }, {"bill_no_a", "item_code_a"},
         [](QDialog* w, const QString& f) { billFirst(w, f, "R1"); }},
        {"TDD20_form", [] { return new TDD20_form; }, {"bill_no_a", "item_code_a"},
         [](QDialog* w, const QString& f) { billFirst(w, f, "D1"); }, defaultRow, [] { TestDb::seedIssue(); }},
        {"CC30_form", [] { return new CC30_form; },
         {"warehouse_a", "warehouse_b", "arrage_code_b_a", "arrage_code_s_a", "item_code_a"},
         [](QDialog* w, const QString& f) {
             if (f.startsWith("arrage") || f == "item_code_a") { // receiving W02, issuing W01
                 field(w, "warehouse_a")->setText("W02");
                 field(w, "warehouse_b")->setText("W01");
             }
             bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a");
         },
         third},
        {"FF10_form", [] { return new FF10_form; }, {"warehouse_a"}},
        {"FF20_form", [] { return new FF20_form; },
         {"warehouse_a", "arrage_code_b_a", "arrage_code_s_a", "item_code_a", "item_code_b"},
         [](QDialog* w, const QString& f) {
             if (f != "warehouse_a") field(w, "warehouse_a")->setText("W01");
             bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a");
         },
         [](const QString& f) { return f == "warehouse_a" ? 0 : 1; }, // only W01 is sealed
         [] { Stocktake::seal("W01"); }},
        {"FF30_form", [] { return new FF30_form; }, filterFields,
         [](QDialog* w, const QString& f) { bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a"); }},
        {"TEE20_form", [] { return new TEE20_form; }, filterFields + QStringList{"save_code_a"},
         [](QDialog* w, const QString& f) { bigFirst(w, f, "arrage_code_s_a", "arrage_code_b_a"); },
         [](const QString& f) { return f == "save_code_a" ? 0 : 1; }, closedMonth},
        {"Group_Grid_form",
         [] { // the summary of a stock query by size and name: the range lists the sizes
             QueryBuilders::refillWorkTable(QueryBuilders::stockQuery({{"warehouse", "W01"}}));
             auto* g = new Group_Grid_form;
             g->prepare("尺寸", "名称");
             return g;
         },
         {"col_code_a", "col_code_b"}},
    };
    return all;
}

// Shows the tab page that holds the field.
void reveal(QWidget* f) {
    for (QWidget* p = f->parentWidget(); p; p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p))
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(f)) tabs->setCurrentIndex(i);
}
} // namespace

class TstPicks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(40); }
    void everyListPick_data();
    void everyListPick();
    void largeStockRowList_data();
    void largeStockRowList();
};

void TstPicks::everyListPick_data() {
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("how");
    for (int w = 0; w < windows().size(); ++w)
        for (const QString& f : windows()[w].fields)
            for (const char* how : {"mouse", "keys", "completer"})
                QTest::addRow("%s/%s/%s", qPrintable(windows()[w].name), qPrintable(f), how) << w << f << QString(how);
}

void TstPicks::everyListPick() {
    QFETCH(int, window);
    QFETCH(QString, name);
    QFETCH(QString, how);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    const WindowFields& win = windows()[window];
    win.seed();
    ScriptedSeam seam;
    std::unique_ptr<QDialog> w(win.make());
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    LookupField* f = field(w.get(), name);
    QVERIFY2(f, "the field exists");
    reveal(f);
    win.prepare(w.get(), name);
    Clerk::clickInto(f); // lists that follow other fields are built on entering
    QVERIFY2(f->hasFocus(), "the field takes the focus");
    const int row = std::min(win.row(name), f->listRowCount() - 1);
    QVERIFY2(row >= 0, "the list has rows");
    const QString code = Clerk::rowCode(f, row);
    // The picked row is known by its key: a list read by prefix is read again for the picked text.
    const QVariant key = f->keyOf(row);

    bool done = false;
    if (how == "mouse") done = Clerk::pickByMouse(f, row);
    else if (how == "keys") done = Clerk::pickByKeys(f, row);
    else done = Clerk::pickByCompleter(f, row);
    QVERIFY2(done, "the list opened and closed on the pick");
    QCOMPARE(f->text(), code);
    QCOMPARE(f->pickedKey(), key);
    Clerk::tabOut(f);
    QCOMPARE(f->text(), code);
    QCOMPARE(f->pickedKey(), key);
    QVERIFY2(!seam.kinds.contains("error"), qPrintable(seam.shown.join('|')));
    if (name == "item_code_a" && (win.name == "TDD10_form" || win.name == "CC30_form")) {
        // The stock row itself, not the item's first.
        QCOMPARE(w->findChild<QLineEdit*>("ID_a")->text(), f->rowValue(f->pickedRow(), "ID").toString());
        QCOMPARE(f->rowValue(f->pickedRow(), "size_code").toString(), QString("Z3"));
        const QString shown = win.name == "CC30_form" ? w->findChild<QLineEdit*>("size_code_a")->text()
                                                       : static_cast<TDD10_form*>(w.get())->sizeCode();
        QCOMPARE(shown, QString("Z3"));
    }
    if (name == "item_code_a" && (win.name == "TCC20_form" || win.name == "TDD20_form")) {
        // A reversal line is the picked one of the lines sharing the code: its own size.
        QCOMPARE(w->findChild<QLineEdit*>("order_no_a")->text(), f->rowValue(f->pickedRow(), "order_no").toString());
        QCOMPARE(w->findChild<QLineEdit*>("size_code_a")->text(), f->rowValue(row, "size_code").toString());
    }
}

void TstPicks::largeStockRowList_data() {
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("how");
    for (int w = 0; w < windows().size(); ++w)
        if (windows()[w].name == "TDD10_form" || windows()[w].name == "CC30_form")
            for (const char* how : {"mouse", "suggestions"})
                QTest::addRow("%s/%s", qPrintable(windows()[w].name), how) << w << QString(how);
}

// A warehouse of more stock rows than a list reads at once: the first pick stays with its row
// (the list is not read again under it), and Down Down Enter in the suggestions takes the second.
void TstPicks::largeStockRowList() {
    QFETCH(int, window);
    QFETCH(QString, how);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    const QString n = "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<429) ";
    const QString code = TestDb::padded("K", "i", 3);
    Sql::run(n + "INSERT INTO kesp_item_master(item_code,item_name,arrage_code_b,arrage_name_b,arrage_code_s,"
                 "arrage_name_s) SELECT " + code + ",'K款','B1','上衣','S1','衬衫' FROM n");
    Sql::run(n + "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,"
                 "qty) SELECT 'W01','一号仓库'," + code + ",'A1','Z1','G1',1 FROM n");
    const WindowFields& win = windows()[window];
    ScriptedSeam seam;
    std::unique_ptr<QDialog> w(win.make());
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    LookupField* f = field(w.get(), "item_code_a");
    win.prepare(w.get(), "item_code_a");
    Clerk::clickInto(f);
    QVERIFY2(f->listRowCount() < 200, "the list is read by prefix");
    int row = 2;
    if (how == "mouse") {
        QVERIFY(Clerk::pickByMouse(f, row));
    } else {
        QTest::keyClicks(f, "K");
        Clerk::settle();
        QVERIFY(f->completer()->popup()->isVisible());
        for (const Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
            QTest::keyClick(f->completer()->popup(), k);
        Clerk::settle();
        QCOMPARE(f->text(), QString("K001"));
        row = f->findRow("item_code", "K001");
    }
    const int picked = f->pickedRow();
    QVERIFY(picked >= 0);
    QCOMPARE(f->rowValue(picked, "ID"), f->rowValue(row, "ID"));
    QCOMPARE(w->findChild<QLineEdit*>("ID_a")->text(), f->rowValue(picked, "ID").toString());
    QCOMPARE(field(w.get(), "arrage_code_s_a")->text(), QString("S1"));
    for (const char* box : {"item_name_a", "stage_name_a"})
        QVERIFY2(!w->findChild<QLineEdit*>(box)->text().isEmpty(), box);
}

QTEST_MAIN(TstPicks)
#include "tst_picks.moc"
