// Barcodes at scale on the file: a scan resolved against 1,000,000 codes beside the floor (the
// single indexed SELECT of the code alone), and 1,000 labels written to PDF.
#include "barcodes/barcodes.h"
#include "barcodes/label_printer.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Session::setUserCode("abc");
    const int codes = 1000000, scans = 2000;
    try {
        DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
        Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','红色',NULL)");
        Sql::run("INSERT INTO kesp_item_size VALUES ('Z1','S码',NULL)");
        Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等品',NULL)");
        QElapsedTimer t;
        t.start();
        {
            Transaction tx;
            Sql::run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<?) "
                     "INSERT INTO kesp_item_master(item_code,item_name) SELECT 'I'||i,'款'||i FROM n WHERE i<=10000",
                     {codes});
            Sql::run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<?) "
                     "INSERT INTO kesp_item_barcode(barcode,item_code,attr_code,size_code,stage_code,barcode_kind) "
                     "SELECT 'C'||i,'I'||(i%10000+1),'A1','Z1','G1','CODE128' FROM n",
                     {codes});
            tx.commit();
        }
        std::printf("filled %d codes in %.0f ms\n", codes, double(t.elapsed()));
        // Each figure its best of three rounds.
        double resolve = 1e9, floor = 1e9;
        for (int round = 0; round < 3; ++round) {
            t.restart();
            for (int i = 0; i < scans; ++i)
                if (!Barcodes::resolve(QStringLiteral("C%1").arg((i * 7919) % codes + 1))) return 1;
            resolve = std::min(resolve, t.nsecsElapsed() / 1e6 / scans);
            t.restart();
            for (int i = 0; i < scans; ++i)
                if (!Sql::exists("SELECT barcode FROM kesp_item_barcode WHERE barcode=?",
                                 {QStringLiteral("C%1").arg((i * 7919) % codes + 1)}))
                    return 1;
            floor = std::min(floor, t.nsecsElapsed() / 1e6 / scans);
        }
        std::printf("resolve one scan against %d codes: %.3f ms (floor %.3f, %.2f)\n", codes, resolve, floor,
                    resolve / floor);
        QList<Barcodes::Label> labels;
        for (int i = 0; i < 1000; ++i)
            labels.append({Barcodes::inStoreCode(i + 1), Barcodes::Kind::EAN13, "I001", "男式衬衫", "红色", "S码", "一等品"});
        t.restart();
        if (!LabelPrinter::writePdf(labels, dir.filePath("labels.pdf"), LabelPrinter::Layout::A4Sheet)) return 1;
        std::printf("1,000 labels to PDF (A4 3x8): %.0f ms\n", double(t.elapsed()));
        t.restart();
        if (!LabelPrinter::writePdf(labels, dir.filePath("roll.pdf"), LabelPrinter::Layout::Roll40x30)) return 1;
        std::printf("1,000 labels to PDF (roll 40x30): %.0f ms\n", double(t.elapsed()));
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
