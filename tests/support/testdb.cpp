#include "support/testdb.h"

#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// Runs one statement on the server's maintenance database (CREATE/DROP DATABASE cannot run on
// the connection that uses the database).
void onMaintenance(const QString& statement) {
    const QString name = QStringLiteral("testdb-maintenance");
    {
        const Server::Address a = Server::parse(TestDb::server());
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        d.setHostName(a.host);
        d.setPort(a.port);
        d.setDatabaseName(a.database);
        d.setUserName(a.user);
        d.setPassword(a.password);
        if (!d.open()) qFatal("the test server does not answer: %s", qPrintable(d.lastError().text()));
        QSqlQuery q(d);
        q.exec(QStringLiteral("SET client_min_messages = warning"));
        if (!q.exec(statement)) qFatal("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}
int g_databases = 0;
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
        // A database of its own on the test server for every test database.
        Server::Address a = Server::parse(s);
        m_database = QStringLiteral("yct_%1_%2").arg(QCoreApplication::applicationPid()).arg(++g_databases);
        onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_database));
        onMaintenance(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                          .arg(m_database));
        a.database = m_database;
        m_path = Server::location(a);
        if (kind == Kind::EmptyOnServer) return;
    }
    DataConnect1::create(m_path);
    Session::setUserCode(QStringLiteral("abc"));
}

TestDb::~TestDb() {
    if (m_kind != Kind::EmptyOnServer) DataConnect1::close(); // the shared connection is another's then
    if (!m_database.isEmpty()) onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
}

void TestDb::seedMasters() {
    const QStringList s = {
        "INSERT INTO kesp_warehouse_ini VALUES ('W01','一号仓库','主仓'),('W02','二号仓库',NULL)",
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
