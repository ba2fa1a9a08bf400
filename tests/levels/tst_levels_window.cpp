// The levels window and the alert report through their widgets: a level added through the
// lookup fields, the report run and its switch, and the report after the login.
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "levels/BB80_Unit.h"
#include "levels/stock_levels.h"
#include "queries/EE50_Unit.h"
#include "queries/filter_panel.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

class TstLevelsWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void levelAddedAndReported();
    void shownAfterLogin_data();
    void shownAfterLogin();
};

void TstLevelsWindow::levelAddedAndReported() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock(); // I001 red in W01: S 10, M 20, L 30
    ScriptedSeam seam;
    seam.answers = {true};
    {
        TBB80_form f;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(Clerk::pickByKeys(f.filters->warehouse_a, 0));
        QCOMPARE(f.filters->warehouse_name_a->text(), QString("一号仓库"));
        QVERIFY(Clerk::pickByKeys(f.filters->item_code_a, 0));
        QCOMPARE(f.filters->item_name_a->text(), QString("男式衬衫"));
        QVERIFY(Clerk::pickByKeys(f.filters->attr_code_a, 0));
        QVERIFY(Clerk::pickByKeys(f.filters->size_code_a, 0));
        for (auto [field, typed] : {std::pair{f.min_qty_a, "12"}, std::pair{f.max_qty_a, "25.5"}}) {
            Clerk::clickInto(field);
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            Clerk::type(field, typed);
        }
        QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
        QCOMPARE(seam.shown, QStringList());
        QCOMPARE(f.DBGrid1->rowCount(), 1);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_stock_level WHERE warehouse='W01' AND item_code='I001' AND "
                               "attr_code='A1' AND size_code='Z1' AND min_qty=12 AND max_qty=25.5"),
                 1);
        // The same key again is refused.
        QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
        QCOMPARE(seam.last(), StockLevels::DuplicateMessage);
    }
    TEE50_form r;
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    QTest::mouseClick(r.Cmd_Query, Qt::LeftButton);
    QCOMPARE(r.DBGrid1->rowCount(), 1);
    QCOMPARE(r.DBGrid1->value(0, "alert_kind").toString(), StockLevels::BelowMinimum);
    QCOMPARE(r.DBGrid1->value(0, "order_qty").toDouble(), 15.5);
    // The switch is the user's own.
    QVERIFY(r.alert_at_login->isChecked());
    QTest::mouseClick(r.alert_at_login, Qt::LeftButton, {}, QPoint(6, r.alert_at_login->height() / 2));
    QVERIFY(!StockLevels::showAtLogin("abc"));
    QVERIFY(StockLevels::showAtLogin("other"));
}

void TstLevelsWindow::shownAfterLogin_data() {
    QTest::addColumn<bool>("below");    // a level below its minimum
    QTest::addColumn<bool>("switchOn"); // the user's choice
    QTest::addColumn<bool>("mayOpen");  // the user holds EE50
    QTest::addColumn<bool>("shown");
    QTest::newRow("something to show") << true << true << true << true;
    QTest::newRow("nothing to show") << false << true << true << false;
    QTest::newRow("switched off") << true << false << true << false;
    QTest::newRow("without the right") << true << true << false << false;
}

void TstLevelsWindow::shownAfterLogin() {
    QFETCH(bool, below);
    QFETCH(bool, switchOn);
    QFETCH(bool, mayOpen);
    QFETCH(bool, shown);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    Sql::run("INSERT INTO kesp_stock_level(warehouse,item_code,attr_code,size_code,min_qty,max_qty) VALUES "
             "('W01','I001','','',?,100)",
             {below ? 61 : 60});
    StockLevels::saveShowAtLogin("abc", switchOn);
    if (!mayOpen) TestDb::grant("abc", {"EE10"}, {"W01"});
    ScriptedSeam seam;
    int rows = -1;
    seam.onModal = [&](QDialog* d) {
        rows = d->findChild<DataGrid*>("DBGrid1")->rowCount();
        return 0;
    };
    TEE50_form::loginCheck(nullptr);
    QCOMPARE(seam.modals, shown ? QStringList{"TEE50_form"} : QStringList{});
    if (shown) QCOMPARE(rows, 1);
}

QTEST_MAIN(TstLevelsWindow)
#include "tst_levels_window.moc"
