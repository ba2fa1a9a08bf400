// Benchmark of the alert report "库存预警" (not a test).
//   yicang_bench_alerts [--server postgresql://user@host:port/maintenance-database | --database FILE]
//                       [balance_rows]
// Builds the bench's large database (default 1,000,000 balance rows, 100,000 history rows) with
// 19,600 item levels and 19,600 colour × size levels in W01. First nothing is below its minimum
// and no size run is broken: the login's check has to read everything to find that out. Then
// 2,000 item levels are raised above their stock and size M of every tenth item is emptied
// (16,000 broken runs), and the report is timed as its window runs it (its rows into the window's
// snapshot), beside its floor: the levels' sums and the balance rows that hold nothing, counted,
// with nothing else.
#include "bench_fill.h"
#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/session.h"
#include "data/sql.h"
#include "levels/stock_levels.h"
#include "queries/query_builders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {
double timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}
// Best of three.
double best(const std::function<void()>& work) {
    double b = 1e18;
    for (int i = 0; i < 3; ++i) b = std::min(b, timed(work));
    return b;
}
void line(const char* what, double ms, double floorMs) {
    std::printf("%-52s %9.1f ms   floor %9.1f ms   ratio %.2f\n", what, ms, floorMs, floorMs > 0 ? ms / floorMs : 0.0);
}

void run(const QString& location, int balances) {
    Session::setUserCode("abc");
    // --database: a file built by an earlier run is used again.
    if (!Server::isServerLocation(location) && QFileInfo::exists(location)) {
        DataConnect1::open(location);
        Sql::run("DELETE FROM kesp_stock_level");
        // The sizes the run before emptied.
        Sql::run("UPDATE kesp_inv_detail_tree SET qty=7 WHERE warehouse='W01' AND size_code='Z2' AND qty=0 AND "
                 "item_code LIKE '%7'");
    } else {
        if (!Server::isServerLocation(location)) QDir().mkpath(QFileInfo(location).path());
        DataConnect1::create(location);
        std::printf("build %.0f ms\n", timed([&] { BenchFill::build(100000, balances); }));
    }
    {
        Transaction tx;
        // Item levels and colour × size levels of white S of the items that hold stock in W01 (the
        // items whose number is a multiple of 50 hold none), none below its minimum.
        for (const char* key : {"'', ''", "'A1', 'Z1'"})
            Sql::run(BenchFill::series() + "INSERT INTO kesp_stock_level(warehouse,item_code,attr_code,size_code,"
                                           "min_qty,max_qty) SELECT 'W01', 'I'||" + BenchFill::pad("i", 5) + ", " + key +
                         ", 1, 60 FROM c WHERE i%50<>0",
                     {BenchFill::Items});
        tx.commit();
    }
    std::printf("%s: %lld balances, %lld levels\n", DataConnect1::onServer() ? "server" : "file",
                Sql::scalar("SELECT count(*) FROM kesp_inv_detail_tree").toLongLong(),
                Sql::scalar("SELECT count(*) FROM kesp_stock_level").toLongLong());
    bool any = true;
    const double nothing = best([&] { any = StockLevels::anyAlert(); });
    std::printf("login check, nothing to show: %.1f ms (%s)\n", nothing, any ? "shown" : "not shown");

    {
        Transaction tx;
        Sql::run("UPDATE kesp_stock_level SET min_qty=2000, max_qty=2500 WHERE attr_code='' AND item_code LIKE '%3'");
        Sql::run("UPDATE kesp_inv_detail_tree SET qty=0 WHERE warehouse='W01' AND size_code='Z2' AND item_code LIKE '%7'");
        tx.commit();
    }
    const double something = best([&] { any = StockLevels::anyAlert(); });
    std::printf("login check, something to show: %.1f ms (%s)\n", something, any ? "shown" : "not shown");

    qint64 rows = -1;
    const QueryBuilders::Statement s = StockLevels::alerts();
    const double report = best([&] {
        QueryBuilders::runOnce(s, "bench_alerts", "item_code");
        rows = Sql::scalar("SELECT count(*) FROM bench_alerts").toLongLong();
        QueryBuilders::dropSnapshot("bench_alerts");
    });
    qint64 floorRows = -1;
    const double floor = best([&] {
        floorRows = Sql::scalar("SELECT (SELECT count(*) FROM kesp_inv_detail_tree WHERE qty <= 0) + "
                                "(SELECT count(*) FROM kesp_stock_level l WHERE l.min_qty > COALESCE((SELECT SUM(t.qty) "
                                "FROM kesp_inv_detail_tree t WHERE t.warehouse=l.warehouse AND t.item_code=l.item_code "
                                "AND (l.attr_code='' OR t.attr_code=l.attr_code) AND (l.size_code='' OR "
                                "t.size_code=l.size_code)), 0))")
                        .toLongLong();
    });
    line("库存预警: the report into the window's snapshot", report, floor);
    std::printf("  %lld rows (floor: %lld rows read)\n", rows, floorRows);
    DataConnect1::close();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString server, kept;
    if (const qsizetype at = args.indexOf("--server"); at >= 0 && at + 1 < args.size()) {
        server = args.takeAt(at + 1);
        args.removeAt(at);
    }
    if (const qsizetype at = args.indexOf("--database"); at >= 0 && at + 1 < args.size()) {
        kept = QFileInfo(args.takeAt(at + 1)).absoluteFilePath();
        args.removeAt(at);
    }
    const int balances = args.isEmpty() ? 1000000 : args.first().toInt();
    try {
        if (!kept.isEmpty()) {
            run(kept, balances);
        } else if (server.isEmpty()) {
            QTemporaryDir dir;
            run(dir.filePath("DATA/quorvel.mdb"), balances);
        } else {
            ServerDatabase db(server);
            run(db.location(), balances);
        }
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
