// The shared field widgets: lookup fields, the category cascade, the stock-row picker,
// the sealed-warehouse refusal and the numeric entry field.
#include "data/session.h"
#include "data/sql.h"
#include "fields/cascade.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QAbstractItemView>
#include <QCompleter>
#include <QMimeData>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {
// A screen with the fields of the stock-in (or stock-out) screen that take part in the cascade.
struct Screen {
    QWidget w;
    LookupField* warehouse = new LookupField(&w);
    NameBox* warehouseName = new NameBox(&w);
    LookupField* big = new LookupField(&w);
    NameBox* bigName = new NameBox(&w);
    LookupField* small = new LookupField(&w);
    NameBox* smallName = new NameBox(&w);
    LookupField* item = new LookupField(&w);
    NameBox *itemName = new NameBox(&w), *itemModel = new NameBox(&w), *itemSpec = new NameBox(&w);
    QLineEdit* flag = new QLineEdit(&w);
    LookupField* attr = new LookupField(&w);
    NameBox* attrName = new NameBox(&w);
    QLineEdit *id = new QLineEdit(&w), *attrCode = new QLineEdit(&w), *sizeCode = new QLineEdit(&w),
              *stageCode = new QLineEdit(&w);
    NameBox *attrName2 = new NameBox(&w), *sizeName = new NameBox(&w), *stageName = new NameBox(&w);
    NumericEdit* qty = new NumericEdit(&w);
    CategoryCascade* cascade = nullptr;

    explicit Screen(bool stock) {
        auto* lay = new QVBoxLayout(&w);
        for (QWidget* x : std::initializer_list<QWidget*>{warehouse, big, small, item, attr, qty}) lay->addWidget(x);
        flag->hide();
        warehouse->setListColumns({"warehouse", "warehouse_name"});
        warehouse->setList("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse");
        attr->setListColumns({"attr_code", "attr_name"});
        attr->setList("SELECT * FROM kesp_item_attr ORDER BY attr_code");
        bindNameBox(attr, attrName, "attr_name");
        CategoryCascade::Fields f{big, bigName, small, smallName, item, itemName, itemModel, itemSpec, flag};
        if (stock) {
            cascade = new CategoryCascade(&w, f,
                                          {warehouse, [this] { return warehouse->text(); }, id, attrCode, attrName2,
                                           sizeCode, sizeName, stageCode, stageName, qty});
            bindSealedWarehouse(warehouse, warehouseName);
        } else {
            cascade = new CategoryCascade(&w, f);
            cascade->openBigList();
        }
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    void enter(QWidget* field) {
        field->setFocus();
        QApplication::processEvents();
    }
};

void addBalance(const QString& wh, const QString& item, double qty, const QString& attr = "A1") {
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES (?,?,?,?,'Z1','G1',?)",
             {wh, wh + "名", item, attr, qty});
}
} // namespace

class TstFields : public QObject {
    Q_OBJECT
private slots:
    void itemWithoutCategoriesListsEveryItem();
    void screenSettingKeepsItemButTypingClears();
    void emptyingBigAlwaysClears();
    void smallListEmptyWithoutBig();
    void codeWithQuoteInListQueries();
    void stockRowGuard();
    void stockRowFill();
    void sealedWarehouseRefusedForItsUserOnly();
    void numericEntry_data();
    void numericEntry();
    void numericKeyFilter();
    void lookupNeverQueriesAndUnknownCodeGivesEmptyName();
    void typingOffersMatchingCodes();
    void largeStockRowListReadByPrefix();
    void stockRowKeptByIdThroughReentry();
    void sharedCodeTypedOffersItsRows();
    void lockedFieldIgnoresEveryDevice();
    void sealedCheckRunsOnCompleteCodes();
    void numericEveryPathIn_data();
    void numericEveryPathIn();
};

