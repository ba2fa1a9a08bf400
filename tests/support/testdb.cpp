#include "support/testdb.h"

#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "security/rights.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// A connection of the tests' own to a server database, set up as the program's is. Its own
// application name: a test that cuts the program's sessions off leaves it alone.
QSqlDatabase serverConnection(const QString& name, const QString& location) {
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    Server::configure(d, location);
    d.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=yicang-tests"));
    return d;
}

QString onDatabase(const QString& database) {
    Server::Address a = Server::parse(TestDb::server());
    if (!database.isEmpty()) a.database = database;
    return Server::location(a);
}

// Runs one statement on the server's maintenance database (CREATE/DROP DATABASE cannot run on
// the connection that uses the database), or on the database named.
void onMaintenance(const QString& statement, const QString& database = {}) {
    const QString name = QStringLiteral("testdb-maintenance");
    {
        QSqlDatabase d = serverConnection(name, onDatabase(database));
        if (!d.open()) qFatal("the test server does not answer: %s", qPrintable(d.lastError().text()));
        QSqlQuery q(d);
        q.exec(QStringLiteral("SET client_min_messages = warning"));
        if (!q.exec(statement)) qFatal("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}
int g_copies = 0;

// A database can only be the template of another while nobody is connected to it.
void closeReset() {
    if (QSqlDatabase::contains(QStringLiteral("testdb-reset"))) QSqlDatabase::removeDatabase(QStringLiteral("testdb-reset"));
}

// One database on the test server per test process, emptied for every TestDb (making and
// dropping a database per test costs the server a checkpoint each time).
QString processDatabase() {
    static QString name;
    if (name.isEmpty()) {
        name = QStringLiteral("yct_%1").arg(QCoreApplication::applicationPid());
        onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        onMaintenance(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                          .arg(name));
        qAddPostRoutine([] {
            closeReset();
            onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)); });
    } else {
        // Emptied on a connection kept for it: a new connection costs more than the emptying.
        const QString reset = QStringLiteral("testdb-reset");
        QSqlDatabase d = QSqlDatabase::database(reset, false);
        if (!d.isValid()) d = serverConnection(reset, onDatabase(name));
        if (!d.isOpen() && !d.open()) qFatal("the test server does not answer: %s", qPrintable(d.lastError().text()));
        QSqlQuery q(d);
        q.exec(QStringLiteral("SET client_min_messages = warning"));
        if (!q.exec(QStringLiteral("DROP SCHEMA public CASCADE")) || !q.exec(QStringLiteral("CREATE SCHEMA public")))
            qFatal("cannot empty the test database: %s", qPrintable(q.lastError().text()));
    }
    return name;
}

} // namespace

QString TestDb::server() {
    const QByteArray backend = qgetenv("YC_TEST_BACKEND");
    if (backend.isEmpty() || backend == "sqlite") return {};
    if (backend != "postgresql") qFatal("unknown YC_TEST_BACKEND %s", backend.constData());
    const QString s = QString::fromLocal8Bit(qgetenv("YC_TEST_SERVER"));
    // The server run must not pass by falling back to the file.
    if (!Server::isServerLocation(s)) qFatal("YC_TEST_BACKEND=postgresql needs YC_TEST_SERVER=postgresql://...");
    return s;
}

bool TestDb::onServer() { return !server().isEmpty(); }

TestDb::TestDb(Kind kind) : m_kind(kind) {
    const QString s = kind == Kind::File ? QString() : server();
    if (kind == Kind::EmptyOnServer && s.isEmpty()) qFatal("an empty server database needs YC_TEST_SERVER");
    if (s.isEmpty()) {
        m_path = m_dir.filePath(QStringLiteral("DATA/quorvel.mdb"));
    } else {
        Server::Address a = Server::parse(s);
        if (kind == Kind::EmptyOnServer) {
            // Beside the process's database, which another TestDb may be using meanwhile.
            m_database = QStringLiteral("yct_%1_empty%2").arg(QCoreApplication::applicationPid()).arg(++g_copies);
            onMaintenance(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' "
                                         "LC_CTYPE 'C'")
                              .arg(m_database));
            m_copies << m_database; // dropped with this object
        } else {
            m_database = processDatabase();
        }
        a.database = m_database;
        m_path = Server::location(a);
        if (kind == Kind::EmptyOnServer) return;
    }
    DataConnect1::create(m_path);
    Session::setUserCode(QStringLiteral("abc"));
    grantAll({QStringLiteral("other"), QStringLiteral("xyz"), QStringLiteral("abc "), QStringLiteral("u1"),
              QStringLiteral("u2")});
}

