// Stock levels and the alert report without a window: broken size runs, the quantity to order up
// to the maximum, the write rules and the records a level keeps from being deleted.
#include "data/session.h"
#include "data/sql.h"
#include "levels/stock_levels.h"
#include "masterdata/master_repo.h"
#include "support/testdb.h"

#include <QTest>

using namespace StockLevels;

namespace {
// "warehouse item colour size grade qty", one balance row per entry.
void balances(const QStringList& rows) {
    for (const QString& r : rows) {
        const QStringList v = r.split(' ');
        Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
                 "VALUES (?,?,?,?,?,?)",
                 {v[0], v[1], v[2], v[3], v[4], v[5].toDouble()});
    }
}

// The report's rows of one kind as "warehouse item colour size|qty|order qty or sizes in stock".
QStringList alertRows(const QString& kind) {
    const QueryBuilders::Statement s = alerts();
    QSqlQuery q = Sql::run("SELECT * FROM (" + s.sql + ") a ORDER BY warehouse, item_code, attr_code, size_code",
                           s.params);
    QStringList out;
    while (q.next()) {
        if (q.value("alert_kind").toString() != kind) continue;
        const QString last = kind == BelowMinimum ? q.value("order_qty").toString() : q.value("sizes_in_stock").toString();
        out << QStringLiteral("%1 %2 %3 %4|%5|%6")
                   .arg(q.value("warehouse").toString(), q.value("item_code").toString(), q.value("attr_code").toString(),
                        q.value("size_code").toString())
                   .arg(q.value("qty").toDouble())
                   .arg(last.toDouble());
    }
    return out;
}
} // namespace

class TstStockLevels : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> db;

private slots:
    void init() {
        db = std::make_unique<TestDb>();
        Session::setUserCode("abc");
        TestDb::seedMasters();
        Sql::run("INSERT INTO kesp_item_size VALUES ('Z4','XL码',NULL)");
    }
    void cleanup() { db.reset(); }
    void brokenSizeRuns_data();
    void brokenSizeRuns();
    void minimumLevels_data();
    void minimumLevels();
    void writeRules();
    void levelKeepsItsRecords_data();
    void levelKeepsItsRecords();
};

void TstStockLevels::brokenSizeRuns_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("broken");
    const QStringList run{"W01 I001 A1 Z1 G1 5", "W01 I001 A1 Z2 G1 0", "W01 I001 A1 Z3 G1 3", "W01 I001 A1 Z4 G1 2"};
    QTest::newRow("S-XL, M ran out") << run << QStringList{"W01 I001 A1 Z2|0|3"};
    QTest::newRow("M held in another grade") << run + QStringList{"W01 I001 A1 Z2 G2 1"} << QStringList{};
    QTest::newRow("M short below zero") << QStringList{"W01 I001 A1 Z1 G1 5", "W01 I001 A1 Z2 G1 -2"}
                                        << QStringList{"W01 I001 A1 Z2|-2|1"};
    QTest::newRow("colour sold out whole") << QStringList{"W01 I001 A2 Z1 G1 0", "W01 I001 A2 Z2 G1 0"} << QStringList{};
    QTest::newRow("other colour or warehouse keeps no size")
        << QStringList{"W01 I001 A1 Z1 G1 5", "W01 I001 A2 Z2 G1 0", "W02 I001 A1 Z2 G1 0"} << QStringList{};
}

void TstStockLevels::brokenSizeRuns() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, broken);
    balances(rows);
    QCOMPARE(alertRows(BrokenSizes), broken);
    QCOMPARE(anyAlert(), !broken.isEmpty());
}

void TstStockLevels::minimumLevels_data() {
    QTest::addColumn<QString>("level"); // warehouse item colour size min max ('-' for empty)
    QTest::addColumn<QStringList>("below");
    // Balances of seedStock: I001 A1 in W01 S 10, M 20, L 30 (grade G1); I002 A1 S 5.
    QTest::newRow("item level") << "W01 I001 - - 70 100" << QStringList{"W01 I001  |60|40"};
    QTest::newRow("item level reached") << "W01 I001 - - 60 100" << QStringList{};
    QTest::newRow("colour level") << "W01 I001 A1 - 61 80" << QStringList{"W01 I001 A1 |60|20"};
    QTest::newRow("size level") << "W01 I001 - Z2 21 25" << QStringList{"W01 I001  Z2|20|5"};
    QTest::newRow("colour x size level") << "W01 I001 A1 Z1 12 15.5" << QStringList{"W01 I001 A1 Z1|10|5.5"};
    QTest::newRow("key never stocked") << "W01 I001 A2 Z1 1 4" << QStringList{"W01 I001 A2 Z1|0|4"};
    QTest::newRow("other warehouse") << "W02 I001 - - 1 3" << QStringList{"W02 I001  |0|3"};
}

