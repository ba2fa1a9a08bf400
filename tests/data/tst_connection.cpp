// The shared connection: sealed-warehouse check, regional date settings, several running copies.
#include "data/DataConnect1_Unit.h"
#include "data/dateformat_check.h"
#include "data/session.h"
#include "data/server.h"
#include "data/sql.h"
#include "support/testdb.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

namespace {
// Two other running copies open the database at the same moment; true when both succeed silently.
bool twoCopiesOpen(const QString& path) {
    QProcess a, b;
    a.start(ORDER_WORKER, {path, "u1", "open"});
    b.start(ORDER_WORKER, {path, "u2", "open"});
    if (!a.waitForFinished(60000) || !b.waitForFinished(60000)) return false;
    const QByteArray errors = a.readAllStandardError() + b.readAllStandardError();
    if (!errors.isEmpty()) qWarning("%s", errors.constData());
    return errors.isEmpty() && a.exitCode() == 0 && b.exitCode() == 0;
}
} // namespace

class TstConnection : public QObject {
    Q_OBJECT
private slots:
    void sealedOnlyForItsUser();
    void dateFormatCheck_data();
    void dateFormatCheck();
    void twoCopiesStageAtOnce();
    void twoCopiesUpgradeAtOnce();
    void twoCopiesFillAnEmptyDatabaseOnce();
    void busyCopyGivesClearMessage();
    void resultKeepsItsRowsWhileOtherStatementsRun();
    void serverConnectionLostAndMadeAgain();
    void snapshotKeepsValuesAndOrder();
};

void TstConnection::sealedOnlyForItsUser() {
    TestDb db;
    Sql::run("INSERT INTO kesp_check_set VALUES ('abc','W01','一号仓库','Y')");
    Session::setUserCode("abc");
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("Y"));
    QCOMPARE(DataConnect1::IsWarehouseSealed("w01"), QString("Y"));
    QCOMPARE(DataConnect1::IsWarehouseSealed("W02"), QString("N"));
    Session::setUserCode("abc "); // typed with a trailing space: another user code
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("N"));
    Session::setUserCode("xyz");
    QCOMPARE(DataConnect1::IsWarehouseSealed("W01"), QString("N"));
}

void TstConnection::dateFormatCheck_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("passes");
    QTest::newRow("missing values are written silently") << QString() << QString() << true;
    QTest::newRow("right values") << "yyyy/MM/dd" << "/" << true;
    QTest::newRow("other pattern") << "yyyy-MM-dd" << "-" << false;
    QTest::newRow("separator alone wrong") << "yyyy/MM/dd" << "." << false;
    QTest::newRow("pattern alone wrong") << "dd/MM/yyyy" << "/" << false;
}

void TstConnection::dateFormatCheck() {
    QFETCH(QString, pattern);
    QFETCH(QString, separator);
    QFETCH(bool, passes);
    QTemporaryDir dir;
    const QString file = dir.filePath("regional.ini");
    {
        QSettings s(file, QSettings::IniFormat);
        if (!pattern.isNull()) s.setValue("International/sShortDate", pattern);
        if (!separator.isNull()) s.setValue("International/sDate", separator);
    }
    {
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(DateFormatCheck::check(s), passes);
    }
    QSettings s(file, QSettings::IniFormat);
    QCOMPARE(s.value("International/sShortDate").toString(), QString("yyyy/MM/dd"));
    QCOMPARE(s.value("International/sDate").toString(), QString("/"));
    QVERIFY(DateFormatCheck::check(s)); // the next start passes
}

void TstConnection::twoCopiesStageAtOnce() {
    TestDb db;
    TestDb::seedMasters();
    QProcess a, b;
    a.start(ORDER_WORKER, {db.path(), "u1", "200"});
    b.start(ORDER_WORKER, {db.path(), "u2", "200"});
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 400);
    QCOMPARE(TestDb::count("SELECT count(DISTINCT order_no) FROM kesp_post_temp_a"), 400);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString(),
             QString("0000000401"));
}