void TstFields::itemWithoutCategoriesListsEveryItem() {
    TestDb db;
    TestDb::seedMasters();
    Screen s(false);
    s.attr->setText("A2");
    s.enter(s.item);
    QCOMPARE(s.flag->text(), QString("C"));
    QCOMPARE(s.item->listRowCount(), 3);
    s.item->setCurrentIndex(s.item->findRow("item_code", "I003"));
    QCOMPARE(s.item->text(), QString("I003"));
    QCOMPARE(s.itemName->text(), QString("短袖T恤"));
    QCOMPARE(s.itemModel->text(), QString("T-3"));
    QCOMPARE(s.big->text(), QString("B1"));
    QCOMPARE(s.bigName->text(), QString("上衣"));
    QCOMPARE(s.small->text(), QString("S3"));
    QCOMPARE(s.smallName->text(), QString("T恤"));
    QCOMPARE(s.attr->text(), QString("A2")); // untouched
    QCOMPARE(s.attrName->text(), QString("蓝色"));
}

void TstFields::screenSettingKeepsItemButTypingClears() {
    TestDb db;
    TestDb::seedMasters();
    Screen s(false);
    s.enter(s.item);
    s.item->setText("I001");
    QCOMPARE(s.small->text(), QString("S1"));
    s.big->setText("B2"); // the screen's own setting with the flag at "C"
    QCOMPARE(s.item->text(), QString("I001"));
    QCOMPARE(s.small->text(), QString("S1"));
    s.enter(s.big);
    QCOMPARE(s.flag->text(), QString("A"));
    s.big->setText("B1"); // typed by the user in the field
    QVERIFY(s.small->text().isEmpty());
    QVERIFY(s.smallName->text().isEmpty());
    QVERIFY(s.item->text().isEmpty());
    QVERIFY(s.itemName->text().isEmpty() && s.itemModel->text().isEmpty() && s.itemSpec->text().isEmpty());
    // Small category typed after entering it clears the item only.
    s.enter(s.item);
    s.item->setText("I003");
    s.enter(s.small);
    QCOMPARE(s.small->listRowCount(), 2); // S1 and S3 under B1
    s.small->setText("S1");
    QVERIFY(s.item->text().isEmpty());
    QCOMPARE(s.big->text(), QString("B1"));
}

void TstFields::emptyingBigAlwaysClears() {
    TestDb db;
    TestDb::seedMasters();
    Screen s(false);
    s.enter(s.item);
    s.item->setText("I002");
    QCOMPARE(s.flag->text(), QString("C"));
    s.big->setText(QString());
    QVERIFY(s.bigName->text().isEmpty());
    QVERIFY(s.small->text().isEmpty());
    QVERIFY(s.item->text().isEmpty());
}

void TstFields::smallListEmptyWithoutBig() {
    TestDb db;
    TestDb::seedMasters();
    Screen s(false);
    s.enter(s.small);
    QCOMPARE(s.flag->text(), QString("B"));
    QCOMPARE(s.small->listRowCount(), 0);
    s.big->setText("B1");
    s.enter(s.item); // item list narrowed to the big category
    QCOMPARE(s.item->listRowCount(), 2);
}

void TstFields::codeWithQuoteInListQueries() {
    TestDb db;
    Sql::run("INSERT INTO kesp_item_arrage_b VALUES ('B''1','O''Neil',NULL)");
    Sql::run("INSERT INTO kesp_item_arrage_s VALUES ('S''1','小''类',NULL,'B''1')");
    Sql::run("INSERT INTO kesp_item_master(item_code,item_name,arrage_code_b,arrage_code_s) VALUES ('I''1','q','B''1','S''1')");
    Screen s(false);
    s.cascade->openBigList();
    s.enter(s.big);
    s.big->setText("B'1");
    QCOMPARE(s.bigName->text(), QString("O'Neil"));
    s.enter(s.small);
    QCOMPARE(s.small->listRowCount(), 1);
    s.small->setText("S'1");
    s.enter(s.item);
    QCOMPARE(s.item->listRowCount(), 1);
    s.item->setText("I'1");
    QCOMPARE(s.itemName->text(), QString("q"));
}