void TstStockLevels::minimumLevels() {
    QFETCH(QString, level);
    QFETCH(QStringList, below);
    TestDb::seedStock();
    QStringList v = level.split(' ');
    for (QString& f : v)
        if (f == "-") f.clear();
    QCOMPARE(add({v[0], v[1], v[2], v[3], v[4].toDouble(), v[5].toDouble()}), QString());
    QCOMPARE(alertRows(BelowMinimum), below);
    QCOMPARE(anyAlert(), !below.isEmpty());
}

void TstStockLevels::writeRules() {
    QCOMPARE(add({"W01", "I001", "A1", "Z1", 5, 4}), MaxBelowMinMessage);
    QCOMPARE(add({"W01", "I001", "A9", "", 1, 2}), QString("颜色 A9 不存在"));
    QCOMPARE(add({"W01", "I001", "", "", -1, 2}), QString("下限不能小于 0"));
    QCOMPARE(add({"w01", "i001", "a1", "", 1.00049, 2}), QString());
    QCOMPARE(add({"W01", "I001", "A1", "", 3, 4}), DuplicateMessage);
    // Codes as the master records spell them, quantities at 3 decimals, an audit row per write.
    QCOMPARE(TestDb::value("SELECT warehouse||item_code||attr_code FROM kesp_stock_level").toString(), QString("W01I001A1"));
    QCOMPARE(TestDb::value("SELECT min_qty FROM kesp_stock_level").toDouble(), 1.0);
    QCOMPARE(change({"W01", "I001", "A1", ""}, {"W01", "I001", "A1", "Z2", 2, 3}), QString());
    QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_stock_level WHERE size_code='Z2' AND max_qty=3"), 1);
    QVERIFY(remove({"W01", "I001", "A1", "Z2"}));
    QVERIFY(!remove({"W01", "I001", "A1", "Z2"}));
    QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_audit_log WHERE command='BB80' AND table_name='kesp_stock_level'"), 3);
    // Without the right, or in a warehouse the user only sees, nothing is written.
    TestDb::grant("abc", {"EE50"}, {"W01"});
    QVERIFY_THROWS_EXCEPTION(DbError, add({"W01", "I001", "", "", 1, 2}));
    TestDb::grant("abc", {"BB80"}, {"W01", "W02:查询"});
    QVERIFY_THROWS_EXCEPTION(DbError, add({"W02", "I001", "", "", 1, 2}));
    QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_stock_level"), 0);
}

void TstStockLevels::levelKeepsItsRecords_data() {
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("code");
    QTest::newRow("warehouse") << 0 << "W02";
    QTest::newRow("item") << 1 << "I003";
    QTest::newRow("colour") << 2 << "A2";
    QTest::newRow("size") << 3 << "Z4";
}

void TstStockLevels::levelKeepsItsRecords() {
    QFETCH(int, table);
    QFETCH(QString, code);
    const Master::Table* t = QList<const Master::Table*>{&Master::warehouses(), &Master::items(), &Master::attributes(),
                                                         &Master::sizes()}[table];
    QCOMPARE(add({"W02", "I003", "A2", "Z4", 1, 2}), QString());
    const QString name = TestDb::value("SELECT " + t->nameColumn + " FROM " + t->table + " WHERE " + t->codeColumn + "=?",
                                       {code})
                             .toString();
    const Master::Result r = Master::remove(*t, code, name);
    QCOMPARE(int(r.outcome), int(Master::Outcome::InUse));
    QVERIFY2(r.message.contains("库存上下限"), qPrintable(r.message));
    QVERIFY(remove({"W02", "I003", "A2", "Z4"}));
    QVERIFY(Master::remove(*t, code, name).done());
}

QTEST_GUILESS_MAIN(TstStockLevels)
#include "tst_stock_levels.moc"