void TstConnection::twoCopiesUpgradeAtOnce() {
    TestDb db;
    // Back to the first schema: no owner column on the work tables, none of the later indexes.
    for (const char* s : {"DROP INDEX ix_v_out_login", "DROP INDEX ix_v_out2_login", "DROP INDEX ux_warehouse",
                          "DROP INDEX ix_post_history_bill_in", "DROP INDEX ix_post_history_bill_out",
                          "ALTER TABLE kesp_warehouse_ini DROP COLUMN forbid_negative", "ALTER TABLE kesp_inv_history_list DROP COLUMN history_mark",
                          "ALTER TABLE kesp_inv_detail_tree_v_out DROP COLUMN login_id",
                          "ALTER TABLE kesp_inv_detail_tree_v_out2 DROP COLUMN login_id",
                          "ALTER TABLE kesp_check_temp DROP COLUMN found_flag"})
        Sql::run(s);
    DataConnect1::setSchemaVersion(1);
    DataConnect1::close();
    // An upgrade applied twice would fail on the column it adds.
    QVERIFY(twoCopiesOpen(db.path()));
    DataConnect1::open(db.path());
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
    for (const char* index : {"ix_post_history_bill_in", "ix_post_history_bill_out", "ix_v_out_login"})
        QVERIFY2(TestDb::hasIndex(index), index);
}

void TstConnection::resultKeepsItsRowsWhileOtherStatementsRun() {
    TestDb db;
    TestDb::seedMasters();
    QSqlQuery q = Sql::run("SELECT warehouse FROM kesp_warehouse_ini ORDER BY warehouse");
    QStringList seen;
    while (q.next()) {
        seen << q.value(0).toString();
        Transaction tx;
        Sql::run("INSERT INTO kesp_check_set(login_id,warehouse) VALUES ('abc',?)", {seen.last()});
        tx.commit();
        QCOMPARE(Sql::scalar("SELECT count(*) FROM kesp_check_set").toInt(), int(seen.size()));
    }
    QCOMPARE(seen, (QStringList{"W01", "W02"}));
}

void TstConnection::twoCopiesFillAnEmptyDatabaseOnce() {
    TestDb db;
    DataConnect1::close();
    // An empty database: a file of no bytes, or a server database without tables.
    if (TestDb::onServer()) {
        TestDb::rawValue(db.path(), "DROP SCHEMA public CASCADE; CREATE SCHEMA public");
        QCOMPARE(TestDb::rawValue(db.path(), "SELECT count(*) FROM information_schema.tables WHERE table_schema='public'")
                     .toInt(),
                 0);
    } else {
        for (const QString suffix : {"-wal", "-shm"}) QFile::remove(db.path() + suffix);
        QVERIFY(QFile::resize(db.path(), 0));
    }
    QVERIFY(twoCopiesOpen(db.path()));
    DataConnect1::open(db.path());
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
    // The initial rows are there once.
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_operation_ini"), 5);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_system_data"), 1);
}