void TstFields::stockRowGuard() {
    TestDb db;
    TestDb::seedMasters();
    addBalance("W01", "I001", 10);
    Screen s(true);
    QCOMPARE(s.big->listRowCount(), 0); // not opened with the screen
    for (LookupField* f : {s.big, s.small, s.item}) {
        s.enter(f);
        QVERIFY2(s.warehouse->hasFocus(), "focus goes back to the warehouse");
        QCOMPARE(f->listRowCount(), 0);
    }
    QVERIFY(s.flag->text().isEmpty());
    s.warehouse->setText("W01");
    s.enter(s.big);
    QCOMPARE(s.flag->text(), QString("A"));
    QCOMPARE(s.big->listRowCount(), 2);
}

void TstFields::stockRowFill() {
    TestDb db;
    TestDb::seedMasters();
    addBalance("W01", "I001", 10);
    addBalance("W01", "I001", -2.5, "A2");
    addBalance("W01", "I002", 4);
    addBalance("W02", "I003", 7);
    Screen s(true);
    s.warehouse->setText("W01");
    s.enter(s.item);
    QCOMPARE(s.item->listRowCount(), 3); // every balance row of the warehouse
    s.item->setCurrentIndex(1);          // I001 / A2
    QCOMPARE(s.item->text(), QString("I001"));
    QCOMPARE(s.attrCode->text(), QString("A2"));
    QCOMPARE(s.attrName2->text(), QString("蓝色"));
    QCOMPARE(s.sizeCode->text(), QString("Z1"));
    QCOMPARE(s.stageName->text(), QString("一等品"));
    QCOMPARE(s.qty->text(), QString("-2.5"));
    QCOMPARE(s.itemName->text(), QString("男式衬衫"));
    QCOMPARE(s.big->text(), QString("B1"));
    QCOMPARE(s.small->text(), QString("S1"));
    QCOMPARE(s.smallName->text(), QString("衬衫"));
    QVERIFY(!s.id->text().isEmpty());
    s.item->setText(QString());
    QVERIFY(s.itemName->text().isEmpty() && s.attrCode->text().isEmpty() && s.stageName->text().isEmpty());
    QCOMPARE(s.big->text(), QString("B1"));
    QCOMPARE(s.qty->text(), QString("-2.5"));
}

void TstFields::sealedWarehouseRefusedForItsUserOnly() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    Sql::run("INSERT INTO kesp_check_set VALUES ('abc','W01','一号仓库','Y')");
    Session::setUserCode("abc");
    Screen s(true);
    s.warehouse->setText("W01");
    QCOMPARE(seam.shown, QStringList{"仓库已经封帐！"});
    QCOMPARE(seam.kinds, QStringList{"confirm"});
    QVERIFY(s.warehouse->text().isEmpty());
    QVERIFY(s.warehouseName->text().isEmpty());
    Session::setUserCode("other");
    s.warehouse->setText("W01");
    QCOMPARE(s.warehouseName->text(), QString("一号仓库"));
    QCOMPARE(seam.shown.size(), 1);
}

void TstFields::numericEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("three decimals") << "12.3456" << "12.346";
    QTest::newRow("integer") << "5" << "5.00";
    QTest::newRow("one decimal") << "0.5" << "0.50";
    QTest::newRow("two decimal points") << "1.2.3" << "0.00";
    QTest::newRow("trailing point") << "7." << "7.00";
}

void TstFields::numericEntry() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    NumericEdit e;
    QCOMPARE(e.text(), QString("0.00"));
    QCOMPARE(e.alignment() & Qt::AlignRight, Qt::AlignRight);
    e.setText(typed);
    e.reformat();
    QCOMPARE(e.text(), shown);
    e.clear();
    QCOMPARE(e.text(), QString("0.00")); // at once, not only when left
}

void TstFields::numericKeyFilter() {
    QWidget w;
    auto* e = new NumericEdit(&w);
    w.show();
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, "-1a2.5x");
    QCOMPARE(e->text(), QString("12.5"));
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(e->text(), QString("12."));
}

