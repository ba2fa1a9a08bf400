// Benchmark of the balance check "核对库存" (not a test).
//   yicang_bench_check [--database FILE] [history_rows] [balance_rows]
// Builds the bench's large database (default 10,000,000 history rows, 1,000,000 balance rows;
// --database keeps it at FILE and uses it again), closes a month half-way through the history
// (its snapshot: the balances as they stand), lets "修正" bring the balances into agreement with
// snapshot + movements once, and then times the check as the window runs it (the differences
// into the window's snapshot), beside its floor: one grouping of the same rows with nothing else.
#include "bench_fill.h"
#include "closing/balance_check.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "queries/query_builders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {
void line(const char* what, double ms, double floorMs) {
    std::printf("%-58s %9.1f ms   floor %9.1f ms   ratio %.2f\n", what, ms, floorMs, floorMs > 0 ? ms / floorMs : 0.0);
}
double timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString kept;
    if (const qsizetype at = args.indexOf("--database"); at >= 0 && at + 1 < args.size()) {
        kept = QFileInfo(args.takeAt(at + 1)).absoluteFilePath();
        args.removeAt(at);
    }
    const int history = args.size() > 0 ? args[0].toInt() : 10000000;
    const int balances = args.size() > 1 ? args[1].toInt() : 1000000;
    try {
        QTemporaryDir dir;
        const QString file = kept.isEmpty() ? dir.filePath("DATA/quorvel.mdb") : kept;
        Session::setUserCode("abc");
        if (!kept.isEmpty() && QFileInfo::exists(kept)) {
            DataConnect1::open(file);
            std::printf("database %s used again\n", file.toUtf8().constData());
        } else {
            QDir().mkpath(QFileInfo(file).path());
            DataConnect1::create(file);
            std::printf("build %.0f ms\n", timed([&] { BenchFill::build(history, balances); }));
        }
        std::printf("history %lld rows, balances %lld rows\n",
                    Sql::scalar("SELECT count(*) FROM kesp_post_history").toLongLong(),
                    Sql::scalar("SELECT count(*) FROM kesp_inv_detail_tree").toLongLong());
        if (BalanceCheck::base().period.isEmpty()) {
            // A month closed when half of the history was posted.
            const double ms = timed([] {
                Transaction tx;
                Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag,history_mark) "
                         "SELECT '202606','2026','06','Y',MAX(rowid)/2 FROM kesp_post_history");
                Sql::run("INSERT INTO kesp_inv_history_detail_tree(save_code,year_v,month_v,warehouse,warehouse_name,"
                         "item_code,attr_code,size_code,stage_code,qty) SELECT '202606','2026','06',warehouse,"
                         "warehouse_name,item_code,attr_code,size_code,stage_code,qty FROM kesp_inv_detail_tree");
                tx.commit();
            });
            std::printf("snapshot half-way %.0f ms\n", ms);
            int mended = 0;
            std::printf("修正 (balances brought into agreement) %.0f ms\n", timed([&] { mended = BalanceCheck::mend(); }));
            std::printf("  %d balances rewritten\n", mended);
        }
        const BalanceCheck::Base base = BalanceCheck::base();
        std::printf("snapshot %s, history after it from row %lld\n", base.period.toUtf8().constData(), base.mark + 1);

        // The check as the window runs it.
        qint64 found = -1;
        const double check = timed([&] {
            const ListQuery d = BalanceCheck::differences(BalanceCheck::base());
            QueryBuilders::runOnce({d.sql, d.params}, "bench_check", BalanceCheck::keyOrder());
            found = Sql::scalar("SELECT count(*) FROM bench_check").toLongLong();
        });
        // Floor: the snapshot, the signed movements after the mark and the balances grouped once.
        const QString key = "warehouse,item_code,attr_code,size_code,stage_code";
        qint64 floorFound = -1;
        const double floor = timed([&] {
            floorFound = Sql::scalar("SELECT count(*) FROM (SELECT " + key + " FROM (SELECT " + key +
                                         ", qty AS q FROM kesp_inv_history_detail_tree WHERE save_code=? UNION ALL "
                                         "SELECT " + key + ", CASE WHEN operation_code IN ('in1','i_r','i_t') THEN qty "
                                         "ELSE -qty END FROM kesp_post_history WHERE rowid>? UNION ALL SELECT " + key +
                                         ", -qty FROM kesp_inv_detail_tree) AS e GROUP BY " + key +
                                         " HAVING abs(SUM(q))>0.0005) AS d",
                                     {base.period, base.mark})
                             .toLongLong();
        });
        line("核对库存: recompute every balance and list the differences", check, floor);
        std::printf("  %lld differences (floor: %lld)\n", found, floorFound);
        return 0;
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.text().toUtf8().constData());
        return 1;
    }
}