void TstConnection::serverConnectionLostAndMadeAgain() {
    if (!TestDb::onServer()) QSKIP("the embedded file has no connection to lose");
    TestDb db;
    TestDb::seedMasters();
    // The server ends this copy's session, as on a restart of the server.
    const auto cutOff = [&] {
        QVERIFY(TestDb::rawValue(db.path(), "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                                            "application_name='yicangtong' AND datname=current_database()")
                    .toInt() >= 1);
    };
    cutOff();
    try {
        Sql::scalar("SELECT count(*) FROM kesp_warehouse_ini");
        QFAIL("a statement went through on a connection that was cut off");
    } catch (const DbError& e) {
        QCOMPARE(e.text(), Sql::LostMessage);
    }
    // The next statement connects again.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 2);
    // Cut off inside a write transaction: none of it stays, the rest of it fails clearly.
    try {
        Transaction tx;
        Sql::run("INSERT INTO kesp_check_set(login_id,warehouse) VALUES ('abc','W01')");
        cutOff();
        Sql::run("INSERT INTO kesp_check_set(login_id,warehouse) VALUES ('abc','W02')");
        tx.commit();
        QFAIL("a transaction was committed on a connection that was cut off");
    } catch (const DbError& e) {
        QCOMPARE(e.text(), Sql::LostMessage);
    }
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_set"), 0);
    {
        Transaction tx;
        Sql::run("INSERT INTO kesp_check_set(login_id,warehouse) VALUES ('abc','W02')");
        tx.commit();
    }
    QCOMPARE(DataConnect1::IsWarehouseSealed("W02"), QString("Y"));
    // A server that does not answer: opening and every statement fail with a message, nothing
    // stays half open, and the server that answers opens as usual.
    DataConnect1::close();
    Server::Address a = Server::parse(db.path());
    const int port = a.port;
    a.port = 1; // nothing listens there
    QVERIFY_THROWS_EXCEPTION(DbError, DataConnect1::open(Server::location(a)));
    QVERIFY(!DataConnect1::isOpen());
    QVERIFY_THROWS_EXCEPTION(DbError, Sql::scalar("SELECT 1"));
    a.port = port;
    DataConnect1::open(Server::location(a));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 2);
}

void TstConnection::snapshotKeepsValuesAndOrder() {
    TestDb db;
    // Quotes, a backslash, a question mark and a date-like text reach the snapshot as typed.
    const QString odd = "O'B\\x?'; --";
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) VALUES ('W3',?),('W1','b'),('W2',?)",
             {odd, "2026/12/09"});
    DataConnect1::makeSnapshot("q_check",
                               "SELECT warehouse, warehouse_name FROM kesp_warehouse_ini WHERE warehouse_name<>? OR "
                               "warehouse_name=?",
                               "warehouse DESC", {QString("b"), odd});
    QSqlQuery q = Sql::run(QString("SELECT warehouse, warehouse_name FROM q_check ORDER BY %1")
                               .arg(DataConnect1::snapshotKey()));
    QStringList rows;
    while (q.next()) rows << q.value(0).toString() + "=" + q.value(1).toString();
    QCOMPARE(rows, (QStringList{"W3=" + odd, "W2=2026/12/09"}));
    Sql::run(DataConnect1::dropSnapshotStatement("q_check"));
}

void TstConnection::busyCopyGivesClearMessage() {
    TestDb db;
    QList<bool> waits;
    Sql::setBusyObserver([&](bool w) { waits << w; });
    const int timeout = DataConnect1::busyTimeout();
    const auto holdLock = [&](QProcess& p, int ms) {
        p.start(ORDER_WORKER, {db.path(), "u2", "hold", QString::number(ms)});
        QVERIFY(p.waitForReadyRead(30000));
        QCOMPARE(p.readAllStandardOutput(), QByteArray("locked\n"));
    };
    const auto write = [] {
        Transaction tx;
        Sql::run("INSERT INTO kesp_check_set VALUES ('abc','W01','x','Y')");
        tx.commit();
    };
    // The lock is held longer than this copy waits: a clear message, nothing written.
    QProcess p;
    holdLock(p, 3000);
    DataConnect1::setBusyTimeout(300);
    try {
        write();
        QFAIL("the write went through while another copy held the lock");
    } catch (const DbError& e) {
        QCOMPARE(e.text(), Sql::BusyMessage);
    }
    QCOMPARE(waits, (QList<bool>{true, false}));
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_set"), 0);
    // Held shorter than the wait: the write waits and goes through.
    waits.clear();
    QProcess q;
    holdLock(q, 300);
    DataConnect1::setBusyTimeout(20000);
    write();
    QCOMPARE(waits, (QList<bool>{true, false}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_set"), 1);
    QVERIFY(q.waitForFinished(30000));
    DataConnect1::setBusyTimeout(timeout);
    Sql::setBusyObserver({});
}

QTEST_GUILESS_MAIN(TstConnection)
#include "tst_connection.moc"
