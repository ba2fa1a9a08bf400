// Stocktake benchmark (not a test): one warehouse of 100,000 balance rows counted in the count
// window. Each figure stands beside its floor, the minimal SQL for the same work on the same data
// in the same run, and their ratio.
//   yicang_bench_stocktake [balance_rows]
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "stocktake/FF20_unit.h"
#include "stocktake/stocktake.h"
#include "fields/lookupfield.h"
#include "ui/messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {
// Answers every question with Yes and shows nothing.
class YesSeam : public MessageSeam {
public:
    void notice(QWidget*, const QString& t) override { std::printf("  notice: %s\n", qPrintable(t)); }
    void dravont(QWidget*, const QString&) override {}
    bool askDravont(QWidget*, const QString&) override { return true; }
    bool confirm(QWidget*, const QString&, bool) override { return true; }
    void error(QWidget*, const QString& t) override { std::printf("  error: %s\n", qPrintable(t)); }
    int runModal(QDialog*) override { return 0; }
    QString chooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
};

qint64 timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.elapsed();
}

void report(const char* what, qint64 ms, qint64 floorMs) {
    std::printf("%-44s %7lld ms   floor %7lld ms   ratio %5.2f\n", what, static_cast<long long>(ms),
                static_cast<long long>(floorMs), floorMs > 0 ? double(ms) / double(floorMs) : 0.0);
}

void build(int balances) {
    Transaction tx;
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_item_master(item_code,item_name,unit_name,arrage_code_b,arrage_name_b,arrage_code_s,"
             "arrage_name_s) SELECT printf('I%05d',i), '品名'||(i%500), '件', 'B'||(i%5), '大类'||(i%5), "
             "'S'||(i%20), '小类'||(i%20) FROM c",
             {balances / 10 - 1});
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9) "
             "INSERT INTO kesp_item_size(size_code,size_name) SELECT 'Z'||i, '尺码'||i FROM c");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','白',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等',NULL)");
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name,warehouse_desc) VALUES ('W01','一号仓库',NULL),('W02','二号仓库',NULL)");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', '一号仓库', printf('I%05d',i/10), 'A1', 'Z'||(i%10), 'G1', i%50 FROM c",
             {balances - 1});
    // Another warehouse of the same size, so that the count must pick its own rows.
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W02', '二号仓库', item_code, attr_code, size_code, stage_code, qty FROM kesp_inv_detail_tree");
    tx.commit();
}

const char* F = "warehouse,warehouse_name,item_code,item_name,item_model,item_spec,unit_code,unit_name,arrage_code_b,"
                "arrage_name_b,arrage_code_s,arrage_name_s,attr_code,attr_name,size_code,size_name,stage_code,stage_name";
const char* Key = "a.warehouse=b.warehouse AND a.item_code=b.item_code AND a.attr_code=b.attr_code AND "
                  "a.size_code=b.size_code AND a.stage_code=b.stage_code";

// The minimal SQL of each step, run on the same data as the window's step.
void floorLoad() {
    Transaction tx;
    Sql::run("DELETE FROM kesp_check_temp WHERE login_id='abc'");
    Sql::run(QStringLiteral("INSERT INTO kesp_check_temp(%1,remaind_qty,login_id) SELECT %1,qty,'abc' FROM "
                            "kesp_inv_detail_tree_v WHERE warehouse='W01'")
                 .arg(QLatin1String(F)));
    tx.commit();
    QSqlQuery q = Sql::run("SELECT rowid AS rid, * FROM kesp_check_temp WHERE login_id='abc' ORDER BY size_name, rid");
    for (int n = 0; n < GridModel::FetchChunk && q.next(); ++n) {
    }
    q.finish();
    Sql::scalar("SELECT sum(qty), sum(remaind_qty) FROM kesp_check_temp WHERE login_id='abc'");
}
void floorFill() { Sql::run("UPDATE kesp_check_temp SET qty=remaind_qty WHERE login_id='abc' AND qty IS NULL"); }
void floorApprove() {
    Transaction tx;
    Sql::run("UPDATE kesp_check_temp SET order_no=substr('0000000000' || (100 + n.rn), -10), check_flag=1 FROM "
             "(SELECT rowid AS rid, ROW_NUMBER() OVER (ORDER BY size_name, rowid) AS rn FROM kesp_check_temp "
             "WHERE login_id='abc' AND qty IS NOT NULL) AS n WHERE kesp_check_temp.rowid=n.rid");
    tx.commit();
}
void floorAdjust() {
    Transaction tx;
    Sql::run("INSERT INTO kesp_post_history(item_code,attr_code,size_code,stage_code,qty,remaind_qty,operation_code,"
             "warehouse,order_no,login_id) SELECT item_code,attr_code,size_code,stage_code,qty,remaind_qty,'c_k',"
             "warehouse,order_no,login_id FROM kesp_check_temp WHERE login_id='abc'");
    Sql::run(QStringLiteral("UPDATE kesp_inv_detail_tree AS a SET qty=b.qty FROM kesp_check_temp AS b "
                            "WHERE b.login_id='abc' AND %1")
                 .arg(QLatin1String(Key)));
    Sql::run("DELETE FROM kesp_check_temp WHERE login_id='abc'");
    tx.commit();
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int balances = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    YesSeam seam;
    Msg::install(&seam);
    build(balances);
    Stocktake::seal("W01");
    std::printf("count of one warehouse: %d balance rows (and as many in another)\n", balances);

    FF20_form f;
    f.warehouse_a->setText("W01");
    // Each step: the window's command, then its floor on the same data, then the window's state
    // restored for the next step.
    f.load(); // the clerk's first "查询"; the timed ones below replace its rows, as a second one does
    const qint64 load = timed([&] { f.load(); });
    const qint64 loadFloor = timed(floorLoad);
    f.load();
    report("查询: load + first screen + sums", load, loadFloor);
    std::printf("  %d count rows, first screen %d rows\n", Stocktake::rowCount(), f.DBGrid1->rowCount());

    const qint64 fill = timed([&] { f.fillWithBook(); });
    Sql::run("UPDATE kesp_check_temp SET qty=NULL WHERE login_id='abc'");
    const qint64 fillFloor = timed(floorFill);
    report("按原数量填入 (every row) + first screen", fill, fillFloor);

    const qint64 approve = timed([&] { f.approveAll(); });
    std::printf("  approved %d rows; counter now %s\n",
                Sql::scalar("SELECT count(*) FROM kesp_check_temp WHERE check_flag").toInt(),
                qPrintable(Sql::scalar("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString()));
    Sql::run("UPDATE kesp_check_temp SET order_no=NULL, check_flag=0 WHERE login_id='abc'");
    const qint64 approveFloor = timed(floorApprove);
    report("全部审核 (every row, consecutive numbers)", approve, approveFloor);

    // The floor of the adjustment runs first on a copy of the count rows, so that both post the same.
    Sql::run("CREATE TEMP TABLE keep AS SELECT * FROM kesp_check_temp");
    const qint64 adjustFloor = timed(floorAdjust);
    Sql::run("INSERT INTO kesp_check_temp SELECT * FROM keep");
    const qint64 adjust = timed([&] { f.adjust(); });
    report("调帐 (every row posted)", adjust, adjustFloor);
    std::printf("  history rows %d, count rows left %d\n",
                Sql::scalar("SELECT count(*) FROM kesp_post_history").toInt(), Stocktake::rowCount());
    Msg::install(nullptr);
    return 0;
}
