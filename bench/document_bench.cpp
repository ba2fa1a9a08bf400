// Benchmark (not a test): a bill of 2,000 posted lines (40 items × 5 colours × 10 sizes) built
// into its document, written to PDF and opened in the print preview, beside the floor: one read
// of the bill's rows.
//   yicang_document_bench
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "documents/bill_document.h"
#include "documents/document_printer.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {
void line(const char* what, qint64 ms, qint64 floor, qint64 target) {
    std::printf("%-40s %6lld ms   floor %6lld ms   ratio %6.2f   target < %lld ms %s\n", what,
                static_cast<long long>(ms), static_cast<long long>(floor), floor > 0 ? double(ms) / double(floor) : 0.0,
                static_cast<long long>(target), ms < target ? "met" : "MISSED");
}

// The preview shown and painted once, then closed: how long a clerk waits for it.
class OpenOnce : public MessageSeam {
public:
    void notice(QWidget*, const QString&) override {}
    void dravont(QWidget*, const QString&) override {}
    bool askDravont(QWidget*, const QString&) override { return true; }
    bool confirm(QWidget*, const QString&, bool) override { return true; }
    void error(QWidget*, const QString& t) override { std::printf("error: %s\n", qPrintable(t)); }
    int runModal(QDialog*) override { return 0; }
    QString chooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
    int printPreview(QDialog* d) override {
        d->show();
        QApplication::processEvents();
        shown = timer.elapsed();
        return 0;
    }
    QElapsedTimer timer;
    qint64 shown = 0;
};

void build() {
    Transaction tx;
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name,warehouse_desc) VALUES ('W01','一号仓库',NULL)");
    Sql::run("INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i')");
    Sql::run("INSERT INTO kesp_vendor_ini(vendor,vendor_name) VALUES ('V1','华纺供应')");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<39) "
             "INSERT INTO kesp_item_master(item_code,item_name,item_model) "
             "SELECT printf('ST%03d',i), '女式风衣'||i, 'M-'||i FROM c");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<1999) "
             "INSERT INTO kesp_post_history(order_no,item_code,attr_code,attr_name,size_code,size_name,stage_code,"
             "stage_name,price,qty,bill_no,operation_code,operation_name,warehouse,warehouse_name,procure_date,"
             "vendor,vendor_name,login_id,operation_date,operation_time) "
             "SELECT printf('%010d',i+1), printf('ST%03d',i/50), printf('C%d',(i/10)%5), '颜色'||((i/10)%5), "
             "printf('Z%02d',i%10), '尺码'||(i%10), 'G1', '一等品', 59.9, 1+(i%7), 'RB000001', 'in1', '采购入库', "
             "'W01', '一号仓库', '2026/12/09', 'V1', '华纺供应', 'abc', '2026/12/09', '10:00:00' FROM c");
    tx.commit();
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    build();
    const Documents::PostedRow row{"0000000001", "RB000001", "W01", "in1", "i"};

    QElapsedTimer t;
    t.start();
    int rows = 0;
    {
        QSqlQuery q = Sql::run("SELECT * FROM kesp_post_history WHERE bill_no=? AND warehouse=?", {"RB000001", "W01"});
        while (q.next()) ++rows;
    }
    const qint64 floor = t.elapsed();
    t.restart();
    const Documents::Document d = Documents::posted(row);
    const qint64 built = t.elapsed();
    std::printf("bill of %d lines: %d blocks, %g pieces\n", rows, int(d.blocks.size()), d.qty);
    line("document built from the bill", built, floor, 200);
    t.restart();
    const QString pdf = dir.filePath("bill.pdf");
    const bool ok = DocumentPrinter::writePdf(Documents::posted(row), pdf, DocumentPrinter::Paper::A4);
    line(ok ? "built and written to PDF" : "PDF FAILED", t.elapsed(), floor, 1000);
    std::printf("PDF: %lld bytes\n", static_cast<long long>(QFileInfo(pdf).size()));
    OpenOnce seam;
    Msg::install(&seam);
    seam.timer.start();
    DocumentPrinter::preview(nullptr, Documents::posted(row));
    line("built and shown in the preview", seam.shown, floor, 500);
    Msg::install(nullptr);
    return 0;
}
