// Moving a site onto the server: a database file filled by postings copied into an empty server
// database, then compared table by table with queries of the test's own; a server database that
// is not empty is refused; a failure on the way leaves the server database empty; the program's
// command end to end. Needs the test server: without it the test fails.
#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/server_copy.h"
#include "data/sql.h"
#include "support/testdb.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <cmath>

namespace {
// A role of the clerks, no administrator, on the test server.
void makeClerksRole(const QString& location) {
    TestDb::rawValue(location, "DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'yc_clerks') "
                               "THEN CREATE ROLE yc_clerks LOGIN; END IF; END$$");
}
// Every row of a table as text, sorted, numbers at 3 decimals, NULL marked: the same rows give
// the same list on both engines.
QStringList rowsOf(QSqlDatabase d, const QString& table, const QString& skip = {}) {
    QSqlQuery q(d);
    if (!q.exec("SELECT * FROM " + table)) qFatal("%s: %s", qPrintable(table), qPrintable(q.lastError().text()));
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i) {
            if (r.fieldName(i).compare(skip, Qt::CaseInsensitive) == 0) continue;
            const QVariant v = q.value(i);
            bool number = false;
            const double x = v.toDouble(&number);
            if (v.isNull())
                cells << "NULL";
            else if (v.typeId() == QMetaType::Bool)
                cells << QString::number(v.toBool() ? 1000 : 0); // as the file keeps it: a number
            else if (number && v.typeId() != QMetaType::QString)
                cells << QString::number(std::llround(x * 1000));
            else
                cells << v.toString();
        }
        rows << cells.join('|');
    }
    rows.sort();
    return rows;
}

// The source file on a connection of the test's own.
struct FileView {
    explicit FileView(const QString& file) {
        QSqlDatabase d = QSqlDatabase::addDatabase("QSQLITE", "source-view");
        d.setDatabaseName(file);
        if (!d.open()) qFatal("source: %s", qPrintable(d.lastError().text()));
    }
    ~FileView() {
        { QSqlDatabase::database("source-view").close(); }
        QSqlDatabase::removeDatabase("source-view");
    }
    QSqlDatabase db() const { return QSqlDatabase::database("source-view"); }
    QVariant value(const QString& sql) const {
        QSqlQuery q(db());
        q.exec(sql);
        return q.next() ? q.value(0) : QVariant();
    }
    QStringList tables() const {
        QSqlQuery q(db());
        q.exec("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%'");
        QStringList t;
        while (q.next()) t << q.value(0).toString();
        return t;
    }
};

// Tables and the citext extension in a server database, seen on a connection of the test's own.
int serverObjects(const QString& location) {
    int n = -1;
    {
        QSqlDatabase d = TestDb::connectOwn(location, "target-view");
        QSqlQuery q(d);
        q.exec("SELECT (SELECT count(*) FROM information_schema.tables WHERE table_schema = 'public') + "
               "(SELECT count(*) FROM pg_extension WHERE extname = 'citext')");
        if (q.next()) n = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("target-view");
    return n;
}

// A site's file: masters, two stock-in bills and a stock-out bill posted, a month's snapshot,
// column settings with a gap in their row numbers, a stocktake row, and a balance key handed out
// and deleted again (the file's counter stands above the highest key).
void fillSite() {
    TestDb::seedMasters();
    TestDb::seedStock();
    TestDb::seedIssue();
    Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag,operation_date) VALUES ('202611','2026','11','Y','2026/11/30')");
    Sql::run("INSERT INTO kesp_inv_history_detail_tree VALUES ('202611','2026','11','W01','一号仓库','I001','A1','Z1','G1',12.345),"
             "('202611','2026','11','w02','二号仓库','I002','A1','Z1','G1',-0.5)");
    Sql::run("INSERT INTO kesp_window_fields_set VALUES ('abc','CC10','a,b'),('abc','DD10','c'),('u2','CC10',NULL)");
    Sql::run("DELETE FROM kesp_window_fields_set WHERE window_code='DD10'");
    Sql::run("INSERT INTO kesp_check_temp(login_id,warehouse,item_code,remaind_qty,qty,check_flag) "
             "VALUES ('abc','W01','I001',7,6.5,1),('abc','W01','I002',5,5,0)");
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,qty) VALUES ('W09','GONE',1)");
    Sql::run("DELETE FROM kesp_inv_detail_tree WHERE warehouse='W09'");
}
} // namespace

class TstServerCopy : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!TestDb::onServer()) QFAIL("these tests need the test server (YC_TEST_BACKEND=postgresql, YC_TEST_SERVER)");
    }
    void copiesEveryRowAndFigure();
    void nonEmptyTargetIsRefused();
    void failureOnTheWayLeavesTargetEmpty();
    void commandCopiesAndRefusesASecondTime();
    void tablesOfAnotherRoleAreNamed();
};