void TestDb::grantAll(const QStringList& accounts) {
    for (const QString& a : accounts) {
        Sql::run(QStringLiteral("DELETE FROM kesp_user_right WHERE login_id=?"), {a});
        Sql::run(QStringLiteral("DELETE FROM kesp_user_warehouse WHERE login_id=?"), {a});
        Sql::run(QStringLiteral("INSERT INTO kesp_user_right(login_id, command) VALUES (?, '*'), (?, 'PRICE')"), {a, a});
        Sql::run(QStringLiteral("INSERT INTO kesp_user_warehouse(login_id, warehouse, may_operate) VALUES (?, '*', 'Y')"),
                 {a});
    }
    Rights::forget(); // written past the rights window, which would have told the kept grant
}

void TestDb::grant(const QString& account, const QStringList& commands, const QStringList& warehouses, bool prices) {
    Sql::run(QStringLiteral("DELETE FROM kesp_user_right WHERE login_id=?"), {account});
    Sql::run(QStringLiteral("DELETE FROM kesp_user_warehouse WHERE login_id=?"), {account});
    QStringList all = commands;
    if (prices) all << QStringLiteral("PRICE");
    for (const QString& c : all)
        Sql::run(QStringLiteral("INSERT INTO kesp_user_right(login_id, command) VALUES (?, ?)"), {account, c});
    for (const QString& w : warehouses) {
        const QStringList parts = w.split(':');
        Sql::run(QStringLiteral("INSERT INTO kesp_user_warehouse(login_id, warehouse, may_operate) VALUES (?, ?, ?)"),
                 {account, parts[0], parts.size() > 1 ? QStringLiteral("N") : QStringLiteral("Y")});
    }
    Rights::forget(); // written past the rights window, which would have told the kept grant
}

TestDb::~TestDb() {
    if (m_kind != Kind::EmptyOnServer) DataConnect1::close(); // the shared connection is another's then
    if (m_database.isEmpty()) return;
    for (const QString& c : m_copies) onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(c));
}

QString TestDb::padded(const QString& prefix, const QString& expr, int width) {
    if (onServer())
        return QStringLiteral("('") + prefix + QStringLiteral("' || lpad(CAST((") + expr + QStringLiteral(") AS TEXT), ") +
               QString::number(width) + QStringLiteral(", '0'))");
    return QStringLiteral("printf('") + prefix + QStringLiteral("%0") + QString::number(width) + QStringLiteral("d', ") +
           expr + QLatin1Char(')');
}

QString TestDb::joined(const QString& expr) {
    if (onServer()) return QStringLiteral("string_agg(CAST((%1) AS TEXT), ',')").arg(expr);
    return QStringLiteral("group_concat(%1, ',')").arg(expr);
}

void TestDb::failWhen(const QString& name, const QString& table, const QString& event, const QString& condition,
                      const QString& message) {
    if (!onServer()) {
        Sql::run(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 WHEN %4 BEGIN SELECT RAISE(ABORT, '%5'); END")
                     .arg(name, event, table, condition, message));
        return;
    }
    Sql::run(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF %2 THEN "
                            "RAISE EXCEPTION '%3'; END IF; RETURN NEW; END $$")
                 .arg(name, condition, message));
    Sql::run(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()").arg(name, event, table));
}

void TestDb::dropFailure(const QString& name, const QString& table) {
    if (!onServer()) {
        Sql::run(QStringLiteral("DROP TRIGGER %1").arg(name));
        return;
    }
    Sql::run(QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table));
    Sql::run(QStringLiteral("DROP FUNCTION %1()").arg(name));
}

bool TestDb::hasIndex(const QString& name) {
    if (onServer()) return Sql::exists(QStringLiteral("SELECT 1 FROM pg_indexes WHERE indexname=?"), {name.toLower()});
    return Sql::exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='index' AND name=?"), {name});
}

QVariant TestDb::rawValue(const QString& location, const QString& sql) {
    const QString name = QStringLiteral("testdb-raw");
    QVariant v;
    {
        QSqlDatabase d = connectOwn(location, name);
        QSqlQuery q(d);
        if (q.exec(sql) && q.next()) v = q.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return v;
}

QSqlDatabase TestDb::connectOwn(const QString& location, const QString& name) {
    QSqlDatabase d;
    if (Server::isServerLocation(location)) {
        d = serverConnection(name, location);
    } else {
        d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(location);
    }
    if (!d.open()) qFatal("cannot open %s", qPrintable(location));
    return d;
}

bool TestDb::hasTempTable(const QString& name) {
    if (onServer()) return Sql::scalar(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), {"pg_temp." + name}).toBool();
    return Sql::exists(QStringLiteral("SELECT 1 FROM sqlite_temp_master WHERE name=?"), {name});
}

