// Barcodes without a window: check digits, the resolver, codes of a variant, in-store codes from
// the counter (two running copies at once), labels per piece, scanning into a count.
#include "barcodes/barcodes.h"
#include "data/session.h"
#include "data/sql.h"
#include "stocktake/stocktake.h"
#include "support/testdb.h"

#include <QProcess>
#include <QTest>

using namespace Barcodes;

namespace {
const Key Red_S{"I001", "A1", "Z1", "G1"};
const Key Blue_M{"I001", "A2", "Z2", "G1"};
} // namespace

class TstBarcodes : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void typedCodes_data();
    void typedCodes();
    void resolverKeepsCaseAndSeveralCodes();
    void takenCodeNamesItsVariant();
    void generatedCodesAndCounter();
    void twoCopiesGenerateDistinctCodes();
    void onePiecePerLabel();
    void scansIntoTheCount();
};

void TstBarcodes::typedCodes_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ok");
    QTest::newRow("EAN-13") << "4006381333931" << "EAN13" << true;
    QTest::newRow("EAN-13 wrong check") << "4006381333932" << "EAN13" << false;
    QTest::newRow("EAN-8") << "96385074" << "EAN8" << true;
    QTest::newRow("EAN-8 wrong check") << "96385075" << "EAN8" << false;
    QTest::newRow("UPC-A") << "036000291452" << "UPCA" << true;
    QTest::newRow("UPC-A wrong check") << "036000291453" << "UPCA" << false;
    QTest::newRow("in-store EAN-13") << inStoreCode(1) << "EAN13" << true;
    QTest::newRow("other digits") << "1234567" << "CODE128" << true;
    QTest::newRow("letters") << "Ab-12/x" << "CODE128" << true;
    QTest::newRow("48 characters") << QString(48, 'Z') << "CODE128" << true;
    QTest::newRow("49 characters") << QString(49, 'Z') << "CODE128" << false;
    QTest::newRow("not ASCII") << QString::fromUtf8("红12") << "CODE128" << false;
    QTest::newRow("empty") << QString() << "CODE128" << false;
}

void TstBarcodes::typedCodes() {
    QFETCH(QString, code);
    QFETCH(QString, kind);
    QFETCH(bool, ok);
    const Checked c = check(code);
    QCOMPARE(kindName(c.kind), kind);
    QCOMPARE(c.ok(), ok);
    if (!ok && code.size() >= 8 && code.size() <= 13 && kind != "CODE128") QCOMPARE(c.message, CheckDigitMessage);
}

void TstBarcodes::resolverKeepsCaseAndSeveralCodes() {
    TestDb db;
    TestDb::seedMasters();
    QCOMPARE(add("4006381333931", Red_S), QString());
    QCOMPARE(add("abc-1", Red_S), QString());
    QCOMPARE(add("ABC-1", Blue_M), QString()); // another code: letter case counts
    const auto a = resolve("4006381333931"), b = resolve("abc-1"), c = resolve("ABC-1");
    QVERIFY(a && b && c);
    QCOMPARE(a->item.attrCode + a->item.sizeCode, QString("A1Z1"));
    QCOMPARE(kindName(a->kind), QString("EAN13"));
    QCOMPARE(b->item.itemName + b->item.attrName + b->item.sizeName + b->item.stageName, QString("男式衬衫红色S码一等品"));
    QCOMPARE(b->item.bigCode + b->item.smallCode, QString("B1S1"));
    QCOMPARE(c->item.attrCode + c->item.sizeCode, QString("A2Z2"));
    QVERIFY(!resolve("Abc-1"));
    QVERIFY(!resolve("4006381333932"));
}

void TstBarcodes::takenCodeNamesItsVariant() {
    TestDb db;
    TestDb::seedMasters();
    QCOMPARE(add("036000291452", Red_S), QString());
    QCOMPARE(add("036000291452", Blue_M), QString("条码已被 I001 红色 S码 使用"));
    QCOMPARE(add("036000291453", Blue_M), CheckDigitMessage);
    QCOMPARE(add("X1", {"I001", "A9", "Z1", "G1"}), QString("属性 不存在"));
    QCOMPARE(add("X2", Blue_M), QString());
    QCOMPARE(change("X2", "036000291452"), QString("条码已被 I001 红色 S码 使用"));
    QCOMPARE(change("X2", "x2"), QString());
    QVERIFY(resolve("x2") && !resolve("X2"));
    QVERIFY(Barcodes::remove("x2"));
    QVERIFY(!Barcodes::remove("x2"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_barcode"), 1);
}

void TstBarcodes::generatedCodesAndCounter() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock(); // I001 has stock in A1 × Z1..Z3 × G1
    QCOMPARE(add("96385074", Red_S), QString());
    // The variants with stock, history or codes; the one with a code keeps it.
    QCOMPARE(generate("I001", false), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_barcode WHERE item_code='I001'"), 3);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='barcode_no'").toString(), QString("3"));
    QVERIFY(resolve(inStoreCode(1)) && resolve(inStoreCode(2)));
    QCOMPARE(inStoreCode(1), QString("2000000000015"));
    // A typed code that holds the next in-store number is passed over.
    QCOMPARE(add(inStoreCode(3), {"I002", "A1", "Z1", "G1"}), QString());
    QCOMPARE(generate("I001", true), 2 * 3 * 2 - 3);
    QVERIFY(resolve(inStoreCode(4)) && resolve(inStoreCode(12)));
    QCOMPARE(resolve(inStoreCode(3))->item.itemCode, QString("I002"));
    QCOMPARE(generate("I001", true), 0);
    // A failing insert leaves neither codes nor the counter changed.
    TestDb::failWhen("no_codes", "kesp_item_barcode", "INSERT", "NEW.item_code='I003'", "refused");
    QVERIFY_THROWS_EXCEPTION(DbError, generate("I003", true));
    TestDb::dropFailure("no_codes", "kesp_item_barcode");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_barcode WHERE item_code='I003'"), 0);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='barcode_no'").toString(), QString("13"));
}

