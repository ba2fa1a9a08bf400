// Bill documents: the blocks and totals the core builds from a bill's rows, the amount in
// capitals, and the PDF the printer paints (read back by pdftotext, as a clerk's reader would).
#include "data/session.h"
#include "data/sql.h"
#include "documents/bill_document.h"
#include "documents/document_printer.h"
#include "fields/datagrid.h"
#include "movements/CC10_Unit.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/reversal.h"
#include "movements/transfer.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "queries/CC40_Unit.h"
#include "queries/filter_panel.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAction>
#include <QHash>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct L {
    const char* item;
    const char* attr;
    const char* size;
    double qty, price;
};

void stage(LineKind kind, const QString& bill, const QString& wh, const QList<L>& lines) {
    const bool in = kind == LineKind::StockIn;
    const QHash<QString, QString> names{{"A1", "红色"}, {"A2", "蓝色"}, {"Z1", "S码"}, {"Z2", "M码"}, {"Z3", "L码"}};
    for (const L& l : lines)
        OrderNumbers::stageWithNumber([&](const QString& no) {
            Staging::insert({{"order_no", no}, {"login_id", Session::userCode()}, {"item_code", l.item},
                             {"attr_code", l.attr}, {"attr_name", names[l.attr]},
                             {"size_code", l.size}, {"size_name", names[l.size]}, {"stage_code", "G1"}, {"price", l.price},
                             {"qty", l.qty}, {"bill_no", bill}, {"operation_code", in ? "in1" : "out1"},
                             {"warehouse", wh}, {"warehouse_name", "一号仓库"}, {"procure_date", "2026/12/09"},
                             {in ? "vendor" : "customer", in ? "V1" : "C1"},
                             {in ? "vendor_name" : "customer_name", in ? "华纺供应" : "东方商场"}});
        });
}

QString firstOrder(const QString& bill, const QString& op) {
    return TestDb::value("SELECT min(order_no) FROM kesp_post_history WHERE bill_no=? AND operation_code=?", {bill, op})
        .toString();
}
} // namespace

class TstDocuments : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void capitals_data();
    void capitals();
    void blocksAndTotals();
    void reversalAndTransfer();
    void pdfReadsBack();
    void printedFromTheRecordQueryAndAfterPosting();
};

void TstDocuments::capitals_data() {
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("words");
    QTest::newRow("0") << 0.0 << "零元整";
    QTest::newRow("0.05") << 0.05 << "伍分";
    QTest::newRow("10.10") << 10.10 << "壹拾元壹角";
    QTest::newRow("1,000,000.00") << 1000000.0 << "壹佰万元整";
    QTest::newRow("100,010.5") << 100010.5 << "壹拾万零壹拾元伍角";
    QTest::newRow("1,005.07") << 1005.07 << "壹仟零伍元零柒分";
    QTest::newRow("100,000,001") << 100000001.0 << "壹亿零壹元整";
    QTest::newRow("-36") << -36.0 << "负叁拾陆元整";
}

void TstDocuments::capitals() {
    QFETCH(double, amount);
    QFETCH(QString, words);
    QCOMPARE(Documents::capitalAmount(amount), words);
}

// Three items, colours × sizes in any order of entry: one block per item, cells summed per key.
void TstDocuments::blocksAndTotals() {
    TestDb db;
    TestDb::seedMasters();
    stage(LineKind::StockIn, "R1", "W01",
          {{"I002", "A1", "Z1", 1, 10}, {"I001", "A2", "Z3", 3, 20}, {"I001", "A1", "Z1", 2, 20},
           {"I001", "A1", "Z1", 1, 20}, {"I001", "A1", "Z2", 4, 25}, {"I003", "A2", "Z2", 5, 1.5}});
    const Documents::Document draft = Documents::draft(LineKind::StockIn);
    QVERIFY(draft.draft);
    QCOMPARE(draft.qty, 16.0);
    Posting::post(LineKind::StockIn);
    const Documents::Document d = Documents::posted({firstOrder("R1", "in1"), "R1", "W01", "in1", "i"});
    QCOMPARE(d.title, QString("入库单"));
    QVERIFY(!d.draft);
    QCOMPARE(d.partner, QString("V1 华纺供应"));
    QCOMPARE(d.blocks.size(), 3);
    const Documents::Block& b = d.blocks[0];
    QCOMPARE(b.itemCode, QString("I001"));
    QCOMPARE(b.colours, (QStringList{"红色", "蓝色"}));
    QCOMPARE(b.sizes, (QStringList{"S码", "M码", "L码"}));
    QCOMPARE(b.cells[0][0].value_or(-1), 3.0); // two lines of one key
    QVERIFY(!b.cells[1][0]);
    QCOMPARE(b.columnQty, (QVector<double>{3, 4, 3}));
    QCOMPARE(b.rowQty, (QVector<double>{7, 3}));
    QVERIFY(!b.rowPrice[0]); // 20 and 25 in one colour
    QCOMPARE(b.rowPrice[1].value_or(-1), 20.0);
    QCOMPARE(b.rowAmount[0], 160.0);
    QCOMPARE(d.qty, 16.0);
    QCOMPARE(d.amount, 237.5);
    QCOMPARE(d.amountInWords, QString("贰佰叁拾柒元伍角"));
    QCOMPARE(d.signatures.first(), QString("制单：abc"));
}

