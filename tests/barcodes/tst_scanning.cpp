// A hand scanner into the windows: every code typed at full speed (its keys and Enter queued
// before the first one is handled) lands once, an unknown code between them stops nothing and
// opens no box; the labels of a bill are one a piece and their bars decode.
#include "barcodes/barcodes.h"
#include "barcodes/label_printer.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "fields/numericedit.h"
#include "fields/scanfield.h"
#include "movements/CC10_Unit.h"
#include "movements/matrix_entry.h"
#include "stocktake/FF20_unit.h"
#include "stocktake/stocktake.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Codes of I001 G1 (A1 × Z1..Z3) and of I003; one code nobody has.
QStringList seedCodes() {
    TestDb::seedMasters();
    QStringList codes;
    for (int i = 1; i <= 3; ++i) {
        codes << Barcodes::inStoreCode(i);
        const QString refused = Barcodes::add(codes.last(), {"I001", "A1", QString("Z%1").arg(i), "G1"});
        if (!refused.isEmpty()) qFatal("%s", qPrintable(refused));
    }
    codes << Barcodes::inStoreCode(4);
    if (!Barcodes::add(codes.last(), {"I003", "A2", "Z3", "G2"}).isEmpty()) qFatal("I003");
    return codes;
}
const QString Unknown = "4006381333931";

// The keys of a code and Enter queued as a keyboard-wedge scanner sends them, none handled yet.
void queueScan(QWidget* w, const QString& code) {
    for (const QChar c : code) {
        const int key = Qt::Key_0 + c.digitValue();
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(c)));
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(c)));
    }
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
}

// 50 scans cycling through `codes`, the unknown one as the 25th.
QStringList fifty(const QStringList& codes) {
    QStringList out;
    for (int i = 0; i < 50; ++i) out << (i == 24 ? Unknown : codes[i % codes.size()]);
    return out;
}

void scanAll(ScanField* field, const QStringList& codes) {
    field->edit()->setFocus();
    for (const QString& c : codes) queueScan(field->edit(), c);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
} // namespace

class TstScanning : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void stockInStagesEveryScan();
    void matrixCountsEveryScan();
    void countTakesEveryScanAndFoundGoods();
    void labelsOnePerPieceAndDecode();
};

void TstScanning::stockInStagesEveryScan() {
    TestDb db;
    const QStringList codes = seedCodes().mid(0, 3);
    ScriptedSeam seam;
    Barcodes::saveScanCommit("abc", true); // remembered for the user
    TCC10_form f;
    f.show();
    QVERIFY(f.barcode_a->commitBox()->isChecked());
    f.bill_no_a->setText("R1");
    f.findChild<LookupField*>("operation_code_a")->setText("in1");
    f.findChild<LookupField*>("warehouse_a")->setText("W01");
    f.findChild<LookupField*>("vendor_a")->setText("V1");
    f.price_a->setText("10");
    scanAll(f.barcode_a, fifty(codes));
    QCOMPARE(seam.shown, QStringList()); // no box, not even for the unknown code
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE qty=1 AND price=10 AND bill_no='R1'"), 49);
    // Every scan its own variant, names as a pick gives them.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE size_code='Z2' AND attr_name='红色' "
                           "AND item_name='男式衬衫' AND arrage_code_s='S1' AND stage_name='一等品'"),
             17);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE size_code='Z1'"), 16); // the unknown's turn
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE size_code='Z3'"), 16);
    QCOMPARE(f.barcode_a->pieces(), 49);
    QCOMPARE(f.barcode_a->unknownList()->count(), 1);
    QCOMPARE(f.barcode_a->unknownList()->item(0)->text(), Unknown);
    QCOMPARE(f.barcode_a->edit()->text(), QString());
    QVERIFY(f.headerLocked());
    // Off again: a scan fills the line and stages nothing.
    f.barcode_a->commitBox()->setChecked(false);
    QVERIFY(!Barcodes::scanCommit("abc"));
    scanAll(f.barcode_a, {codes[1]});
    QCOMPARE(f.findChild<LookupField*>("size_code_a")->text(), QString("Z2"));
    QCOMPARE(f.qty_a->text(), QString("1.00"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 49);
}

void TstScanning::matrixCountsEveryScan() {
    TestDb db;
    const QStringList codes = seedCodes();
    ScriptedSeam seam;
    Matrix::Entry e;
    e.header = {LineKind::StockIn, "R1", "in1", "采购入库", "W01", "一号仓库", "2026/12/09", "V1", "华纺供应"};
    e.item = {"I001", "男式衬衫", "M-01", "棉", "B1", "上衣", "S1", "衬衫", {}, {}, {}, {}, "G1", "一等品"};
    e.price = "5";
    MatrixEntry m(nullptr, e);
    m.show();
    QStringList scans = fifty(codes.mid(0, 3));
    scans[10] = codes[3]; // another item: refused in the status line
    scanAll(m.barcode_m, scans);
    QCOMPARE(seam.shown, QStringList());
    QCOMPARE(m.model()->total(-1, -1), 48.0);
    QCOMPARE(m.barcode_m->pieces(), 48);
    QCOMPARE(m.barcode_m->unknownList()->count(), 1);
    QCOMPARE(m.total_m->text(), QString("合计：48"));
    m.accept();
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 3); // one line a cell
    QCOMPARE(TestDb::value("SELECT sum(qty) FROM kesp_post_temp_a").toDouble(), 48.0);
}