QString TestDb::copy() {
    const int n = m_copies.size() + 1;
    if (!onServer()) {
        Sql::run(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        const QString target = m_dir.filePath(QStringLiteral("copy%1.mdb").arg(n));
        if (!QFile::copy(m_path, target)) qFatal("cannot copy the database file");
        m_copies << target;
        return target;
    }
    DataConnect1::close();
    closeReset();
    const QString name = QStringLiteral("%1_copy%2").arg(m_database).arg(++g_copies);
    onMaintenance(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, m_database));
    m_copies << name;
    DataConnect1::open(m_path);
    Server::Address a = Server::parse(m_path);
    a.database = name;
    return Server::location(a);
}

void TestDb::seedMasters() {
    const QStringList s = {
        "INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name,warehouse_desc) VALUES ('W01','一号仓库','主仓'),('W02','二号仓库',NULL)",
        "INSERT INTO kesp_item_arrage_b VALUES ('B1','上衣',NULL),('B2','裤子',NULL)",
        "INSERT INTO kesp_item_arrage_s VALUES ('S1','衬衫',NULL,'B1'),('S2','长裤',NULL,'B2'),('S3','T恤',NULL,'B1')",
        "INSERT INTO kesp_item_attr VALUES ('A1','红色',NULL),('A2','蓝色',NULL)",
        "INSERT INTO kesp_item_size VALUES ('Z1','S码',NULL),('Z2','M码',NULL),('Z3','L码',NULL)",
        "INSERT INTO kesp_item_stage VALUES ('G1','一等品',NULL),('G2','二等品',NULL)",
        "INSERT INTO kesp_item_unit VALUES ('U1','件')",
        "INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')",
        "INSERT INTO kesp_vendor_ini(vendor,vendor_name) VALUES ('V1','华纺供应')",
        "INSERT INTO kesp_customer_ini(customer,customer_name) VALUES ('C1','东方商场')",
        "INSERT INTO kesp_item_master VALUES ('I001','男式衬衫','M-01','棉','U1','件','B1','上衣','S1','衬衫'),"
        "('I002','女式长裤',NULL,NULL,'U1','件','B2','裤子','S2','长裤'),"
        "('I003','短袖T恤','T-3',NULL,'U1','件','B1','上衣','S3','T恤')",
    };
    for (const QString& q : s) Sql::run(q);
}

namespace {
struct L {
    const char* item;
    const char* name;
    const char* big;
    const char* small;
    const char* size;
    double qty;
    const char* bill;
};

// Stages the lines as user "abc" from warehouse W01 and posts them.
template <size_t N> void postLines(const L (&lines)[N], bool in) {
    const QString user = Session::userCode();
    Session::setUserCode(QStringLiteral("abc"));
    for (const L& l : lines) {
        OrderNumbers::stageWithNumber([&](const QString& no) {
            Staging::Values row = {{"order_no", no}, {"login_id", "abc"}, {"item_code", l.item}, {"item_name", l.name},
                             {"arrage_code_b", l.big}, {"arrage_code_s", l.small}, {"attr_code", "A1"},
                             {"attr_name", "红色"}, {"size_code", l.size}, {"size_name", l.size}, {"stage_code", "G1"},
                             {"stage_name", "一等品"}, {"price", 1.0}, {"qty", l.qty}, {"bill_no", l.bill},
                             {"operation_code", in ? "in1" : "out1"}, {"warehouse", "W01"},
                             {"warehouse_name", "一号仓库"}, {"procure_date", "2026/12/01"}};
            if (in) {
                row.append(qMakePair(QStringLiteral("vendor"), QVariant("V1")));
                row.append(qMakePair(QStringLiteral("vendor_name"), QVariant("华纺供应")));
            } else {
                row.append(qMakePair(QStringLiteral("customer"), QVariant("C1")));
                row.append(qMakePair(QStringLiteral("customer_name"), QVariant("东方商场")));
            }
            Staging::insert(row);
        });
    }
    Posting::post(in ? LineKind::StockIn : LineKind::StockOut);
    Session::setUserCode(user);
}
} // namespace

void TestDb::seedStock() {
    const L lines[] = {{"I001", "男式衬衫", "B1", "S1", "Z1", 10, "R1"},
                       {"I001", "男式衬衫", "B1", "S1", "Z2", 20, "R1"},
                       {"I001", "男式衬衫", "B1", "S1", "Z3", 30, "R2"},
                       {"I002", "女式长裤", "B2", "S2", "Z1", 5, "R2"}};
    postLines(lines, true);
}

void TestDb::seedIssue() {
    const L lines[] = {{"I001", "男式衬衫", "B1", "S1", "Z1", 3, "D1"}, {"I001", "男式衬衫", "B1", "S1", "Z2", 4, "D1"}};
    postLines(lines, false);
}

int TestDb::count(const QString& sql, const QVariantList& params) { return Sql::scalar(sql, params).toInt(); }
QVariant TestDb::value(const QString& sql, const QVariantList& params) { return Sql::scalar(sql, params); }