void TstServerCopy::copiesEveryRowAndFigure() {
    TestDb file(TestDb::Kind::File);
    fillSite();
    const qint64 fileCounter = TestDb::value("SELECT seq FROM sqlite_sequence WHERE name='kesp_inv_detail_tree'").toLongLong();
    DataConnect1::close();
    const auto digest = [&] {
        QFile f(file.path());
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    };
    const QByteArray before = digest();
    TestDb target(TestDb::Kind::EmptyOnServer);
    QStringList log;
    const ServerCopy::Result r = ServerCopy::copy(file.path(), target.path(), [&](const QString& l) { log << l; });
    QVERIFY2(r.ok(), qPrintable(r.error));
    QVERIFY(!DataConnect1::isOpen());
    QCOMPARE(digest(), before); // read only: the file is as it was
    QCOMPARE(QFileInfo(file.path() + "-wal").size(), 0); // a reader may leave the log file, empty
    QVERIFY(log.contains("kesp_post_history：6 行"));
    QVERIFY(std::all_of(r.figures.cbegin(), r.figures.cend(), [](const ServerCopy::Figure& f) { return f.equal(); }));
    QStringList described;
    for (const auto& f : r.figures) described << ServerCopy::describe(f);
    QVERIFY2(described.contains("库存 仓库 W01：本地 58.000，服务器 58.000"), qPrintable(described.join('\n')));
    QVERIFY(described.contains("kesp_inv_history_detail_tree 数量合计：本地 11.845，服务器 11.845"));

    // Compared independently: every table's rows on both sides.
    DataConnect1::open(target.path());
    FileView source(file.path());
    const QStringList tables = source.tables();
    QCOMPARE(tables.size(), 29);
    for (const QString& t : tables) {
        const QString skip =
            (t == "kesp_window_fields_set" || t == "kesp_check_temp" || t == "kesp_post_history") ? "row_id" : QString();
        QCOMPARE(TestDb::count("SELECT count(*) FROM " + t), source.value("SELECT count(*) FROM " + t).toInt());
        QCOMPARE(rowsOf(Sql::db(), t, skip), rowsOf(source.db(), t));
    }
    // The history keeps its row numbers: a closed month's history position means the same rows.
    QCOMPARE(TestDb::value("SELECT string_agg(CAST(row_id AS TEXT), ',' ORDER BY row_id) FROM kesp_post_history").toString(),
             source.value("SELECT group_concat(rowid, ',') FROM (SELECT rowid FROM kesp_post_history ORDER BY rowid)").toString());
    QCOMPARE(TestDb::value("SELECT sum(qty) FROM kesp_inv_detail_tree WHERE warehouse='W01'").toDouble(),
             source.value("SELECT sum(qty) FROM kesp_inv_detail_tree WHERE warehouse='W01'").toDouble());
    QCOMPARE(TestDb::value("SELECT sum(qty) FROM kesp_inv_detail_tree").toDouble(), 58.0);
    // The creation's own rows are not doubled: one account, one counter row.
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table"), 1);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString(),
             source.value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString());
    // Row numbers kept, gap and all.
    QCOMPARE(TestDb::count("SELECT row_id FROM kesp_window_fields_set WHERE login_id='u2'"), 3);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE check_flag"), 1);
    // Text still compares without letter case on the server.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_history_detail_tree WHERE warehouse='W02'"), 1);

    // The site works on: new balance keys come after every key the file handed out, the order
    // numbers continue, and new rows of the key-less tables get numbers of their own.
    QVERIFY(fileCounter > TestDb::value("SELECT max(ID) FROM kesp_inv_detail_tree").toLongLong());
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W02','I003','A1','Z1','G1',2)");
    QCOMPARE(TestDb::value("SELECT max(ID) FROM kesp_inv_detail_tree").toLongLong(), fileCounter + 1);
    Sql::run("INSERT INTO kesp_window_fields_set(login_id,window_code) VALUES ('abc','EE10')");
    QCOMPARE(TestDb::count("SELECT row_id FROM kesp_window_fields_set WHERE window_code='EE10'"), 4);
    const QString lastOrder = TestDb::value("SELECT max(order_no) FROM kesp_post_history").toString();
    TestDb::seedIssue();
    QVERIFY(TestDb::value("SELECT max(order_no) FROM kesp_post_history").toString() > lastOrder);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code='Z1'").toDouble(), 4.0);
}

