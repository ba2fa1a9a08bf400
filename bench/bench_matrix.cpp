// Benchmark of the size × colour matrix (not a test): the dialog opened for 30 attributes ×
// 20 sizes on stock-out and stock-in, and staging 600 cells, beside the minimal SQL for the same work.
//   yicang_bench_matrix [balance_rows]
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/matrix_entry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
double median(const std::function<void()>& work, const std::function<void()>& between = {}) {
    QList<double> t;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer e;
        e.start();
        work();
        t << e.nsecsElapsed() / 1e6;
        if (between) between();
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

void row(const char* what, double ms, double floorMs) {
    std::printf("%-44s %8.2f ms  floor %8.2f ms  ratio %5.1f\n", what, ms, floorMs, floorMs > 0 ? ms / floorMs : 0.0);
}

// 30 colours, 20 sizes, 5,000 items; the item I00042 has all 600 cells in W01, grade G1; the rest
// of the balance rows are spread over ten warehouses.
void build(int balances) {
    QElapsedTimer t;
    t.start();
    Transaction tx;
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<30) "
             "INSERT INTO kesp_item_attr SELECT printf('A%02d',i), '颜色'||i, NULL FROM c");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<20) "
             "INSERT INTO kesp_item_size SELECT printf('Z%02d',i), '尺码'||i, NULL FROM c");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等品',NULL)");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<4999) "
             "INSERT INTO kesp_item_master(item_code,item_name,unit_name,arrage_code_b,arrage_name_b,arrage_code_s,"
             "arrage_name_s) SELECT printf('I%05d',i), '品名'||i, '件', 'B1', '上衣', 'S1', '衬衫' FROM c");
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01','一号仓库','I00042',attr_code,size_code,'G1',50 FROM kesp_item_attr, kesp_item_size");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT OR IGNORE INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,"
             "stage_code,qty) SELECT printf('W%02d',1+i%10), '仓库', printf('I%05d',(i/10)%5000), "
             "printf('A%02d',1+(i/50000)%30), printf('Z%02d',1+(i/7)%20), 'G1', 1+i%9 FROM c",
             {balances - 1});
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')");
    tx.commit();
    Sql::run("ANALYZE");
    std::printf("build database %lld ms, %d balance rows\n", static_cast<long long>(t.elapsed()),
                Sql::scalar("SELECT count(*) FROM kesp_inv_detail_tree").toInt());
}

Matrix::Entry entry(LineKind kind) {
    Matrix::Entry e;
    e.header = {kind, "R1", kind == LineKind::StockOut ? "out1" : "in1", "类型", "W01", "一号仓库", "2026/12/09",
                "P1", "伙伴"};
    e.item = {"I00042", "品名42", {}, {}, "B1", "上衣", "S1", "衬衫", {}, {}, {}, {}, "G1", "一等品"};
    e.price = "10";
    return e;
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int balances = argc > 1 ? std::atoi(argv[1]) : 200000;
    QTemporaryDir dir;
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    build(balances);

    const QString names = "SELECT 0, attr_code, attr_name FROM kesp_item_attr UNION ALL "
                          "SELECT 1, size_code, size_name FROM kesp_item_size";
    for (const LineKind kind : {LineKind::StockOut, LineKind::StockIn}) {
        const bool out = kind == LineKind::StockOut;
        int cells = 0;
        const double tOpen = median([&] {
            MatrixEntry d(nullptr, entry(kind));
            d.show();
            QApplication::processEvents();
            cells = (d.model()->rowCount() - 1) * (d.model()->columnCount() - 1);
        });
        const double fOpen = median([&] {
            out ? fetchAll("SELECT attr_code, size_code, qty FROM kesp_inv_detail_tree WHERE warehouse=? AND "
                           "item_code=? AND stage_code=?",
                           {"W01", "I00042", "G1"})
                : fetchAll("SELECT DISTINCT attr_code, size_code FROM kesp_inv_detail_tree WHERE item_code=?",
                           {"I00042"});
            fetchAll(names, {});
        });
        std::printf("%s matrix of %d cells\n", out ? "stock-out" : "stock-in", cells);
        row(out ? "dialog opened and shown, stock-out" : "dialog opened and shown, stock-in", tOpen, fOpen);
    }

    Matrix::Entry e = entry(LineKind::StockOut);
    QSqlQuery keys = Sql::run("SELECT attr_code, size_code FROM kesp_item_attr, kesp_item_size ORDER BY 1, 2");
    while (keys.next()) e.cells.append({keys.value(0).toString(), keys.value(1).toString(), "3"});
    const auto empty = [] { Sql::run("DELETE FROM kesp_post_temp_a"); };
    QStringList numbers;
    const double tStage = median([&] { Matrix::stage(e, &numbers); }, empty);
    const double fStage = median(
        [&] {
            // The same 600 lines by one INSERT … SELECT and the counter moved once, in one transaction.
            Transaction tx;
            Sql::run("INSERT INTO kesp_post_temp_a(item_code,item_name,arrage_code_b,arrage_name_b,arrage_code_s,"
                     "arrage_name_s,attr_code,attr_name,size_code,size_name,stage_code,stage_name,price,qty,bill_no,"
                     "operation_code,operation_name,warehouse,warehouse_name,procure_date,customer,customer_name,"
                     "order_no,login_id,operation_date,operation_time) "
                     "SELECT 'I00042','品名42','B1','上衣','S1','衬衫',a.attr_code,a.attr_name,s.size_code,s.size_name,"
                     "'G1','一等品',10,3,'R1','out1','类型','W01','一号仓库','2026/12/09','P1','伙伴',"
                     "printf('%010d', row_number() OVER (ORDER BY a.attr_code, s.size_code)),'abc','2026/12/09',"
                     "'10:00:00' FROM kesp_item_attr a, kesp_item_size s");
            Sql::run("UPDATE kesp_system_data SET sys_value=? WHERE sys_name='order_no'", {"0000099999"});
            tx.commit();
        },
        empty);
    std::printf("staged %lld lines\n", static_cast<long long>(numbers.size()));
    row("staging 600 cells", tStage, fStage);
    return 0;
}
