#include "bench_fill.h"

#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/sql.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <QStringList>

namespace BenchFill {

QString series() {
    return DataConnect1::onServer()
               ? QStringLiteral("WITH c(i) AS (SELECT generate_series(0, CAST(? AS INTEGER) - 1)) ")
               : QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?-1) ");
}
QString pad(const QString& expr, int width) {
    const QString w = QString::number(width);
    return DataConnect1::onServer() ? "lpad(CAST((" + expr + ") AS TEXT), " + w + ", '0')"
                                    : "printf('%0" + w + "d', " + expr + ")";
}

namespace {
// The statements that make the table's indexes again, for dropping them around a bulk fill:
// one sorted build per index is far quicker than keeping them up to date row by row.
QStringList indexesOf(const QString& table) {
    QSqlQuery q = DataConnect1::onServer()
                      ? Sql::run("SELECT indexname, indexdef FROM pg_indexes WHERE schemaname=current_schema() AND "
                                 "tablename=? AND indexname NOT IN (SELECT conname FROM pg_constraint)",
                                 {table})
                      : Sql::run("SELECT name, sql FROM sqlite_master WHERE type='index' AND tbl_name=? AND sql IS NOT NULL",
                                 {table});
    QStringList names, made;
    while (q.next()) {
        names << q.value(0).toString();
        made << q.value(1).toString();
    }
    q = QSqlQuery();
    for (const QString& n : names) Sql::run("DROP INDEX " + n);
    return made;
}
void remake(const QStringList& statements) {
    for (const QString& s : statements) Sql::run(s);
}
} // namespace

void build(int history, int balances) {
    Transaction tx;
    Sql::run(series() + "INSERT INTO kesp_item_master(item_code,item_name,item_model,unit_name,arrage_code_b,"
                        "arrage_name_b,arrage_code_s,arrage_name_s) SELECT 'I'||" + pad("i", 5) +
                 ", '品名'||(i%500), 'M'||(i%50), '件', 'B'||(i%5), '大类'||(i%5), 'S'||(i%20), '小类'||(i%20) FROM c",
             {Items});
    Sql::run("INSERT INTO kesp_item_size VALUES ('Z1','S',NULL),('Z2','M',NULL),('Z3','L',NULL),('Z4','XL',NULL),"
             "('Z5','XXL',NULL),('Z6','XXXL',NULL)");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','白',NULL),('A2','黑',NULL),('A3','红',NULL),('A4','蓝',NULL),"
             "('A5','灰',NULL),('A6','绿',NULL),('A7','黄',NULL),('A8','紫',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等',NULL),('G2','二等',NULL),('G3','三等',NULL)");
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')");
    Sql::run(series() + "INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) SELECT 'W'||" + pad("i+1", 2) +
                 ", '仓库'||(i+1) FROM c",
             {10});
    // Half of the balance rows in W01 (the large warehouse), the rest spread over W02..W10. The
    // j-th key of a warehouse: item j mod 20,000, then attribute, size and grade, so that every
    // warehouse has room for 20,000 x 8 x 6 x 3 = 2,880,000 keys.
    const int half = balances / 2;
    const QStringList balanceIndexes = indexesOf("kesp_inv_detail_tree");
    Sql::run(series() + ", k(w,j) AS (SELECT CASE WHEN i<? THEN 'W01' ELSE 'W'||" + pad("2+(i-?)%9", 2) +
                 " END, CASE WHEN i<? THEN i ELSE (i-?)/9 END FROM c) "
                 "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
                 "SELECT w, '仓库', 'I'||" + pad("j%20000", 5) +
                 ", 'A'||(1+(j/20000)%8), 'Z'||(1+(j/160000)%6), 'G'||(1+(j/960000)%3), j%50 FROM k",
             {balances, half, half, half, half});
    remake(balanceIndexes);
    const QStringList historyIndexes = indexesOf("kesp_post_history");
    Sql::run(series() + "INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,price,qty,"
                        "bill_no,operation_code,warehouse,procure_date,login_id,vendor,customer) SELECT " +
                 pad("i", 10) + ", 'I'||" + pad("i%20000", 5) + ", 'A'||(1+(i/7)%8), 'Z'||(1+(i/3)%6), 'G1', 10, "
                 "1+i%9, 'B'||" + pad("i/20", 6) + ", CASE WHEN i%3=0 THEN 'out1' ELSE 'in1' END, 'W'||" +
                 pad("1+i%10", 2) + ", '2026/'||" + pad("1+(i/90000)%12", 2) + "||'/'||" + pad("1+i%28", 2) +
                 ", 'abc', 'V1', 'C1' FROM c",
             {history});
    remake(historyIndexes);
    tx.commit();
    // A database that has been in use for a while has been vacuumed and analysed by the server's
    // own maintenance; the file's planner needs its statistics as well.
    Sql::run(DataConnect1::onServer() ? "VACUUM ANALYZE" : "ANALYZE");
}

