// Size × colour matrix staging: one line per non-zero cell, consecutive numbers, all or nothing.
#include "data/session.h"
#include "data/sql.h"
#include "movements/matrix.h"
#include "support/testdb.h"

#include <QTest>

namespace {
// Five sizes × four colours, masters added to the seeded ones.
void seedGarment() {
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A3','白色',NULL),('A4',' 黑色 ',NULL)");
    Sql::run("INSERT INTO kesp_item_size VALUES ('Z4','XL码',NULL),('Z5','XXL码',NULL)");
}

Matrix::Entry entry(LineKind kind = LineKind::StockIn) {
    Matrix::Entry e;
    const bool out = kind == LineKind::StockOut;
    e.header = {kind, "R1", out ? "out1" : "in1", out ? "销售出库" : "采购入库", "W01", "一号仓库", "2026/12/09",
                out ? "C1" : "V1", out ? "东方商场" : "华纺供应"};
    e.item = {"I001", "男式衬衫", "M-01", "棉", "B1", "上衣", "S1", "衬衫", {}, {}, {}, {}, "G1", "一等品"};
    e.price = "12.3456";
    return e;
}

QString counter() { return TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString(); }
} // namespace

class TstMatrix : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void twentyCellsTwentyLines();
    void failureStagesNothing();
    void refusalsAndEmptyCells();
    void layoutAndStockOut();
};

void TstMatrix::twentyCellsTwentyLines() {
    TestDb db;
    seedGarment();
    const QString before = counter();
    Matrix::Entry e = entry();
    int n = 0;
    for (const QString a : {"A1", "A2", "A3", "A4"})
        for (const QString s : {"Z1", "Z2", "Z3", "Z4", "Z5"}) e.cells.append({a, s, QString::number(++n) + ".00049"});
    e.cells.append({"A1", "Z1", ""}); // an empty cell beside them stages nothing
    QStringList numbers;
    QVERIFY(!Matrix::stage(e, &numbers).refused());
    QCOMPARE(numbers.size(), 20);
    QCOMPARE(numbers.first(), before);
    for (int i = 1; i < numbers.size(); ++i) QCOMPARE(numbers[i].toLongLong(), numbers[i - 1].toLongLong() + 1);
    QCOMPARE(counter().toLongLong(), numbers.last().toLongLong() + 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE login_id='abc' AND vendor='V1' AND "
                           "customer IS NULL AND price=12.346 AND stage_name='一等品' AND item_spec='棉'"),
             20);
    QCOMPARE(TestDb::count("SELECT count(DISTINCT attr_code || size_code) FROM kesp_post_temp_a"), 20);
    // Codes and names copied per cell, names trimmed as the name boxes show them.
    QCOMPARE(TestDb::value("SELECT attr_name || '/' || size_name FROM kesp_post_temp_a "
                           "WHERE attr_code='A4' AND size_code='Z5'")
                 .toString(),
             QString("黑色/XXL码"));
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_post_temp_a WHERE attr_code='A4' AND size_code='Z5'").toDouble(),
             20.0); // 20.00049 rounded
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_post_temp_a WHERE order_no=?", {numbers[2]}).toDouble(), 3.0);
    QCOMPARE(TestDb::value("SELECT size_code FROM kesp_post_temp_a WHERE order_no=?", {numbers[6]}).toString(),
             QString("Z2"));
}

void TstMatrix::failureStagesNothing() {
    TestDb db;
    seedGarment();
    const QString before = counter();
    // The 11th line fails in the database.
    TestDb::failWhen("fail_11", "kesp_post_temp_a", "INSERT", "(SELECT count(*) FROM kesp_post_temp_a) >= 10",
                     "disk full");
    Matrix::Entry e = entry();
    for (const QString a : {"A1", "A2", "A3", "A4"})
        for (const QString s : {"Z1", "Z2", "Z3", "Z4", "Z5"}) e.cells.append({a, s, "1"});
    bool thrown = false;
    try {
        Matrix::stage(e);
    } catch (const DbError& err) {
        thrown = err.text().contains("disk full");
    }
    QVERIFY(thrown);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(counter(), before);
}

void TstMatrix::refusalsAndEmptyCells() {
    TestDb db;
    seedGarment();
    const QString before = counter();
    Matrix::Entry e = entry();
    e.cells = {{"A1", "Z1", ""}, {"A1", "Z2", "0"}, {"A2", "Z1", "0.0004"}}; // rounds to 0
    QCOMPARE(Matrix::stage(e).message, QString("请输入正确数量"));
    e.cells << Matrix::Cell{"A2", "Z2", "2"} << Matrix::Cell{"A2", "Z3", "1x"};
    const Refusal r = Matrix::stage(e);
    QVERIFY(r.conversion);
    QCOMPARE(r.message, QString("'1x' 不是有效的数值"));
    e.cells.removeLast();
    e.cells << Matrix::Cell{"A2", "Z3", "1000000000"};
    QCOMPARE(Matrix::stage(e).message, QString("请输入正确数量"));
    e.cells.removeLast();
    e.price = "0";
    QVERIFY(!Matrix::stage(e).refused()); // price 0 taken on stock-in
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
    QCOMPARE(counter().toLongLong(), before.toLongLong() + 1);
    Matrix::Entry o = entry(LineKind::StockOut);
    o.price = "0";
    o.cells = {{"A1", "Z1", "1"}};
    QCOMPARE(Matrix::stage(o).message, QString("请输入正确价格")); // not on stock-out
}

void TstMatrix::layoutAndStockOut() {
    TestDb db;
    seedGarment();
    // A new style offers every attribute and size for stock-in.
    Matrix::Layout l = Matrix::load(LineKind::StockIn, "W01", "I001", "G1", false);
    QVERIFY(l.all);
    QCOMPARE(l.attrs.size(), 4);
    QCOMPARE(l.sizes.size(), 5);
    QCOMPARE(l.attrs[3].name, QString("黑色"));
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) VALUES "
             "('W01','I001','A2','Z3','G1',5),('W01','I001','A1','Z3','G1',-2),('W01','I001','A4','Z1','G2',7),"
             "('W02','I001','A3','Z2','G1',9)");
    l = Matrix::load(LineKind::StockIn, "W01", "I001", "G1", false);
    QVERIFY(!l.all);
    QCOMPARE(l.attrs.size(), 4); // any warehouse, any grade
    QCOMPARE(l.sizes.size(), 3);
    l = Matrix::load(LineKind::StockOut, "W01", "I001", "G1", false);
    QCOMPARE(l.attrs.size(), 2);
    QCOMPARE(l.sizes.size(), 1);
    QCOMPARE(l.balances.value(Matrix::cellKey("A1", "Z3")), -2.0);
    l = Matrix::load(LineKind::StockOut, "W01", "I001", "G1", true);
    QCOMPARE(l.attrs.size(), 4);
    QVERIFY(!l.hasBalance("A3", "Z2") && l.hasBalance("A2", "Z3"));

    // Stock-out picks balance rows: a cell without one refuses the whole matrix.
    Matrix::Entry o = entry(LineKind::StockOut);
    o.cells = {{"A2", "Z3", "3"}, {"A3", "Z2", "1"}};
    QCOMPARE(Matrix::stage(o).message, QString("白色 M码 没有库存记录"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    o.cells.removeLast();
    o.cells << Matrix::Cell{"A1", "Z3", "4"}; // more than on hand is accepted, as on the screen
    QVERIFY(!Matrix::stage(o).refused());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE customer='C1' AND vendor IS NULL"), 2);
}

QTEST_GUILESS_MAIN(TstMatrix)
#include "tst_matrix.moc"
