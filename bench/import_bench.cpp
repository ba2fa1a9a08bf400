// Benchmark (not a test): a barcode sheet of 100,000 rows (20,000 items × 5 colour-size variants)
// read from XLSX, checked and imported, beside the floor: the same rows written by one multi-row
// INSERT per 500 rows in one transaction. Prints the process's highest resident memory.
//   yicang_import_bench [--server postgresql://user@host:port/maintenance-database] [items]
#include "barcodes/barcodes.h"
#include "bench_fill.h"
#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/session.h"
#include "data/sql.h"
#include "export/table_file.h"
#include "import/importer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

namespace {
void line(const char* what, qint64 ms, qint64 floor, qint64 target) {
    std::printf("%-44s %7lld ms   floor %6lld ms   ratio %6.2f   target < %lld ms %s\n", what,
                static_cast<long long>(ms), static_cast<long long>(floor), floor > 0 ? double(ms) / double(floor) : 0.0,
                static_cast<long long>(target), ms < target ? "met" : "MISSED");
}

double peakMb() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmHWM:")) return l.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}


void masters(int items) {
    Transaction tx;
    Sql::run("INSERT INTO kesp_item_unit VALUES ('J','件')");
    Sql::run("INSERT INTO kesp_item_arrage_b VALUES ('B1','上装',NULL)");
    Sql::run("INSERT INTO kesp_item_arrage_s VALUES ('S1','T恤',NULL,'B1')");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('WH','白色',NULL),('BK','黑色',NULL)");
    Sql::run("INSERT INTO kesp_item_size VALUES ('S','S',NULL),('M','M',NULL),('L','L',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('ZP','正品',NULL)");
    QList<QVariantList> rows;
    QVariantList params;
    for (int i = 0; i < items; ++i) {
        params << QStringLiteral("T%1").arg(i, 6, 10, QLatin1Char('0')) << QStringLiteral("圆领T恤%1").arg(i);
        if (params.size() == 1000 || i == items - 1) {
            const int n = int(params.size() / 2);
            Sql::run(QStringLiteral("INSERT INTO kesp_item_master(item_code,item_name,unit_code,unit_name,arrage_code_b,"
                                    "arrage_name_b,arrage_code_s,arrage_name_s) VALUES %1")
                         .arg(QStringList(n, "(?,?,'J','件','B1','上装','S1','T恤')").join(',')),
                     params);
            params.clear();
        }
    }
    tx.commit();
}

const char* Colours[] = {"WH", "BK"};
const char* Sizes[] = {"S", "M", "L"};

// Row r of the sheet: item r/5, its variant r%5 (colour name, size name), the code.
QStringList sheetRow(int r) {
    const int v = r % 5;
    return {QStringLiteral("T%1").arg(r / 5, 6, 10, QLatin1Char('0')), v < 3 ? "白色" : "黑色", Sizes[v % 3], "正品",
            Barcodes::inStoreCode(r + 1)};
}

qint64 run(const QString& location, int items) {
    DataConnect1::create(location);
    Session::setUserCode("abc");
    masters(items);
    const int rows = items * 5;
    QTemporaryDir dir;
    const QString path = dir.filePath("barcodes.xlsx");
    {
        auto w = TableFile::xlsxWriter(rows);
        w->begin(path, {}, {{"项目代码"}, {"颜色"}, {"尺寸"}, {"等级"}, {"条码"}});
        for (int r = 0; r < rows; ++r) {
            const QStringList c = sheetRow(r);
            w->row({c[0], c[1], c[2], c[3], c[4]});
        }
        w->commit();
    }
    std::printf("%s: %d items, %d barcode rows\n", DataConnect1::onServer() ? "server" : "file", items, rows);

    QElapsedTimer t;
    t.start();
    const Import::Sheet sheet = Import::read(path);
    const qint64 readMs = t.elapsed();
    const Import::Layout layout = Import::detect(Import::Kind::Barcodes, sheet);
    t.restart();
    const Import::Check checked = Import::check(Import::Kind::Barcodes, sheet, layout, {});
    const qint64 checkMs = t.elapsed();
    t.restart();
    const Import::Check done = Import::run(Import::Kind::Barcodes, sheet, layout, {});
    const qint64 importMs = t.elapsed();
    if (!checked.ok() || !done.ok() || done.counts.added != rows)
        std::printf("unexpected: %d problems, %d added\n", int(done.problems.size()), done.counts.added);

    // Floor: the same rows, codes resolved already, one multi-row INSERT per 50 rows.
    Sql::run("DELETE FROM kesp_item_barcode");
    t.restart();
    {
        Transaction tx;
        for (int start = 0; start < rows; start += 50) {
            QVariantList params;
            for (int r = start; r < std::min(rows, start + 50); ++r) {
                const int v = r % 5;
                params << Barcodes::inStoreCode(r + 1) << QStringLiteral("T%1").arg(r / 5, 6, 10, QLatin1Char('0')) << Colours[v / 3]
                       << Sizes[v % 3];
            }
            Sql::run(QStringLiteral("INSERT INTO kesp_item_barcode(barcode,item_code,attr_code,size_code,stage_code,"
                                    "barcode_kind) VALUES %1")
                         .arg(QStringList(int(params.size() / 4), "(?,?,?,?,'ZP','EAN13')").join(',')),
                     params);
        }
        tx.commit();
    }
    const qint64 floorMs = t.elapsed();
    const qint64 total = readMs + checkMs + importMs;
    std::printf("  read XLSX %lld ms, check %lld ms, import (checks again, writes) %lld ms\n",
                static_cast<long long>(readMs), static_cast<long long>(checkMs), static_cast<long long>(importMs));
    line("check and import 100,000 barcode rows", total, floorMs, DataConnect1::onServer() ? 20000 : 10000);
    std::printf("  resident memory at most %.0f MB (target < 300 MB)\n", peakMb());
    DataConnect1::close();
    return total;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString server;
    if (const qsizetype at = args.indexOf("--server"); at >= 0 && at + 1 < args.size()) {
        server = args.takeAt(at + 1);
        args.removeAt(at);
    }
    const int items = args.isEmpty() ? 20000 : args.first().toInt();
    try {
        if (server.isEmpty()) {
            QTemporaryDir dir;
            run(dir.filePath("quorvel.mdb"), items);
        } else {
            ServerDatabase db(server);
            run(db.location(), items);
        }
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
