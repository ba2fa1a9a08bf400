// Accounting periods: the start-up check, the closing window, the period list, and closing by
// several running copies at once.
#include "closing/GG10_Unit.h"
#include "closing/GG20_Unit.h"
#include "closing/GG30_Unit.h"
#include "closing/periods.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "support/scripted.h"
#include "support/testdb.h"
#include "ui/screens.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
const QDate Dec9(2026, 12, 9);

void period(const QString& code, const QString& flag) {
    Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag) VALUES (?,?,?,?)",
             {code, code.left(4), code.mid(4), flag});
}
void balance(const QString& wh, const QString& item, double qty) {
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES (?,'仓',?,'A1','Z1','G1',?)",
             {wh, item, qty});
}
int snapshotRows(const QString& code) {
    return TestDb::count("SELECT count(*) FROM kesp_inv_history_detail_tree WHERE save_code=?", {code});
}
QString flag(const QString& code) {
    return TestDb::value("SELECT save_flag FROM kesp_inv_history_list WHERE save_code=?", {code}).toString();
}
// Clicks a row of the period grid as the clerk does.
void clickRow(DataGrid* grid, int row) {
    QTableView* v = grid->view();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(grid->model()->index(row, 0)).center());
}
// Several copies of the program doing one thing at the same moment; their answers.
QStringList together(const QList<QStringList>& argsOfEach, const QString& dir) {
    const QString go = dir + "/go";
    QFile::remove(go);
    QList<QProcess*> procs;
    for (QStringList args : argsOfEach) {
        args << go;
        auto* p = new QProcess;
        p->start(CLOSING_WORKER, args);
        if (!p->waitForStarted()) qWarning("closing_worker did not start");
        procs << p;
    }
    QTest::qWait(300); // every copy has opened the database and waits
    QFile f(go);
    f.open(QIODevice::WriteOnly);
    f.close();
    QStringList out;
    for (QProcess* p : procs) {
        p->waitForFinished(30000);
        out << QString::fromLocal8Bit(p->readAllStandardOutput()).trimmed() + QString::fromLocal8Bit(p->readAllStandardError());
        delete p;
    }
    out.sort();
    return out;
}
} // namespace

class TstClosing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Screens::registerAll(); }
    void startupCheck();
    void closingWindow();
    void balanceCheckWindow();
    void closingWithoutBalances();
    void failureBeforeTheFlagChangesNothing();
    void periodList();
    void twoCopiesStartInANewMonth();
    void twoCopiesCloseOnePeriod();
    void upgradeKeepsOnePeriodPerMonth();
};

