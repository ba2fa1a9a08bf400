// Benchmarks on a large database (not a test): posting 10,000 staged lines into 100,000 balance
// rows and 1,000,000 history rows; the stock and movement queries' first screen; the crosstab.
//   yicang_bench [history_rows] [balance_rows]
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/posting.h"
#include "queries/crosstab.h"
#include "queries/query_builders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {
void step(const char* what, qint64 ms) { std::printf("%-58s %8lld ms\n", what, static_cast<long long>(ms)); }

void build(int history, int balances) {
    QElapsedTimer t;
    t.start();
    Transaction tx;
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9999) "
             "INSERT INTO kesp_item_master(item_code,item_name,unit_name,arrage_code_b,arrage_name_b,arrage_code_s,"
             "arrage_name_s) SELECT printf('I%05d',i), '品名'||(i%500), '件', 'B'||(i%5), '大类'||(i%5), "
             "'S'||(i%20), '小类'||(i%20) FROM c");
    Sql::run("INSERT INTO kesp_item_size VALUES ('Z1','S',NULL),('Z2','M',NULL),('Z3','L',NULL)");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','白',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等',NULL)");
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT printf('W%02d',1+i/10000), '仓库', printf('I%05d',i%10000), 'A1', 'Z'||(1+i%3), 'G1', i%50 FROM c",
             {balances - 1});
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
             "operation_code,warehouse,procure_date,login_id) SELECT printf('%010d',i), printf('I%05d',i%10000), 'A1', "
             "'Z1', 'G1', 10, 1+i%9, 'B'||(i/20), CASE WHEN i%3=0 THEN 'out1' ELSE 'in1' END, printf('W%02d',1+i%10), "
             "printf('2026/%02d/%02d',1+(i/90000)%12,1+i%28), 'abc' FROM c",
             {history - 1});
    tx.commit();
    step("build database", t.elapsed());
}

void stage10k() {
    // 2,000 stock keys, 5 lines each; half of the keys have no balance row yet.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9999) "
             "INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
             "operation_code,warehouse,warehouse_name,procure_date,vendor) SELECT printf('S%09d',i), 'abc', "
             "printf('I%05d',((i/5)%1000)*3), 'A1', 'Z1', 'G1', 10, 2, 'NEW1', 'in1', "
             "CASE WHEN (i/5)<1000 THEN 'W01' ELSE 'W99' END, '仓库', '2026/12/09', 'V1' FROM c");
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int history = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int balances = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    std::printf("history rows %d, balance rows %d\n", history, balances);
    build(history, balances);

    stage10k();
    QElapsedTimer t;
    t.start();
    const int posted = Posting::post(LineKind::StockIn);
    step("post 10,000 staged lines (2,000 keys, 1,000 new)", t.elapsed());
    std::printf("  posted %d lines; balance rows now %d\n", posted,
                Sql::scalar("SELECT count(*) FROM kesp_inv_detail_tree").toInt());

    stage10k();
    t.restart();
    Posting::post(LineKind::StockIn);
    step("post again (all keys exist now)", t.elapsed());

    // Queries: first screen of rows with the footer sum.
    t.restart();
    const QueryBuilders::Statement stock = QueryBuilders::stockQuery({{"warehouse", "W01"}});
    QSqlQuery q = Sql::run("SELECT * FROM (" + stock.sql + ") AS g ORDER BY item_code", stock.params);
    int n = 0;
    while (n < 256 && q.next()) ++n;
    const double s = Sql::scalar("SELECT sum(qty) FROM (" + stock.sql + ") AS s", stock.params).toDouble();
    step("stock query: first 256 rows + footer sum (one warehouse)", t.elapsed());
    std::printf("  first screen %d rows, total %.2f\n", n, s);
    q.finish();

    // Worst case: one warehouse holding every balance row (no criterion narrows the view).
    t.restart();
    const QueryBuilders::Statement all = QueryBuilders::stockQuery({});
    QSqlQuery w = Sql::run("SELECT * FROM (" + all.sql + ") AS g ORDER BY item_code", all.params);
    n = 0;
    while (n < 256 && w.next()) ++n;
    const double ws = Sql::scalar("SELECT sum(qty) FROM (" + all.sql + ") AS s", all.params).toDouble();
    step("stock query: first 256 rows + footer sum (every balance row)", t.elapsed());
    std::printf("  first screen %d rows, total %.2f\n", n, ws);
    w.finish();

    t.restart();
    QueryBuilders::refillWorkTable(stock);
    step("stock query: refill summary work table", t.elapsed());

    t.restart();
    const QueryBuilders::Statement moves =
        QueryBuilders::movementQuery('i', {{"warehouse", "W01"}}, "2026/03/01", "2026/03/31");
    QSqlQuery m = Sql::run("SELECT * FROM (" + moves.sql + ") AS g ORDER BY item_code", moves.params);
    n = 0;
    while (n < 256 && m.next()) ++n;
    const double ms = Sql::scalar("SELECT sum(qty) FROM (" + moves.sql + ") AS s", moves.params).toDouble();
    step("movement query: first 256 rows + footer sum (one month)", t.elapsed());
    std::printf("  first screen %d rows, total %.2f\n", n, ms);
    m.finish();

    // Crosstab over 100,000 work rows.
    Sql::run("DELETE FROM kesp_inv_detail_tree_v_out");
    Sql::run("INSERT INTO kesp_inv_detail_tree_v_out(item_code,item_name,size_code,size_name,qty,login_id) "
             "SELECT item_code, item_name, size_code, size_name, qty, 'abc' FROM kesp_inv_detail_tree_v LIMIT 100000");
    t.restart();
    const Crosstab::Result r = Crosstab::build(Crosstab::heading("尺寸"), Crosstab::heading("名称"), {}, {});
    step("crosstab 尺寸 x 名称 over 100,000 work rows", t.elapsed());
    std::printf("  %lld rows x %lld value columns\n", static_cast<long long>(r.rows.size()),
                static_cast<long long>(r.columns.size()));
    return 0;
}