void TstFields::lookupNeverQueriesAndUnknownCodeGivesEmptyName() {
    TestDb db;
    TestDb::seedMasters();
    LookupField f;
    NameBox name;
    f.setListColumns({"warehouse", "warehouse_name"});
    f.setList("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse");
    bindNameBox(&f, &name, "warehouse_name");
    Sql::run("DELETE FROM kesp_warehouse_ini");
    f.setText("w02"); // found in the rows the list returned, whatever the case
    QCOMPARE(name.text(), QString("二号仓库"));
    f.setText("W09");
    QVERIFY(name.text().isEmpty());
    f.setText(QString());
    QVERIFY(name.text().isEmpty());
}

void TstFields::typingOffersMatchingCodes() {
    TestDb db;
    TestDb::seedMasters();
    QWidget w;
    auto* f = new LookupField(&w);
    f->setListColumns({"warehouse", "warehouse_name"});
    f->setList("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse");
    QStringList changes;
    connect(f, &LookupField::changed, [&](const QString& t) { changes << t; });
    w.show();
    f->setFocus();
    QTest::keyClicks(f->lineEdit(), "w0");
    QCOMPARE(f->completer()->completionCount(), 2);
    QCOMPARE(f->text(), QString("w0")); // the text stays as typed
    QCOMPARE(changes, (QStringList{"w", "w0"}));
}

void TstFields::largeStockRowListReadByPrefix() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<499) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', " + TestDb::padded("P", "i", 3) + ", 'A1', 'Z1', 'G1', i FROM c");
    addBalance("W01", "P123", 5, "A2");
    addBalance("W02", "P124", 9);
    Screen s(true);
    s.warehouse->setText("W01");
    s.enter(s.item);
    QCOMPARE(s.item->listRowCount(), 100); // the first rows only, never the whole warehouse
    QTest::keyClicks(s.item->lineEdit(), "p12");
    QCOMPARE(s.item->listRowCount(), 11); // P120..P129 and the second row of P123, of W01 only
    QCOMPARE(s.item->completer()->completionCount(), 11);
    // Picking the second row of P123 in the popup keeps that row: its attribute and quantity.
    s.item->showPopup();
    auto* view = s.item->view();
    const QModelIndex second = view->model()->index(s.item->findRow("attr_code", "A2"), 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(second).center());
    QCOMPARE(s.item->text(), QString("P123"));
    QCOMPARE(s.attrCode->text(), QString("A2"));
    QCOMPARE(s.qty->text(), QString("5"));
    // A code far beyond the first rows is found when typed.
    s.item->setText("P450");
    QVERIFY(s.item->findRow("item_code", "P450") >= 0);
    QCOMPARE(s.item->listRowCount(), 1);
}

namespace {
// I001 in three sizes (10, 20, 30) and I002, all in W01.
void threeRowsOfOneItem() {
    TestDb::seedMasters();
    const struct { const char* item; const char* size; double qty; } rows[] = {
        {"I001", "Z1", 10}, {"I001", "Z2", 20}, {"I001", "Z3", 30}, {"I002", "Z1", 5}};
    for (const auto& r : rows)
        Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
                 "VALUES ('W01','一号仓库',?,'A1',?,'G1',?)",
                 {r.item, r.size, r.qty});
}
} // namespace

void TstFields::stockRowKeptByIdThroughReentry() {
    TestDb db;
    threeRowsOfOneItem();
    Screen s(true);
    s.warehouse->setText("W01");
    Clerk::clickInto(s.item);
    QCOMPARE(s.item->listRowCount(), 4);
    const QString second = s.item->rowValue(1, "ID").toString();
    QVERIFY(Clerk::pickByMouse(s.item, 1));
    QCOMPARE(s.id->text(), second);
    QCOMPARE(s.sizeCode->text(), QString("Z2"));
    QCOMPARE(s.sizeName->text(), QString("M码"));
    QCOMPARE(s.qty->text(), QString("20"));
    // Away and back: the list is rebuilt on entering; a click and Enter fill the same row again.
    Clerk::clickInto(s.attr);
    Clerk::clickInto(s.item);
    QTest::keyClick(s.item, Qt::Key_Return);
    QCOMPARE(s.id->text(), second);
    QCOMPARE(s.sizeCode->text(), QString("Z2"));
    Clerk::tabOut(s.item);
    QCOMPARE(s.sizeCode->text(), QString("Z2"));
    // The third row by the keyboard, then back to the first by a suggestion.
    QVERIFY(Clerk::pickByKeys(s.item, 2));
    QCOMPARE(s.sizeCode->text(), QString("Z3"));
    QCOMPARE(s.qty->text(), QString("30"));
    QVERIFY(Clerk::pickByCompleter(s.item, 0));
    QCOMPARE(s.sizeCode->text(), QString("Z1"));
    QCOMPARE(s.id->text(), s.item->rowValue(0, "ID").toString());
}

