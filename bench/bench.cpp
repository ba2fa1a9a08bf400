// Benchmarks on a large database (not a test), through the real windows where a clerk would use
// them. Each figure is printed beside its floor, the minimal SQL for the same work on the same data
// through the same connection in the same run, and the ratio; windows and popups in absolute ms.
//   yicang_bench [history_rows] [balance_rows]
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "masterdata/BB10_Unit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/posting.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/crosstab.h"
#include "queries/filter_panel.h"
#include "queries/query_builders.h"
#include "ui/messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
// Errors are printed; nothing waits for a click.
class PrintingSeam : public MessageSeam {
public:
    void notice(QWidget*, const QString& t) override { say(t); }
    void dravont(QWidget*, const QString& t) override { say(t); }
    bool askDravont(QWidget*, const QString& t) override { return say(t), true; }
    bool confirm(QWidget*, const QString& t, bool) override { return say(t), true; }
    void error(QWidget*, const QString& t) override { say("error: " + t); }
    int runModal(QDialog*) override { return 0; }
    QString chooseImageFile(QWidget*, const QString&, const QString&) override { return {}; }

private:
    static void say(const QString& t) { std::printf("  [message] %s\n", t.toUtf8().constData()); }
};

// Best of three runs, in ms (the first run warms the page cache like a clerk's second query).
double best(const std::function<void()>& work) {
    double b = 1e18;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        b = std::min(b, t.nsecsElapsed() / 1e6);
    }
    return b;
}

void ratio(const char* what, double ms, double floor) {
    std::printf("%-62s %8.1f ms  floor %8.1f ms  ratio %.2f\n", what, ms, floor, ms / floor);
}
void absolute(const char* what, double ms) { std::printf("%-62s %8.1f ms\n", what, ms); }

void build(int history, int balances) {
    QElapsedTimer t;
    t.start();
    Transaction tx;
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<19999) "
             "INSERT INTO kesp_item_master(item_code,item_name,item_model,unit_name,arrage_code_b,arrage_name_b,"
             "arrage_code_s,arrage_name_s) SELECT printf('I%05d',i), '品名'||(i%500), 'M'||(i%50), '件', 'B'||(i%5), "
             "'大类'||(i%5), 'S'||(i%20), '小类'||(i%20) FROM c");
    Sql::run("INSERT INTO kesp_item_size VALUES ('Z1','S',NULL),('Z2','M',NULL),('Z3','L',NULL)");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','白',NULL),('A2','黑',NULL),('A3','红',NULL),('A4','蓝',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等',NULL)");
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<10) "
             "INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) SELECT printf('W%02d',i), '仓库'||i FROM c");
    // Half of the balance rows in W01 (the large warehouse), the rest spread over W02..W10.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?), "
             "k(w,j) AS (SELECT CASE WHEN i<?/2 THEN 'W01' ELSE printf('W%02d',2+(i-?/2)%9) END, "
             "CASE WHEN i<?/2 THEN i ELSE (i-?/2)/9 END FROM c) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT w, '仓库', printf('I%05d',j%10000), 'A'||(1+(j/10000)%4), 'Z'||(1+(j/40000)%3), 'G1', j%50 FROM k",
             {balances - 1, balances, balances, balances, balances});
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
             "operation_code,warehouse,procure_date,login_id,vendor,customer) SELECT printf('%010d',i), "
             "printf('I%05d',i%10000), 'A1', 'Z1', 'G1', 10, 1+i%9, printf('B%06d',i/20), "
             "CASE WHEN i%3=0 THEN 'out1' ELSE 'in1' END, printf('W%02d',1+i%10), "
             "printf('2026/%02d/%02d',1+(i/90000)%12,1+i%28), 'abc', 'V1', 'C1' FROM c",
             {history - 1});
    tx.commit();
    Sql::run("ANALYZE");
    absolute("build database", t.elapsed());
}

void stage10k() {
    // 2,000 stock keys, 5 lines each; half of the keys have no balance row yet.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9999) "
             "INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
             "operation_code,warehouse,warehouse_name,procure_date,vendor) SELECT printf('S%09d',i), 'abc', "
             "printf('I%05d',((i/5)%1000)*3), 'A1', 'Z1', 'G1', 10, 2, 'NEW1', 'in1', "
             "CASE WHEN (i/5)<1000 THEN 'W01' ELSE 'W99' END, '仓库', '2026/12/09', 'V1' FROM c");
}

