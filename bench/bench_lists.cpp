// Benchmark of the reversal screens' drop-downs on 1,000,000 history rows (not a test): the bill
// list when the window opens, narrowed while a number is typed, and the line list of one bill,
// each filled into a real lookup field, beside the minimal SQL for the same rows.
//   yicang_bench_lists [history_rows]
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/lookupfield.h"
#include "movements/reversal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
// Median of five runs, in milliseconds.
double median(const std::function<void()>& work) {
    QList<double> t;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer e;
        e.start();
        work();
        t << e.nsecsElapsed() / 1e6;
    }
    std::sort(t.begin(), t.end());
    return t[2];
}

int fetchAll(const QString& sql, const QVariantList& params) {
    QSqlQuery q = Sql::run(sql, params);
    int n = 0;
    while (q.next()) ++n;
    return n;
}

void row(const char* what, double ms, double floorMs, int rows) {
    std::printf("%-44s %8.2f ms  floor %8.2f ms  ratio %5.1f  (%d rows)\n", what, ms, floorMs,
                floorMs > 0 ? ms / floorMs : 0.0, rows);
}

void plan(const ListQuery& q) {
    QSqlQuery p = Sql::run("EXPLAIN QUERY PLAN " + q.sql, q.params);
    while (p.next()) std::printf("    plan: %s\n", qPrintable(p.value(3).toString()));
}

void build(int history) {
    QElapsedTimer t;
    t.start();
    Transaction tx;
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9999) "
             "INSERT INTO kesp_item_master(item_code,item_name,unit_name,arrage_code_b,arrage_name_b,arrage_code_s,"
             "arrage_name_s) SELECT printf('I%05d',i), '品名'||(i%500), '件', 'B'||(i%5), '大类'||(i%5), "
             "'S'||(i%20), '小类'||(i%20) FROM c");
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')");
    // Bills of ten lines; a third are stock-out bills; one line in fifty is a red line.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_post_history(order_no,item_code,attr_code,attr_name,size_code,size_name,stage_code,"
             "stage_name,price,qty,bill_no,operation_code,warehouse,warehouse_name,procure_date,vendor,vendor_name,"
             "customer,customer_name,login_id,red_flag) "
             "SELECT printf('%010d',i), printf('I%05d',(i*7)%10000), 'A1', '白', 'Z1', 'S', 'G1', '一等', 10, "
             "CASE WHEN i%50=0 THEN -1 ELSE 1+i%9 END, printf('P%07d',i/10), "
             "CASE WHEN (i/10)%3=0 THEN (CASE WHEN i%50=0 THEN 'o_r' ELSE 'out1' END) "
             "     ELSE (CASE WHEN i%50=0 THEN 'i_r' ELSE 'in1' END) END, "
             "printf('W%02d',1+(i/10)%10), '仓库', printf('2026/%02d/%02d',1+(i/90000)%12,1+i%28), "
             "CASE WHEN (i/10)%3<>0 THEN printf('V%03d',(i/10)%50) END, CASE WHEN (i/10)%3<>0 THEN '供应商' END, "
             "CASE WHEN (i/10)%3=0 THEN printf('C%03d',(i/10)%40) END, CASE WHEN (i/10)%3=0 THEN '客户' END, "
             "'abc', CASE WHEN i%50=0 THEN 'Y' END FROM c",
             {history - 1});
    tx.commit();
    Sql::run("ANALYZE");
    std::printf("build database %lld ms\n", static_cast<long long>(t.elapsed()));
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int history = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    std::printf("history rows %d\n", history);
    build(history);

    LookupField bills;
    bills.setListColumns({"bill_no", "warehouse_name", "vendor_name"});
    bills.setKeyField("bill_no");
    const ListQuery open = Reversal::billList(LineKind::InReversal);
    int n = 0;
    const double tOpen = median([&] {
        bills.setList(open.sql, open.params);
        n = bills.listRowCount();
    });
    const double fOpen = median([&] {
        // The same bills with the direction's operation codes known beforehand, fetched without a widget.
        fetchAll("SELECT DISTINCT bill_no, warehouse, warehouse_name, vendor, vendor_name FROM kesp_post_history "
                 "WHERE operation_code IN ('in1','i_r') ORDER BY bill_no DESC LIMIT ?",
                 {Reversal::BillListLimit});
    });
    row("bill drop-down when the window opens", tOpen, fOpen, n);
    plan(open);

    const ListQuery typed = Reversal::billList(LineKind::InReversal, "P00421");
    const double tTyped = median([&] {
        bills.setList(typed.sql, typed.params);
        n = bills.listRowCount();
    });
    const double fTyped = median([&] {
        fetchAll("SELECT DISTINCT bill_no, warehouse, warehouse_name, vendor, vendor_name FROM kesp_post_history "
                 "WHERE operation_code IN ('in1','i_r') AND bill_no>=? AND bill_no<? ORDER BY bill_no DESC LIMIT ?",
                 {"P00421", "P00422", Reversal::BillListLimit});
    });
    row("bill drop-down narrowed to 'P00421'", tTyped, fTyped, n);

    const ListQuery outBills = Reversal::billList(LineKind::OutReversal);
    const double tOut = median([&] {
        bills.setList(outBills.sql, outBills.params);
        n = bills.listRowCount();
    });
    const double fOut = median([&] {
        fetchAll("SELECT DISTINCT bill_no, warehouse, warehouse_name, customer, customer_name FROM kesp_post_history "
                 "WHERE operation_code IN ('out1','o_r') ORDER BY bill_no DESC LIMIT ?",
                 {Reversal::BillListLimit});
    });
    row("stock-out bill drop-down when the window opens", tOut, fOut, n);

    LookupField lines;
    lines.setListColumns({"item_code", "item_name", "arrage_name_b", "arrage_name_s", "attr_name", "size_name",
                          "stage_name", "price", "qty"});
    lines.setKeyField("order_no");
    lines.setTextField("item_code");
    // Bill P0050002 is a stock-in bill of warehouse W03 and vendor V002.
    const ListQuery lq = Reversal::lineList(LineKind::InReversal, {"P0050002", "W03", "仓库", "V002", "供应商"});
    const double tLines = median([&] {
        lines.setList(lq.sql, lq.params);
        n = lines.listRowCount();
    });
    const double fLines = median([&] { fetchAll("SELECT * FROM kesp_post_history WHERE bill_no=?", {"P0050002"}); });
    row("line drop-down of one bill", tLines, fLines, n);
    plan(lq);

    // For comparison: every bill of the direction at once, as one unbounded list.
    const double tAll = median([&] {
        n = fetchAll("SELECT DISTINCT bill_no,warehouse,warehouse_name,vendor,vendor_name FROM kesp_post_history_v "
                     "WHERE i_o_flag='i'",
                     {});
    });
    row("unbounded bill list (query only, not used)", tAll, tAll, n);
    return 0;
}
