// Benchmarks of month-end closing, the historical stock query and the backup (not a test).
//   yicang_bench_closing [balance_rows] [database_mb]
// Each figure stands beside its floor: the least work the engine must do for the same result on
// the same data in the same run.
//
// Measured 2026-12-09 on the shared two-core machine (200,000 balance rows, 520 MB database):
//   month-end closing                      410 ms   floor   376 ms   ratio 1.09
//   historical stock, first screen + sum    22 ms   floor    21 ms   ratio 1.05 (floor: current stock)
//   backup                               31492 ms   floor 23303 ms   ratio 1.35 (engine copy + Deflate)
//   progress moved 170 times; longest still 758 ms; archive 108 MB
#include "backup/backup.h"
#include "closing/periods.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/snapshot.h"
#include "data/sql.h"
#include "queries/query_builders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <zip.h>

namespace {
void line(const char* what, qint64 ms, qint64 floorMs) {
    std::printf("%-52s %7lld ms   floor %7lld ms   ratio %.2f\n", what, static_cast<long long>(ms),
                static_cast<long long>(floorMs), floorMs > 0 ? double(ms) / double(floorMs) : 0.0);
}

qint64 firstScreen(const QueryBuilders::Statement& s) {
    QElapsedTimer t;
    t.start();
    QSqlQuery q = Sql::run("SELECT * FROM (" + s.sql + ") AS g ORDER BY item_code", s.params);
    for (int n = 0; n < 256 && q.next(); ++n) {
    }
    q.finish();
    Sql::scalar("SELECT sum(qty) FROM (" + s.sql + ") AS s", s.params);
    return t.elapsed();
}

qint64 fileMb(const QString& path) { return QFileInfo(path).size() / (1024 * 1024); }
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int balances = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int targetMb = argc > 2 ? std::atoi(argv[2]) : 500;
    QTemporaryDir dir;
    const QString db = dir.filePath("DATA/quorvel.mdb");
    DataConnect1::create(db);
    Session::setUserCode("abc");

    {
        Transaction tx;
        Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9999) "
                 "INSERT INTO kesp_item_master(item_code,item_name,unit_name,arrage_code_b,arrage_name_b,arrage_code_s,"
                 "arrage_name_s) SELECT printf('I%05d',i), '品名'||(i%500), '件', 'B'||(i%5), '大类'||(i%5), "
                 "'S'||(i%20), '小类'||(i%20) FROM c");
        Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
                 "INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
                 "SELECT printf('W%02d',1+i/20000), '仓库', printf('I%05d',i%10000), 'A1', 'Z'||(1+(i/10000)%2), 'G1', "
                 "i%50 FROM c",
                 {balances - 1});
        Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag) VALUES ('202611','2026','11','N')");
        tx.commit();
    }
    std::printf("balance rows %d\n", balances);

    // Closing: the snapshot with its flag in one transaction, against the bare copy statement.
    qint64 floorMs = 0;
    {
        QElapsedTimer t;
        t.start();
        Transaction tx;
        Sql::run("INSERT INTO kesp_inv_history_detail_tree SELECT 'floor','2026','11',warehouse,warehouse_name,"
                 "item_code,attr_code,size_code,stage_code,qty FROM kesp_inv_detail_tree");
        tx.commit();
        floorMs = t.elapsed();
        Sql::run("DELETE FROM kesp_inv_history_detail_tree WHERE save_code='floor'");
    }
    QElapsedTimer t;
    t.start();
    int rows = 0;
    Periods::close("202611", QDate(2026, 12, 1), &rows);
    line("month-end closing (snapshot + flag)", t.elapsed(), floorMs);
    std::printf("  %d snapshot rows\n", rows);

    // Historical stock against the current stock on the same rows: first screen + footer sum.
    const qint64 current = firstScreen(QueryBuilders::stockQuery({{"warehouse", "W01"}}));
    const qint64 history = firstScreen(QueryBuilders::historyStockQuery({{"warehouse", "W01"}, {"save_code", "202611"}}));
    line("historical stock: first 256 rows + sum (one warehouse)", history, current);
    std::printf("  floor here: the current stock query on the same rows\n");

    // Grow the file to the target size with movement history, then back it up.
    Transaction grow;
    for (int batch = 0; fileMb(db) + fileMb(db + "-wal") < targetMb; ++batch) {
        Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<199999) "
                 "INSERT INTO kesp_post_history(order_no,item_code,attr_code,size_code,stage_code,price,qty,bill_no,"
                 "operation_code,warehouse,procure_date,login_id,vendor_name) SELECT printf('%010d',?+i), "
                 "printf('I%05d',i%10000), 'A1', 'Z1', 'G1', 10, 1+i%9, 'B'||((?+i)/20), 'in1', printf('W%02d',1+i%10), "
                 "printf('2026/%02d/%02d',1+i%12,1+i%28), 'abc', hex(randomblob(8)) FROM c",
                 {batch * 200000, batch * 200000});
    }
    grow.commit();
    Sql::run("PRAGMA wal_checkpoint(TRUNCATE)");
    std::printf("database %lld MB\n", static_cast<long long>(fileMb(db)));

    const QString start = dir.path();
    const QDateTime now = QDateTime::currentDateTime();
    const Backup::Job job{db, Backup::archivePath(start, now), Backup::entryName(start, db)};
    Backup::Progress progress;
    Backup::Result result;
    QThread* worker = QThread::create([&] { result = Backup::make(job, &progress); });
    QElapsedTimer total, still;
    total.start();
    still.start();
    qint64 longestStill = 0;
    int lastA = -1, lastB = -1, moves = 0;
    worker->start();
    while (!worker->wait(10)) {
        const int a = progress.snapshot, b = progress.archive;
        if (a != lastA || b != lastB) {
            const qint64 gap = still.restart();
            if (gap > 900)
                std::printf("  still %lld ms before %d/%d at %lld ms\n", static_cast<long long>(gap), a, b,
                            static_cast<long long>(total.elapsed()));
            longestStill = std::max(longestStill, gap);
            lastA = a;
            lastB = b;
            ++moves;
        }
    }
    longestStill = std::max(longestStill, still.elapsed());
    const qint64 backupMs = total.elapsed();
    delete worker;
    if (!result.error.isEmpty()) std::printf("backup failed: %s\n", result.error.toLocal8Bit().constData());

    // Floor: the engine's copy alone, then Deflate of that copy with nothing else.
    QElapsedTimer f;
    f.start();
    const QString bare = dir.filePath("bare.db");
    Snapshot::write(db, bare);
    const qint64 copyMs = f.elapsed();
    f.restart();
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(dir.filePath("bare.zip")).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    zip_source_t* src = zip_source_file(za, QFile::encodeName(bare).constData(), 0, 0);
    const zip_int64_t idx = zip_file_add(za, "Data/quorvel.mdb", src, 0);
    zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, Backup::DeflateLevel);
    zip_close(za);
    const qint64 zipMs = f.elapsed();
    line("backup (snapshot, check, Deflate, read-back)", backupMs, copyMs + zipMs);
    std::printf("  floor = engine copy %lld ms + Deflate of it %lld ms; archive %lld MB\n",
                static_cast<long long>(copyMs), static_cast<long long>(zipMs),
                static_cast<long long>(fileMb(job.archive)));
    std::printf("  progress moved %d times; longest still %lld ms\n", moves, static_cast<long long>(longestStill));
    return 0;
}