void TstServerCopy::nonEmptyTargetIsRefused() {
    TestDb file(TestDb::Kind::File);
    fillSite();
    DataConnect1::close();
    TestDb target; // on the server, with its schema and initial rows
    TestDb::seedMasters();
    DataConnect1::close();
    const int objects = serverObjects(target.path());
    const ServerCopy::Result r = ServerCopy::copy(file.path(), target.path());
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains("不是空的"), qPrintable(r.error));
    QVERIFY(r.figures.isEmpty());
    QCOMPARE(serverObjects(target.path()), objects);
    DataConnect1::open(target.path());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table"), 1);
}

void TstServerCopy::failureOnTheWayLeavesTargetEmpty() {
    TestDb file(TestDb::Kind::File);
    fillSite();
    // The file takes any text in a number column; the server does not. This table comes after
    // the postings, so its failure falls in the middle of the copy.
    Sql::run("UPDATE kesp_inv_history_detail_tree SET qty='12,5' WHERE warehouse='W01'");
    DataConnect1::close();
    TestDb target(TestDb::Kind::EmptyOnServer);
    const ServerCopy::Result r = ServerCopy::copy(file.path(), target.path());
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains("kesp_inv_history_detail_tree"), qPrintable(r.error));
    QCOMPARE(serverObjects(target.path()), 0);
    QVERIFY(!DataConnect1::isOpen());
    // The source is untouched and takes writes again; mended, it copies.
    DataConnect1::open(file.path());
    Sql::run("UPDATE kesp_inv_history_detail_tree SET qty=12.5 WHERE warehouse='W01'");
    DataConnect1::close();
    const ServerCopy::Result again = ServerCopy::copy(file.path(), target.path());
    QVERIFY2(again.ok(), qPrintable(again.error));
    // Not a server address, and no file: clear messages, nothing made.
    QVERIFY(ServerCopy::copy(file.path(), file.dir() + "/other.mdb").error.contains("不是数据库服务器的地址"));
    QVERIFY(ServerCopy::copy(file.dir() + "/none.mdb", target.path()).error.contains("数据库文件不存在"));
    QVERIFY(!QFileInfo::exists(file.dir() + "/other.mdb"));
}

void TstServerCopy::commandCopiesAndRefusesASecondTime() {
    TestDb file(TestDb::Kind::File);
    fillSite();
    DataConnect1::close();
    TestDb target(TestDb::Kind::EmptyOnServer);
    // The clerks' own role owns the database, not the server's administrator.
    const Server::Address admin = Server::parse(target.path());
    makeClerksRole(target.path());
    TestDb::rawValue(target.path(), QString("ALTER DATABASE %1 OWNER TO yc_clerks").arg(admin.database));
    {
        // The site's settings name the server; the command takes it from there.
        QSettings ini(file.dir() + "/Dravont.ini", QSettings::IniFormat);
        Server::Address a = admin;
        a.user = "yc_clerks";
        ini.setValue("server/driver", "QPSQL");
        ini.setValue("server/host", a.host);
        ini.setValue("server/port", a.port);
        ini.setValue("server/database", a.database);
        ini.setValue("server/user", a.user);
    }
    QProcess p;
    p.setWorkingDirectory(file.dir());
    p.start(YC_EXE, {"--copy-to-server"});
    QVERIFY(p.waitForFinished(120000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString warnings = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitCode() == 0, qPrintable(out + warnings));
    QVERIFY2(out.contains("复制完毕，核对无误"), qPrintable(out));
    QVERIFY2(!warnings.contains("superuser"), qPrintable(warnings)); // the catalogue is left alone
    QVERIFY(out.contains("kesp_post_history 行数：本地 6，服务器 6"));
    QVERIFY(out.contains("库存 仓库 W01：本地 58.000，服务器 58.000"));
    DataConnect1::open(target.path());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 6);
    DataConnect1::close();

    // Once more with the address on the command line: the server database is no longer empty.
    p.start(YC_EXE, {"--copy-to-server", target.path()});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 1);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.contains("不是空的") && err.contains("服务器上的数据库保持原样"), qPrintable(err));
    DataConnect1::open(target.path());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 6);
}

// A database restored by the server's administrator: the clerks' role is told whose tables
// they are, not "relation already exists".
void TstServerCopy::tablesOfAnotherRoleAreNamed() {
    TestDb target(TestDb::Kind::EmptyOnServer);
    DataConnect1::create(target.path());
    DataConnect1::close();
    makeClerksRole(target.path());
    Server::Address a = Server::parse(target.path());
    const QString admin = a.user;
    a.user = "yc_clerks";
    QString error;
    try {
        DataConnect1::open(Server::location(a));
    } catch (const DbError& e) {
        error = e.text();
    }
    DataConnect1::close();
    QVERIFY2(error.contains("属于角色 " + admin + "，") && error.contains("yc_clerks 无权使用"), qPrintable(error));
}

QTEST_GUILESS_MAIN(TstServerCopy)
#include "tst_server_copy.moc"