void TstFields::sharedCodeTypedOffersItsRows() {
    TestDb db;
    threeRowsOfOneItem();
    Screen s(true);
    s.warehouse->setText("W01");
    Clerk::clickInto(s.item);
    QTest::keyClick(s.item, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(s.item, "I001");
    QAbstractItemView* popup = s.item->completer()->popup();
    QVERIFY(popup->isVisible());
    QCOMPARE(s.item->completer()->completionCount(), 3);
    // The suggestions tell the rows apart.
    QStringList texts;
    for (int r = 0; r < 3; ++r) texts << s.item->completer()->completionModel()->index(r, 0).data().toString();
    QVERIFY2(texts[1].contains("M码") && texts[1].contains("20") && texts[2].contains("L码"), qPrintable(texts.join('|')));
    QTest::keyClick(popup, Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    // Never silently the first of them: nothing is filled, and Enter offers the rows again.
    QCOMPARE(s.item->pickedRow(), -1);
    QVERIFY(s.id->text().isEmpty() && s.sizeCode->text().isEmpty());
    QTest::keyClick(s.item, Qt::Key_Return);
    QVERIFY(popup->isVisible());
    QCOMPARE(s.item->completer()->completionCount(), 3);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(s.sizeCode->text(), QString("Z2"));
    // A code only one row has is that row.
    QTest::keyClick(s.item, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(s.item, "I002");
    QTest::keyClick(s.item->completer()->popup(), Qt::Key_Escape);
    QCOMPARE(s.item->pickedRow(), 3);
    QCOMPARE(s.qty->text(), QString("5"));
}

void TstFields::lockedFieldIgnoresEveryDevice() {
    TestDb db;
    TestDb::seedMasters();
    QWidget w;
    auto* f = new LookupField(&w);
    auto* other = new QLineEdit(&w);
    other->move(0, 40);
    f->setListColumns({"warehouse", "warehouse_name"});
    f->setList("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse");
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QColor open = f->palette().color(QPalette::Base);
    QVERIFY(Clerk::pickByMouse(f, 0));
    Clerk::wheel(f, -1); // an open field follows the wheel
    QCOMPARE(f->text(), QString("W02"));
    f->setReadOnly(true);
    QVERIFY(f->palette().color(QPalette::Base) != open); // looks locked
    Clerk::wheel(f, 1);
    Clerk::wheel(f->lineEdit(), 1);
    QCOMPARE(f->text(), QString("W02"));
    Clerk::clickInto(f);
    for (auto key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_F4, Qt::Key_PageUp, Qt::Key_Backspace, Qt::Key_X})
        QTest::keyClick(f, key);
    QTest::keyClick(f, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(!f->view()->isVisible());
    Clerk::paste(f, "W01");
    Clerk::commitInputMethod(f, "W01");
    QMimeData drop;
    drop.setText("W01");
    QDropEvent dropEvent(QPointF(5, 5), Qt::CopyAction, &drop, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->lineEdit(), &dropEvent);
    QCOMPARE(f->text(), QString("W02"));
    f->setReadOnly(false);
    QCOMPARE(f->palette().color(QPalette::Base), open);
    Clerk::wheel(f, 1);
    QCOMPARE(f->text(), QString("W01"));
}

void TstFields::sealedCheckRunsOnCompleteCodes() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name,warehouse_desc) VALUES ('W0','零号仓库',NULL)");
    Sql::run("INSERT INTO kesp_check_set VALUES ('abc','W0','零号仓库','Y')");
    ScriptedSeam seam;
    Screen s(true);
    s.warehouse->setList("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse");
    QStringList commits;
    connect(s.warehouse, &LookupField::committed, [&](const QString& t) { commits << t; });
    Clerk::clickInto(s.warehouse);
    QTest::keyClicks(s.warehouse, "W01"); // passes "W0" on the way
    QTest::keyClick(s.warehouse->completer()->popup(), Qt::Key_Escape);
    Clerk::settle();
    QVERIFY(seam.shown.isEmpty());
    Clerk::tabOut(s.warehouse);
    QVERIFY(seam.shown.isEmpty());
    QCOMPARE(s.warehouseName->text(), QString("一号仓库"));
    // The sealed code typed and left is refused; so is the sealed row picked from the list.
    Clerk::clickInto(s.warehouse);
    QTest::keyClick(s.warehouse, Qt::Key_End);
    QTest::keyClick(s.warehouse, Qt::Key_Backspace);
    QTest::keyClick(s.warehouse->completer()->popup(), Qt::Key_Escape);
    QCOMPARE(s.warehouse->text(), QString("W0"));
    Clerk::tabOut(s.warehouse);
    QCOMPARE(commits.first(), QString("W01")); // "W0" was never checked while typing
    QVERIFY(commits.contains("W0"));
    QCOMPARE(seam.shown, QStringList{"仓库已经封帐！"});
    QVERIFY(s.warehouse->text().isEmpty() && s.warehouseName->text().isEmpty());
    QVERIFY(Clerk::pickByKeys(s.warehouse, 0));
    Clerk::settle();
    QCOMPARE(seam.shown.size(), 2);
    QVERIFY(s.warehouse->text().isEmpty());
}

void TstFields::numericEveryPathIn_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("typed"); // the text right after
    QTest::addColumn<QString>("left");  // after leaving the field
    // A drop lands where it is dropped: at the start of "0.00".
    QTest::newRow("drop full-width") << QString("drop") << QString("１２") << QString("120.00") << QString("120.00");
    QTest::newRow("drop letters") << QString("drop") << QString("1x") << QString("0.00") << QString("0.00");
    for (const char* path : {"keys", "paste", "ime"}) {
        const QString p = QString::fromLatin1(path);
        QTest::addRow("%s full-width", path) << p << QString("１２．５") << QString("12.5") << QString("12.50");
        QTest::addRow("%s ideographic stop", path) << p << QString("３。２５") << QString("3.25") << QString("3.25");
        QTest::addRow("%s letters", path) << p << QString("1a2") << QString(p == "keys" ? "12" : "0.00") << QString(p == "keys" ? "12.00" : "0.00");
        QTest::addRow("%s two points", path) << p << QString("1.2.3") << QString(p == "keys" ? "1.23" : "0.00")
                                             << QString(p == "keys" ? "1.23" : "0.00");
    }
    QTest::newRow("keys minus") << QString("keys") << QString("-5") << QString("5") << QString("5.00");
}

void TstFields::numericEveryPathIn() {
    QFETCH(QString, path);
    QFETCH(QString, input);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    QWidget w;
    auto* e = new NumericEdit(&w);
    auto* next = new QLineEdit(&w);
    next->move(0, 40);
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    Clerk::clickInto(e);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    if (path == "keys") {
        Clerk::type(e, input);
    } else if (path == "paste") {
        Clerk::paste(e, input);
    } else if (path == "ime") {
        Clerk::commitInputMethod(e, input);
    } else {
        QMimeData data;
        data.setText(input);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(e, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(e, &drop);
    }
    QCOMPARE(e->text(), typed);
    Clerk::tabOut(e);
    QCOMPARE(e->text(), left);
}

QTEST_MAIN(TstFields)
#include "tst_fields.moc"