// The minimal SQL of one query run: the refill as one INSERT ... SELECT, the first screen as one
// SELECT ... LIMIT 256 read to its end, and optionally the footer as one SUM.
double floorOf(const QueryBuilders::Statement& s, const QString& columns, bool refill, bool sum) {
    return best([&] {
        if (refill) {
            Transaction tx;
            Sql::run("DELETE FROM kesp_inv_detail_tree_v_out WHERE login_id='abc'");
            Sql::run(QStringLiteral("INSERT INTO kesp_inv_detail_tree_v_out(%1,login_id) SELECT %1,'abc' FROM (%2) "
                                    "WHERE qty<>0")
                         .arg(columns, s.sql),
                     s.params);
            tx.commit();
        }
        QSqlQuery q = Sql::run("SELECT * FROM (" + s.sql + ") ORDER BY item_code LIMIT 256", s.params);
        while (q.next()) {
        }
        if (sum) Sql::scalar("SELECT SUM(qty) FROM (" + s.sql + ")", s.params);
    });
}

template <class W> double opening(W** keep) {
    return best([&] {
        delete *keep;
        *keep = new W;
        (*keep)->show();
        QApplication::processEvents();
    });
}

double popup(LookupField* f) {
    return best([&] {
        f->showPopup();
        QApplication::processEvents();
        f->hidePopup();
    });
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrintingSeam seam;
    Msg::install(&seam);
    const int history = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int balances = argc > 2 ? std::atoi(argv[2]) : 200000;
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("BENCH_KEEP")) { // the database stays for a look in the sqlite3 shell
        dir.setAutoRemove(false);
        std::printf("database %s\n", dir.filePath("DATA/quorvel.mdb").toUtf8().constData());
    }
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    std::printf("history rows %d, balance rows %d (W01: %d)\n", history, balances, balances / 2);
    build(history, balances);

    stage10k();
    QElapsedTimer t;
    t.start();
    const int posted = Posting::post(LineKind::StockIn);
    absolute("post 10,000 staged lines (2,000 keys, 1,000 new)", t.elapsed());
    std::printf("  posted %d lines\n", posted);
    stage10k();
    t.restart();
    Posting::post(LineKind::StockIn);
    absolute("post again (all keys exist now)", t.elapsed());

    const QString movementColumns =
        "item_code,item_name,arrage_code_b,arrage_name_b,arrage_code_s,arrage_name_s,attr_code,attr_name,size_code,"
        "size_name,stage_code,stage_name,warehouse,warehouse_name,qty,item_model,item_spec,unit_name";
    const QString stockColumns =
        "ID,warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty,item_name,item_model,item_spec,"
        "unit_code,unit_name,arrage_code_b,arrage_name_b,arrage_code_s,arrage_name_s,attr_name,size_name,stage_name";

    // Movement record query of W01 over the year: "查询" in the window.
    {
        TCC40_form f;
        f.show();
        f.filters->warehouse_a->setEditText("W01");
        f.procure_date_a->setDate(QDate(2026, 1, 1));
        f.Procure_date_b->setDate(QDate(2026, 12, 31));
        const double ms = best([&] { f.Cmd_Query->click(); });
        std::printf("  %d work rows\n", QueryBuilders::workRowCount());
        const auto s = QueryBuilders::movementQuery('i', {{"warehouse", "W01"}}, "2026/01/01", "2026/12/31");
        ratio("movement query W01, a year: first screen + footer + refill", ms, floorOf(s, movementColumns, true, false));
    }
    // Current stock of W01 (half of the balance rows), and of every balance row.
    {
        TEE10_form f;
        f.show();
        f.filters->warehouse_a->setEditText("W01");
        const double ms = best([&] { f.Cmd_Query->click(); });
        const auto s = QueryBuilders::stockQuery({{"warehouse", "W01"}});
        ratio("stock query W01: first screen + footer + refill", ms, floorOf(s, stockColumns, false, true));
        ratio("  the same against SELECT LIMIT 256 + SUM + INSERT ... SELECT", ms, floorOf(s, stockColumns, true, true));

        // Every balance row, in its two parts: the run (snapshot and refill in one transaction) and
        // the grid's first screen with its footer read from the snapshot.
        const auto all = QueryBuilders::stockQuery({});
        QueryBuilders::Snapshot run;
        const double runMs = best([&] { run = QueryBuilders::runOnce(all, "q_bench", "item_code"); });
        const double gridMs = best([&] { f.DBGrid1->openKeyed(run.select, {}, run.key); });
        ratio("stock query, every balance row: first screen + footer + refill", runMs + gridMs,
              floorOf(all, stockColumns, false, true));
        ratio("  the same against SELECT LIMIT 256 + SUM + INSERT ... SELECT", runMs + gridMs,
              floorOf(all, stockColumns, true, true));
        ratio("  its run (snapshot + refill) against INSERT ... SELECT", runMs, floorOf(all, stockColumns, true, false) -
                                                                              floorOf(all, stockColumns, false, false));
        ratio("  its first screen + footer against SELECT LIMIT 256 + SUM", gridMs, floorOf(all, stockColumns, false, true));
        QueryBuilders::dropSnapshot("q_bench");
    }

    // Crosstab 尺寸 x 名称 over 100,000 work rows: "确定" in the style dialog.
    {
        Transaction tx;
        Sql::run("DELETE FROM kesp_inv_detail_tree_v_out");
        Sql::run("INSERT INTO kesp_inv_detail_tree_v_out(item_code,item_name,size_code,size_name,qty,login_id) "
                 "SELECT item_code, item_name, size_code, size_name, qty, 'abc' FROM kesp_inv_detail_tree_v LIMIT 100000");
        tx.commit();
        Group_Grid_form g;
        const double ms = best([&] { g.prepare("尺寸", "名称"); });
        const double floor = best([] {
            QSqlQuery q = Sql::run("SELECT item_name, SUM(qty), SUM(CASE WHEN size_name='L' THEN qty END), "
                                   "SUM(CASE WHEN size_name='M' THEN qty END), SUM(CASE WHEN size_name='S' THEN qty END) "
                                   "FROM kesp_inv_detail_tree_v_out WHERE login_id='abc' GROUP BY item_name");
            while (q.next()) {
            }
        });
        ratio("crosstab 尺寸 x 名称 over 100,000 work rows (\"确定\": with range list)", ms, floor);
        ratio("crosstab 尺寸 x 名称 over 100,000 work rows (\"刷新\")", best([&] { g.Cmd_fresh->click(); }), floor);
        std::printf("  %d rows x %d columns\n", g.DBGrid1->rowCount(), int(g.DBGrid1->captions().size()));
    }

    // Opening each window (constructed, shown, first events handled).
    {
        TCC40_form* a = nullptr;
        absolute("open 入库记录查询", opening(&a));
        absolute("  popup of its bill list", popup(a->bill_no_a));
        a->bill_no_a->setEditText("B0123");
        absolute("  popup of its bill list, typed B0123", popup(a->bill_no_a));
        delete a;
        TDD30_form* b = nullptr;
        absolute("open 出库记录查询", opening(&b));
        delete b;
        TEE10_form* c = nullptr;
        absolute("open 当前库存查询", opening(&c));
        emit c->filters->item_code_a->entered();
        absolute("  popup of its item list (20,000 items)", popup(c->filters->item_code_a));
        delete c;
        TCC10_form* d = nullptr;
        absolute("open 入库操作", opening(&d));
        delete d;
        TDD10_form* e = nullptr;
        absolute("open 出库操作", opening(&e));
        e->findChild<LookupField*>("warehouse_a")->setEditText("W01");
        LookupField* rows = e->findChild<LookupField*>("item_code_a");
        const double enter = best([&] { emit rows->entered(); });
        absolute("  entering its stock-row field (W01)", enter);
        absolute("  popup of its stock rows (W01)", popup(rows));
        delete e;
        TBB10_form* m = nullptr;
        absolute("open 项目代码 (item master)", opening(&m));
        absolute("  entering its F3 (both range lists)", best([&] { emit m->F3->entered(); }));
        absolute("  popup of F3", popup(m->F3));
        delete m;
    }
    return 0;
}
