// The shared connection: sealed-warehouse check, regional date settings, several running copies.
#include "data/DataConnect1_Unit.h"
#include "data/dateformat_check.h"
#include "data/session.h"
#include "data/sql.h"
#include "support/testdb.h"

#include <QProcess>
#include <QSettings>
#include <QTest>

class TstConnection : public QObject {
    Q_OBJECT
private slots:
    void sealedOnlyForItsUser();
    void dateFormatCheck_data();
    void dateFormatCheck();
    void twoCopiesStageAtOnce();
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

QTEST_GUILESS_MAIN(TstConnection)
#include "tst_connection.moc"