void TstClosing::startupCheck() {
    TestDb db;
    ScriptedSeam seam;
    TGG10_form::periodCheck(nullptr, Dec9);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_history_list"), 1);
    QCOMPARE(TestDb::value("SELECT save_code||'/'||year_v||'/'||month_v||'/'||save_flag||'/'||"
                           "coalesce(operation_date,'-') FROM kesp_inv_history_list")
                 .toString(),
             QString("202612/2026/12/N/-"));
    TGG10_form::periodCheck(nullptr, Dec9); // a second start in the month adds nothing
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_history_list"), 1);
    QVERIFY(seam.shown.isEmpty()); // one open period: no question

    // A new month while the previous one is open: asked; No goes on, Yes opens the closing window.
    TGG10_form::periodCheck(nullptr, QDate(2027, 1, 3));
    QCOMPARE(flag("202701"), QString("N"));
    QCOMPARE(TestDb::value("SELECT month_v FROM kesp_inv_history_list WHERE save_code='202701'").toString(), QString("01"));
    QCOMPARE(seam.shown, QStringList{"是否对上月进行核算？"});
    QCOMPARE(seam.kinds, QStringList{"ask"});
    QVERIFY(seam.modals.isEmpty());
    seam.reset();
    seam.answers = {true};
    TGG10_form::periodCheck(nullptr, QDate(2027, 1, 4));
    QCOMPARE(seam.modals, QStringList{"TGG10_form"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_history_list"), 2);
}

void TstClosing::closingWindow() {
    TestDb db;
    ScriptedSeam seam;
    period("202612", "N");
    period("202611", "N");
    balance("W01", "I001", 5);
    balance("W01", "I002", 0); // kept in the snapshot
    balance("W02", "I001", 2.5);
    const auto drive = [&](TGG10_form* f) {
        QVERIFY(f);
        // Ascending codes, the oldest period selected.
        QCOMPARE(f->DBGrid1->rowCount(), 2);
        QCOMPARE(f->DBGrid1->currentValue("save_code").toString(), QString("202611"));
        // The clerk picks the current month, which may be closed before the older one.
        clickRow(f->DBGrid1, 1);
        seam.answers = {false};
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton); // answered No: nothing happens
        QCOMPARE(flag("202612"), QString("N"));
        seam.answers = {true};
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
        QCOMPARE(f->DBGrid1->value(1, "save_flag").toString(), QString("Y")); // shown at once
        QCOMPARE(f->DBGrid1->value(1, "operation_date").toString(), QDate::currentDate().toString("yyyy/MM/dd"));
        QCOMPARE(f->DBGrid1->currentRow(), 1);
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton); // the same period again
    };
    seam.onModal = [&](QDialog* d) -> int {
        drive(qobject_cast<TGG10_form*>(d));
        return QDialog::Accepted;
    };
    Screens::open("GG10", nullptr);
    QCOMPARE(seam.shown, (QStringList{"是否对2026年12月数据进行核算？", "是否对2026年12月数据进行核算？", "核算成功！",
                                      "2026年12月数据已经核算."}));
    QCOMPARE(seam.kinds, (QStringList{"confirm", "confirm", "dravont", "notice"}));
    QCOMPARE(snapshotRows("202612"), 3);
    QCOMPARE(snapshotRows("202611"), 0);
    QCOMPARE(flag("202611"), QString("N"));
    QCOMPARE(TestDb::value("SELECT year_v||month_v||warehouse_name||attr_code||size_code||stage_code FROM "
                           "kesp_inv_history_detail_tree WHERE item_code='I002'")
                 .toString(),
             QString("202612仓A1Z1G1"));
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_history_detail_tree WHERE item_code='I002'").toDouble(), 0.0);
    // Later movements change the balances, never the snapshot of a closed month.
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=qty+10");
    balance("W01", "I003", 7);
    QCOMPARE(TestDb::value("SELECT sum(qty) FROM kesp_inv_history_detail_tree WHERE save_code='202612'").toDouble(), 7.5);
    // The core refuses a second closing too, whoever asks.
    QCOMPARE(Periods::close("202612", Dec9), Periods::CloseResult::AlreadyClosed);
    QCOMPARE(snapshotRows("202612"), 3);
}

void TstClosing::closingWithoutBalances() {
    TestDb db;
    period("202612", "N");
    int rows = -1;
    QCOMPARE(Periods::close("202612", Dec9, &rows), Periods::CloseResult::Closed);
    QCOMPARE(rows, 0);
    QCOMPARE(flag("202612"), QString("Y"));
    QCOMPARE(TestDb::value("SELECT operation_date FROM kesp_inv_history_list").toString(), QString("2026/12/09"));
}

void TstClosing::failureBeforeTheFlagChangesNothing() {
    TestDb db;
    ScriptedSeam seam;
    period("202612", "N");
    balance("W01", "I001", 5);
    // The snapshot is written, then the flag cannot be.
    TestDb::failWhen("no_flag", "kesp_inv_history_list", "UPDATE", "1=1", "磁盘已满");
    TGG10_form f;
    f.show();
    seam.answers = {true};
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    QCOMPARE(seam.kinds, (QStringList{"confirm", "error"}));
    QVERIFY(seam.last().contains("磁盘已满"));
    QCOMPARE(snapshotRows("202612"), 0);
    QCOMPARE(flag("202612"), QString("N"));
    QCOMPARE(f.DBGrid1->value(0, "save_flag").toString(), QString("N"));
    // Once the fault is gone the period closes normally.
    TestDb::dropFailure("no_flag", "kesp_inv_history_list");
    seam.answers = {true};
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    QCOMPARE(snapshotRows("202612"), 1);
    QCOMPARE(seam.last(), QString("核算成功！"));
}

void TstClosing::periodList() {
    TestDb db;
    ScriptedSeam seam;
    period("202612", "N");
    period("202610", "Y");
    period("202611", "N");
    TGG20_form f;
    QCOMPARE(f.windowTitle(), QString("核算期设定窗口"));
    QVERIFY(f.findChild<QLabel*>("Label1")->text() == QString("默认为每月1日对上月进行结算。"));
    QCOMPARE(f.DBGrid1->captions(), (QStringList{"核算期代码", "年", "月", "核算标志", "操作日期"}));
    f.show();
    QCOMPARE(f.DBGrid1->value(0, "save_code").toString(), QString("202610"));
    QCOMPARE(f.DBGrid1->value(2, "save_code").toString(), QString("202612"));
    QVERIFY(!(f.DBGrid1->model()->flags(f.DBGrid1->model()->index(0, 3)) & Qt::ItemIsEditable));
    f.hide(); // the period query is closed with the window and read anew when shown
    QVERIFY(!f.DBGrid1->model()->isOpen());
    period("202701", "N");
    f.show();
    QCOMPARE(f.DBGrid1->rowCount(), 4);
}