void TstDocuments::reversalAndTransfer() {
    TestDb db;
    TestDb::seedMasters();
    stage(LineKind::StockIn, "R1", "W01", {{"I001", "A1", "Z1", 10, 2}});
    Posting::post(LineKind::StockIn);
    const QString source = firstOrder("R1", "in1");
    Reversal::RedLine red;
    red.kind = LineKind::InReversal;
    red.bill = {"R1", "W01", "一号仓库", "V1", "华纺供应"};
    red.sourceOrderNo = source;
    red.item = {"I001", "男式衬衫", "", "", "B1", "上衣", "S1", "衬衫", "A1", "红色", "Z1", "S码", "G1", "一等品"};
    red.price = "2";
    red.qty = "3";
    red.date = "2026/12/10";
    QVERIFY(!Reversal::stage(red).refused());
    Posting::post(LineKind::InReversal);
    const Documents::Document r = Documents::posted({firstOrder("R1", "i_r"), "R1", "W01", "i_r", "i", "Y"});
    QCOMPARE(r.title, QString("入库红冲单"));
    QVERIFY(r.red);
    QCOMPARE(r.qty, -3.0); // as posted, printed in red
    QCOMPARE(r.amount, -6.0);
    QCOMPARE(r.amountInWords, QString("负陆元整"));

    Transfer::Line t;
    t.billNo = "T1";
    t.date = "2026/12/10";
    t.toWarehouse = "W02";
    t.toWarehouseName = "二号仓库";
    t.fromWarehouse = "W01";
    t.fromWarehouseName = "一号仓库";
    t.item = red.item;
    t.qty = "4";
    QVERIFY(!Transfer::stage(t).refused());
    Posting::post(LineKind::Transfer);
    // Asked from the issuing row as well as from the receiving one: the same slip.
    for (const char* op : {"i_t", "o_t"}) {
        const Documents::Document s = Documents::posted({firstOrder("T1", op), "T1", "", op, ""});
        QCOMPARE(s.title, QString("转库单"));
        QCOMPARE(s.warehouse, QString("W02 二号仓库"));
        QCOMPARE(s.otherWarehouse, QString("W01 一号仓库"));
        QCOMPARE(s.qty, 4.0);
        QVERIFY(!s.priced);
    }
}

// A bill of several pages: page numbers, and the bill number and every item code read back as text.
void TstDocuments::pdfReadsBack() {
    TestDb db;
    TestDb::seedMasters();
    QList<L> lines;
    QStringList codes;
    for (int i = 0; i < 24; ++i) {
        codes << QString("KX%1").arg(i, 3, 10, QChar('0'));
        Sql::run("INSERT INTO kesp_item_master(item_code,item_name,arrage_code_b,arrage_code_s) VALUES (?,?,'B1','S1')",
                 {codes.last(), QString("人字纹上衣%1").arg(i)});
    }
    QList<QByteArray> keep;
    for (const QString& c : codes) keep << c.toLatin1();
    for (const QByteArray& c : keep) lines << L{c.constData(), "A1", "Z1", 2, 9.9};
    stage(LineKind::StockIn, "RB2026A01", "W01", lines);
    Posting::post(LineKind::StockIn);
    const Documents::Document d = Documents::posted({firstOrder("RB2026A01", "in1"), "RB2026A01", "W01", "in1", "i"});
    QTemporaryDir dir;
    const QString pdf = dir.filePath("bill.pdf");
    QVERIFY(DocumentPrinter::writePdf(d, pdf, DocumentPrinter::Paper::A4));
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(p.waitForFinished(30000));
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    const int pages = int(text.count(QChar('\f'))); // pdftotext ends every page with a form feed
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    text.remove(' ');
    for (int n = 1; n <= pages; ++n) QVERIFY(text.contains(QString("第%1页/共%2页").arg(n).arg(pages)));
    QVERIFY(text.contains("RB2026A01"));
    for (const QString& c : codes) QVERIFY2(text.contains(c), qPrintable(c));
    QVERIFY(text.contains("人字纹上衣7")); // an ideograph, not its radical
    QVERIFY(text.contains("肆佰柒拾伍元贰角"));
}

// Through the windows: the question after "过帐" and the record query's "打印单据…".
void TstDocuments::printedFromTheRecordQueryAndAfterPosting() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    const auto postOnScreen = [&](const QString& bill, const QList<bool>& answers) {
        stage(LineKind::StockIn, bill, "W01", {{"I001", "A1", "Z1", 1, 1}});
        TCC10_form f; // shows the staged line
        f.show();
        seam.reset();
        seam.answers = answers;
        f.findChild<QPushButton*>("BitBtn4")->click();
    };
    postOnScreen("R9", {true, true});
    QCOMPARE(seam.shown, (QStringList{"确定过帐？", "入库操作成功！", "打印单据？"}));
    QCOMPARE(seam.modals, QStringList{"documentPreview"});
    // "不打印" chosen for the user: no question after the next posting.
    Documents::saveAfterPost("abc", Documents::AfterPost::Never);
    postOnScreen("R10", {true});
    QCOMPARE(seam.shown, (QStringList{"确定过帐？", "入库操作成功！"}));
    QVERIFY(seam.modals.isEmpty());

    TCC40_form q;
    q.show();
    QAction* print = q.findChild<QAction*>("printBill");
    QVERIFY(print);
    seam.reset();
    print->trigger();
    QCOMPARE(seam.last(), QString("请先选择一条记录。"));
    q.filters->warehouse_a->setText("W01");
    q.procure_date_a->setDate(QDate(2026, 12, 1));
    q.Procure_date_b->setDate(QDate(2026, 12, 31));
    q.Cmd_Query->click();
    QCOMPARE(q.DBGrid1->rowCount(), 2);
    q.DBGrid1->setCurrentRow(1);
    seam.reset();
    print->trigger();
    QCOMPARE(seam.modals, QStringList{"documentPreview"});
    QVERIFY(seam.shown.isEmpty());
}

QTEST_MAIN(TstDocuments)
#include "tst_documents.moc"
