// The bench's filling and its posting floor, on either engine: the same rows with the same text
// on both, and a floor that does exactly the posting's work (else its ratio means nothing).
#include "bench_fill.h"
#include "data/sql.h"
#include "movements/posting.h"
#include "support/testdb.h"

#include <QTest>

class TestBenchFill : public QObject {
    Q_OBJECT
private slots:
    void filledRowsAndTheirText();
    void stagedLines();
    void floorDoesThePostingsWork();
    void balancesBeyondOneKeyPerItemColourAndSize();
};

void TestBenchFill::filledRowsAndTheirText() {
    TestDb db;
    BenchFill::build(300, 40);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master"), 20000);
    QCOMPARE(TestDb::value("SELECT min(item_code) FROM kesp_item_master").toString(), QString("I00000"));
    QCOMPARE(TestDb::value("SELECT max(item_code) FROM kesp_item_master").toString(), QString("I19999"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini WHERE warehouse IN ('W01','W10')"), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 10);

    // Half of the balances in W01, the rest in W02..W10, every one on a known item.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree"), 40);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse='W01'"), 20);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse>='W02' AND warehouse<='W10'"),
             20);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree_v WHERE item_name IS NULL"), 0);

    // History: order numbers of ten digits, bills of six, dates of the year 2026 in yyyy/MM/dd.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 300);
    QCOMPARE(TestDb::value("SELECT max(order_no) FROM kesp_post_history").toString(), QString("0000000299"));
    QCOMPARE(TestDb::value("SELECT bill_no FROM kesp_post_history WHERE order_no='0000000047'").toString(),
             QString("B000002"));
    QCOMPARE(TestDb::value("SELECT procure_date FROM kesp_post_history WHERE order_no='0000000030'").toString(),
             QString("2026/01/03"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE length(procure_date)=10 AND "
                           "procure_date>='2026/01/01' AND procure_date<='2026/12/31'"),
             300);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history_v WHERE i_o_flag='o'"), 100);
}

void TestBenchFill::stagedLines() {
    TestDb db;
    BenchFill::build(10, 6000);
    BenchFill::stage10k("N01");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE login_id='abc'"), 10000);
    QCOMPARE(TestDb::count("SELECT count(*) FROM (SELECT DISTINCT warehouse,item_code FROM kesp_post_temp_a) AS k"),
             2000);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE warehouse='N01'"), 5000);
    // Every W01 key has a balance row, no N01 key has one.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a s WHERE warehouse='W01' AND NOT EXISTS (SELECT 1 "
                           "FROM kesp_inv_detail_tree t WHERE t.warehouse=s.warehouse AND t.item_code=s.item_code AND "
                           "t.attr_code=s.attr_code AND t.size_code=s.size_code AND t.stage_code=s.stage_code)"),
             0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse='N01'"), 0);
}

void TestBenchFill::floorDoesThePostingsWork() {
    TestDb db;
    BenchFill::build(10, 6000);
    const auto w01 = [] { return TestDb::value("SELECT SUM(qty) FROM kesp_inv_detail_tree WHERE warehouse='W01'").toDouble(); };
    const double before = w01();

    BenchFill::stage10k("N01");
    QCOMPARE(Posting::post(LineKind::StockIn), 10000);
    QCOMPARE(w01(), before + 10000);
    BenchFill::stage10k("N02");
    BenchFill::postFloor();
    QCOMPARE(w01(), before + 20000);

    // Nothing left staged; both wrote the same history and the same new balance rows.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 10 + 20000);
    for (const char* w : {"N01", "N02"}) {
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE warehouse=?", {w}), 5000);
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse=?", {w}), 1000);
    }
    QCOMPARE(TestDb::count("SELECT count(*) FROM (SELECT item_code,attr_code,size_code,stage_code,qty FROM "
                           "kesp_inv_detail_tree WHERE warehouse='N01' EXCEPT SELECT item_code,attr_code,size_code,"
                           "stage_code,qty FROM kesp_inv_detail_tree WHERE warehouse='N02') AS d"),
             0);
    QCOMPARE(TestDb::value("SELECT SUM(qty) FROM kesp_inv_detail_tree WHERE warehouse='N02'").toDouble(), 10000.0);

    // Onto existing keys only, the floor adds as the posting does.
    BenchFill::stage10k("N01");
    Posting::post(LineKind::StockIn);
    BenchFill::stage10k("N02");
    BenchFill::postFloor();
    QCOMPARE(w01(), before + 40000);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse IN ('N01','N02') AND qty=20"),
             2000);
}

void TestBenchFill::balancesBeyondOneKeyPerItemColourAndSize() {
    // More W01 rows than 20,000 items x 8 colours: sizes and grades widen the key space.
    TestDb db;
    BenchFill::build(1, 2 * 170000);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse='W01'"), 170000);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree_v WHERE warehouse='W01' AND size_name IS NULL"), 0);
}

QTEST_GUILESS_MAIN(TestBenchFill)
#include "tst_bench_fill.moc"