void TstClosing::twoCopiesStartInANewMonth() {
    TestDb db;
    const QString path = db.path();
    DataConnect1::close();
    const QStringList out = together({{"ensure", path, "2026-12-01"}, {"ensure", path, "2026-12-01"},
                                      {"ensure", path, "2026-12-01"}},
                                     db.dir());
    QCOMPARE(out, (QStringList{"added", "none", "none"}));
    DataConnect1::open(path);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_history_list"), 1);
    // The key refuses a second row for a month, whatever writes it.
    QVERIFY_THROWS_EXCEPTION(DbError, period("202612", "N"));
}

void TstClosing::twoCopiesCloseOnePeriod() {
    TestDb db;
    period("202612", "N");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<1999) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', " + TestDb::padded("I", "i", 5) + ", 'A1', 'Z1', 'G1', i FROM c");
    const QString path = db.path();
    DataConnect1::close();
    for (int round = 0; round < 3; ++round) {
        const QStringList out = together({{"close", path, "202612"}, {"close", path, "202612"}}, db.dir());
        DataConnect1::open(path);
        QCOMPARE(out, (round == 0 ? QStringList{"already", "closed"} : QStringList{"already", "already"}));
        QCOMPARE(snapshotRows("202612"), 2000);
        DataConnect1::close();
    }
    DataConnect1::open(path);
}

void TstClosing::upgradeKeepsOnePeriodPerMonth() {
    if (TestDb::onServer()) QSKIP("a file of the previous version: server databases are made at the current one");
    TestDb db;
    // A database of the previous version in which two copies made December twice and one closed it.
    Sql::run("DROP INDEX ux_inv_history_list_save");
    Sql::run("CREATE INDEX ix_inv_history_list_save ON kesp_inv_history_list(save_code)");
    Sql::run("ALTER TABLE kesp_warehouse_ini DROP COLUMN forbid_negative");
    Sql::run("ALTER TABLE kesp_inv_history_list DROP COLUMN history_mark");
    Sql::run("ALTER TABLE kesp_check_temp DROP COLUMN found_flag");
    Sql::run("PRAGMA user_version=2");
    period("202612", "N");
    period("202612", "Y");
    period("202612", "N");
    period("202611", "N");
    period("202611", "N");
    DataConnect1::close();
    DataConnect1::open(db.path());
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_history_list"), 2);
    QCOMPARE(flag("202612"), QString("Y"));
    QVERIFY_THROWS_EXCEPTION(DbError, period("202611", "N"));
}

void TstClosing::balanceCheckWindow() {
    TestDb db;
    TestDb::seedMasters();
    Session::setUserCode("abc");
    TestDb::seedStock();
    TestDb::seedIssue();
    ScriptedSeam seam;
    TGG30_form f;
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QVERIFY(!f.Cmd_Mend->isEnabled());
    QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
    QVERIFY2(f.Label1->text().contains("库存与流水一致"), qPrintable(f.Label1->text()));
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=1 WHERE item_code='I001' AND size_code='Z2'");
    QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
    QVERIFY2(f.Label1->text().contains("1 处库存与流水不符"), qPrintable(f.Label1->text()));
    QCOMPARE(f.DBGrid1->rowCount(), 1);
    QCOMPARE(f.DBGrid1->model()->value(0, "diff").toDouble(), 15.0); // 20 in, 4 out: 16, the book says 1
    clickRow(f.DBGrid1, 0);
    QCOMPARE(f.DBGrid2->rowCount(), 2); // the receipt and the issue behind it
    seam.answers = {false};
    QTest::mouseClick(f.Cmd_Mend, Qt::LeftButton);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code='Z2'").toDouble(), 1.0);
    seam.answers = {true};
    QTest::mouseClick(f.Cmd_Mend, Qt::LeftButton);
    QCOMPARE(seam.shown.last(), QString("已修正 1 条库存记录。"));
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code='Z2'").toDouble(), 16.0);
    QVERIFY(f.Label1->text().contains("库存与流水一致"));
    QVERIFY(!f.Cmd_Mend->isEnabled());
}

QTEST_MAIN(TstClosing)
#include "tst_closing.moc"
