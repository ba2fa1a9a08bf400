#include "bench_fill.h"

#include "data/DataConnect1_Unit.h"
#include "data/sql.h"

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

void build(int history, int balances) {
    Transaction tx;
    Sql::run(series() + "INSERT INTO kesp_item_master(item_code,item_name,item_model,unit_name,arrage_code_b,"
                        "arrage_name_b,arrage_code_s,arrage_name_s) SELECT 'I'||" + pad("i", 5) +
                 ", '品名'||(i%500), 'M'||(i%50), '件', 'B'||(i%5), '大类'||(i%5), 'S'||(i%20), '小类'||(i%20) FROM c",
             {20000});
    Sql::run("INSERT INTO kesp_item_size VALUES ('Z1','S',NULL),('Z2','M',NULL),('Z3','L',NULL)");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','白',NULL),('A2','黑',NULL),('A3','红',NULL),('A4','蓝',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等',NULL)");
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')");
    Sql::run(series() + "INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) SELECT 'W'||" + pad("i+1", 2) +
                 ", '仓库'||(i+1) FROM c",
             {10});
    // Half of the balance rows in W01 (the large warehouse), the rest spread over W02..W10.
    const int half = balances / 2;
    Sql::run(series() + ", k(w,j) AS (SELECT CASE WHEN i<? THEN 'W01' ELSE 'W'||" + pad("2+(i-?)%9", 2) +
                 " END, CASE WHEN i<? THEN i ELSE (i-?)/9 END FROM c) "
                 "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
                 "SELECT w, '仓库', 'I'||" + pad("j%10000", 5) +
                 ", 'A'||(1+(j/10000)%4), 'Z'||(1+(j/40000)%3), 'G1', j%50 FROM k",
             {balances, half, half, half, half});
    Sql::run(series() + "INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,price,qty,"
                        "bill_no,operation_code,warehouse,procure_date,login_id,vendor,customer) SELECT " +
                 pad("i", 10) + ", 'I'||" + pad("i%10000", 5) + ", 'A1', 'Z1', 'G1', 10, 1+i%9, 'B'||" +
                 pad("i/20", 6) + ", CASE WHEN i%3=0 THEN 'out1' ELSE 'in1' END, 'W'||" + pad("1+i%10", 2) +
                 ", '2026/'||" + pad("1+(i/90000)%12", 2) + "||'/'||" + pad("1+i%28", 2) +
                 ", 'abc', 'V1', 'C1' FROM c",
             {history});
    tx.commit();
    // A database that has been in use for a while has been vacuumed and analysed by the server's
    // own maintenance; the file's planner needs its statistics as well.
    Sql::run(DataConnect1::onServer() ? "VACUUM ANALYZE" : "ANALYZE");
}

void stage10k(const QString& other) {
    Sql::run(series() + "INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,"
                        "price,qty,bill_no,operation_code,warehouse,warehouse_name,procure_date,vendor) SELECT 'S'||" +
                 pad("i", 9) + ", 'abc', 'I'||" + pad("((i/5)%1000)*3", 5) +
                 ", 'A1', 'Z1', 'G1', 10, 2, 'NEW1', 'in1', CASE WHEN (i/5)<1000 THEN 'W01' ELSE ? END, '仓库', "
                 "'2026/12/09', 'V1' FROM c",
             {10000, other});
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