void TstScanning::countTakesEveryScanAndFoundGoods() {
    TestDb db;
    const QStringList codes = seedCodes();
    TestDb::seedStock(); // W01: I001 A1 G1 Z1..Z3 with 10/20/30
    ScriptedSeam seam;
    QCOMPARE(Stocktake::seal("W01"), Stocktake::SealResult::Sealed);
    FF20_form f;
    f.show();
    f.warehouse_a->setText("W01");
    f.load();
    Sql::run("UPDATE kesp_check_temp SET check_flag=? WHERE size_code='Z2'", {true});
    QStringList scans;
    for (int i = 0; i < 50; ++i) scans << (i == 20 ? Unknown : i % 5 == 4 ? codes[3] : codes[i % 2]);
    scanAll(f.barcode_a, scans);
    QCOMPARE(seam.shown, QStringList());
    const auto counted = [](const char* where) {
        return TestDb::value(QString("SELECT qty FROM kesp_check_temp WHERE %1").arg(where)).toDouble();
    };
    QCOMPARE(counted("size_code='Z1' AND item_code='I001'"), 19.0); // the unknown code took one turn
    QCOMPARE(counted("size_code='Z2' AND item_code='I001'"), 20.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE check_flag=?", {true}), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE item_code='I003' AND remaind_qty=0 AND qty=10 "
                           "AND found_flag=?",
                           {true}),
             1);
    QCOMPARE(f.DBGrid1->currentValue("item_code").toString(), QString("I003")); // the last scan, selected
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("49")); // 19 + 20 + 10; the row not counted adds nothing
    QCOMPARE(f.barcode_a->pieces(), 49);
    seam.answers = {true};
    f.approveAll();
    f.adjust();
    QCOMPARE(seam.last(), QString("完成调帐！"));
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse='W01' AND item_code='I003'").toDouble(),
             10.0);
}

void TstScanning::labelsOnePerPieceAndDecode() {
    TestDb db;
    TestDb::seedMasters();
    // A 3-line bill: EAN-13, UPC-A and CODE128 codes, 2 + 1.5 + 1 pieces.
    QCOMPARE(Barcodes::add("2000000000015", {"I001", "A1", "Z1", "G1"}), QString());
    QCOMPARE(Barcodes::add("036000291452", {"I001", "A1", "Z2", "G1"}), QString());
    QCOMPARE(Barcodes::add("SHIRT-042", {"I002", "A2", "Z3", "G1"}), QString());
    const QList<Barcodes::Label> labels = Barcodes::labels({{{"I001", "A1", "Z1", "G1"}, 2, {}},
                                                            {{"I001", "A1", "Z2", "G1"}, 1.5, {}},
                                                            {{"I002", "A2", "Z3", "G1"}, 1, {}}});
    QCOMPARE(labels.size(), 5);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("labels.pdf");
    QVERIFY(LabelPrinter::writePdf(labels, pdf, LabelPrinter::Layout::A4Sheet));
    QVERIFY(LabelPrinter::writePdf(labels, dir.filePath("roll.pdf"), LabelPrinter::Layout::Roll40x30));
    QProcess render;
    render.start("pdftoppm", {"-r", "300", "-png", pdf, dir.filePath("sheet")});
    QVERIFY(render.waitForFinished(60000) && render.exitCode() == 0);
    QProcess pages;
    pages.start("pdftoppm", {"-r", "30", "-png", dir.filePath("roll.pdf"), dir.filePath("roll")});
    QVERIFY(pages.waitForFinished(60000) && pages.exitCode() == 0);
    QCOMPARE(QDir(dir.path()).entryList({"roll*.png"}).size(), 5); // one label a page
    QProcess zbar;
    zbar.start("zbarimg", {"--quiet", "--raw", dir.filePath("sheet-1.png")});
    QVERIFY(zbar.waitForFinished(60000));
    QStringList decoded = QString::fromLatin1(zbar.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    decoded.sort();
    decoded.removeDuplicates(); // zbar names a code once however often the page holds it
    // zbar gives an UPC-A as the EAN-13 it is part of
    QCOMPARE(decoded, QStringList({"0036000291452", "2000000000015", "SHIRT-042"}));
}

QTEST_MAIN(TstScanning)
#include "tst_scanning.moc"