void stage10k(const QString& other, bool out) {
    Sql::run(series() + "INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,"
                        "price,qty,bill_no,operation_code,warehouse,warehouse_name,procure_date," +
                 (out ? "customer" : "vendor") + ") SELECT 'S'||" + pad("i", 9) + ", 'abc', 'I'||" +
                 pad("((i/5)%1000)*3", 5) + ", 'A1', 'Z1', 'G1', 10, 2, 'NEW1', ?, CASE WHEN (i/5)<1000 THEN 'W01' "
                 "ELSE ? END, '仓库', '2026/12/09', ? FROM c",
             {10000, out ? "out1" : "in1", other, out ? "C1" : "V1"});
}

void postFloor() {
    const QString key = "warehouse,item_code,attr_code,size_code,stage_code";
    Transaction tx;
    Sql::run("INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
             "operation_code,warehouse,warehouse_name,procure_date,vendor,login_id) SELECT order_no,item_code,attr_code,"
             "size_code,stage_code,price,qty,bill_no,operation_code,warehouse,warehouse_name,procure_date,vendor,login_id "
             "FROM kesp_post_temp_a WHERE login_id=?",
             {"abc"});
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=round(kesp_inv_detail_tree.qty+b.q,3) FROM (SELECT " + key +
                 ", SUM(qty) AS q FROM kesp_post_temp_a WHERE login_id=? GROUP BY " + key +
                 ") AS b WHERE kesp_inv_detail_tree.warehouse=b.warehouse AND kesp_inv_detail_tree.item_code=b.item_code "
                 "AND kesp_inv_detail_tree.attr_code=b.attr_code AND kesp_inv_detail_tree.size_code=b.size_code "
                 "AND kesp_inv_detail_tree.stage_code=b.stage_code",
             {"abc"});
    Sql::run("INSERT INTO kesp_inv_detail_tree(" + key + ",warehouse_name,qty) SELECT " + key +
                 ", MAX(warehouse_name), round(SUM(qty),3) FROM kesp_post_temp_a AS s WHERE login_id=? AND NOT EXISTS "
                 "(SELECT 1 FROM kesp_inv_detail_tree AS a WHERE a.warehouse=s.warehouse AND a.item_code=s.item_code "
                 "AND a.attr_code=s.attr_code AND a.size_code=s.size_code AND a.stage_code=s.stage_code) GROUP BY " + key,
             {"abc"});
    Sql::run("DELETE FROM kesp_post_temp_a WHERE login_id=?", {"abc"});
    tx.commit();
}


} // namespace BenchFill

ServerDatabase::ServerDatabase(const QString& server, const QString& name) : m_server(server), m_name(name) {
    m_kept = !name.isEmpty();
    if (m_kept)
        m_built = maintenance(QStringLiteral("SELECT 1 FROM pg_database WHERE datname='%1'").arg(m_name));
    else
        m_name = QStringLiteral("yc_bench_%1").arg(QCoreApplication::applicationPid());
    if (!m_built) {
        maintenance("DROP DATABASE IF EXISTS " + m_name);
        maintenance("CREATE DATABASE " + m_name + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
    }
    Server::Address a = Server::parse(server);
    a.database = m_name;
    m_location = Server::location(a);
}

ServerDatabase::~ServerDatabase() {
    DataConnect1::close();
    if (m_kept || qEnvironmentVariableIsSet("BENCH_KEEP"))
        std::printf("server database %s kept\n", Server::shown(m_location).toUtf8().constData());
    else
        maintenance("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
}

bool ServerDatabase::maintenance(const QString& statement) const {
    const QString name = QStringLiteral("bench-maintenance");
    QString error;
    bool row = false;
    {
        const Server::Address a = Server::parse(m_server);
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        d.setHostName(a.host);
        d.setPort(a.port);
        d.setDatabaseName(a.database);
        d.setUserName(a.user);
        d.setPassword(a.password);
        QSqlQuery q(d);
        if (!d.open())
            error = d.lastError().text();
        else if (!q.exec("SET client_min_messages = warning") || !q.exec(statement))
            error = statement + ": " + q.lastError().text();
        else
            row = q.next();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty()) throw DbError(error);
    return row;
}