void TstBarcodes::twoCopiesGenerateDistinctCodes() {
    TestDb db;
    TestDb::seedMasters();
    for (int i = 3; i <= 9; ++i) Sql::run(QString("INSERT INTO kesp_item_attr VALUES ('A%1','色%1',NULL)").arg(i));
    QStringList a{"barcodes"}, b{"barcodes"};
    for (int i = 10; i < 20; ++i) {
        Sql::run(QString("INSERT INTO kesp_item_master(item_code,item_name) VALUES ('I0%1','款%1')").arg(i));
        (i % 2 ? a : b) << QString("I0%1").arg(i);
    }
    QProcess p, q;
    p.start(ORDER_WORKER, QStringList{db.path(), "u1"} + a);
    q.start(ORDER_WORKER, QStringList{db.path(), "u2"} + b);
    QVERIFY(p.waitForFinished(120000) && q.waitForFinished(120000));
    QCOMPARE(p.exitCode() + q.exitCode(), 0);
    const int total = 10 * 9 * 3 * 2; // items × attributes × sizes × grades
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_barcode"), total);
    QCOMPARE(TestDb::count("SELECT count(DISTINCT barcode) FROM kesp_item_barcode"), total);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='barcode_no'").toInt(), total + 1);
}

void TstBarcodes::onePiecePerLabel() {
    TestDb db;
    TestDb::seedMasters();
    QCOMPARE(add("4006381333931", Red_S), QString());
    QCOMPARE(add("CODE-b", Blue_M), QString());
    QList<Key> missing;
    const QList<Label> l = labels({{Red_S, 2}, {Blue_M, 1.2}, {{"I002", "A1", "Z1", "G1"}, 4}, {Red_S, -1}}, &missing);
    QCOMPARE(l.size(), 4); // 2 + 1.2 rounded up; a variant without a code and a red-ink line none
    QCOMPARE(l[0].barcode + l[1].barcode, QString("40063813339314006381333931"));
    QCOMPARE(l[2].barcode + "|" + l[2].colour + l[2].size + l[2].grade + l[2].itemName, QString("CODE-b|蓝色M码一等品男式衬衫"));
    QCOMPARE(missing.size(), 1);
    QCOMPARE(missing[0].item, QString("I002"));
}

void TstBarcodes::scansIntoTheCount() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    QCOMPARE(Stocktake::seal("W01"), Stocktake::SealResult::Sealed);
    Stocktake::load({"W01", {}, {}, {}, {}});
    const auto v = [](const char* code) { return resolve(QString::fromLatin1(code))->item; };
    QCOMPARE(add("K1", {"I001", "A1", "Z2", "G1"}), QString()); // 20 on the books
    QCOMPARE(add("K2", {"I003", "A2", "Z3", "G2"}), QString()); // not on the books
    const auto first = Stocktake::scan("W01", v("K1"));
    QVERIFY(!first.found);
    QCOMPARE(first.qty, 1.0);
    Sql::run("UPDATE kesp_check_temp SET check_flag=? WHERE item_code='I001' AND size_code='Z2'", {true});
    QCOMPARE(Stocktake::scan("W01", v("K1")).qty, 2.0); // an approved row is approved no more
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE size_code='Z2' AND check_flag=?", {false}), 1);
    const auto found = Stocktake::scan("W01", v("K2"));
    QVERIFY(found.found);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_temp WHERE item_code='I003' AND remaind_qty=0 AND qty=1 "
                           "AND found_flag=? AND item_name='短袖T恤' AND attr_name='蓝色'",
                           {true}),
             1);
    QCOMPARE(Stocktake::scan("W01", v("K2")).rid, found.rid);
    QVERIFY_THROWS_EXCEPTION(DbError, Stocktake::scan("W02", v("K2")));
    QCOMPARE(Stocktake::approveAll(), 2);
    QCOMPARE(Stocktake::adjust("2026/12/09"), 2);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse='W01' AND item_code='I003' AND "
                           "attr_code='A2' AND size_code='Z3' AND stage_code='G2'")
                 .toDouble(),
             2.0);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse='W01' AND item_code='I001' AND "
                           "size_code='Z2'")
                 .toDouble(),
             2.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE operation_code='c_k' AND item_code='I003' "
                           "AND remaind_qty=0 AND qty=2"),
             1);
}

QTEST_GUILESS_MAIN(TstBarcodes)
#include "tst_barcodes.moc"
