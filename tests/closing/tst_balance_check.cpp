// The balance check and its mending, on a temporary database.
#include "closing/balance_check.h"
#include "closing/periods.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "stocktake/stocktake.h"
#include "support/testdb.h"

#include <QTest>

namespace {
struct Diff {
    QString size;
    double book, expected;
    bool operator==(const Diff& o) const { return size == o.size && book == o.book && expected == o.expected; }
};
QList<Diff> differences() {
    const ListQuery d = BalanceCheck::differences(BalanceCheck::base());
    QSqlQuery q = Sql::run(QStringLiteral("SELECT size_code, book_qty, expected_qty FROM (%1) AS d ORDER BY size_code")
                               .arg(d.sql),
                           d.params);
    QList<Diff> out;
    while (q.next()) out.append({q.value(0).toString(), q.value(1).toDouble(), q.value(2).toDouble()});
    return out;
}
double balance(const QString& size) {
    return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code=?", {size}).toDouble();
}
void stockIn(const QString& size, double qty) {
    OrderNumbers::stageWithNumber([&](const QString& no) {
        Staging::insert({{"order_no", no}, {"login_id", "abc"}, {"item_code", "I001"}, {"attr_code", "A1"},
                         {"size_code", size}, {"stage_code", "G1"}, {"price", 1.0}, {"qty", qty}, {"bill_no", "N1"},
                         {"operation_code", "in1"}, {"warehouse", "W01"}, {"vendor", "V1"}});
    });
    Posting::post(LineKind::StockIn);
}
// Counts one key of W01's I001 through the stocktake: sealed, loaded, counted, approved, adjusted.
void count(const QString& size, double qty) {
    Stocktake::seal("W01");
    Stocktake::load({"W01", {}, {}, "I001", "I001"});
    const auto rows = Stocktake::countRows();
    const QVariant rid =
        Sql::scalar(QStringLiteral("SELECT rid FROM (%1) AS c WHERE size_code=?").arg(rows.sql), rows.params + QVariantList{size});
    Stocktake::saveRow(rid, qty, false);
    Stocktake::approveAll();
    QCOMPARE(Stocktake::adjust("2026/12/20"), 1);
    Stocktake::unseal("W01");
}
} // namespace

class TstBalanceCheck : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void alteredBalanceFoundAndMended();
    void closedMonthAndCountInBetween();
};

void TstBalanceCheck::alteredBalanceFoundAndMended() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock(); // I001 Z1/Z2/Z3: 10/20/30
    TestDb::seedIssue(); // 3 of Z1, 4 of Z2 out
    QCOMPARE(differences(), QList<Diff>{});
    // Behind the program's back: one balance changed, one removed.
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=99 WHERE item_code='I001' AND size_code='Z1'");
    Sql::run("DELETE FROM kesp_inv_detail_tree WHERE item_code='I001' AND size_code='Z3'");
    QCOMPARE(differences(), (QList<Diff>{{"Z1", 99, 7}, {"Z3", 0, 30}}));
    const auto h = BalanceCheck::historyBehind({"W01", "I001", "A1", "Z1", "G1"}, BalanceCheck::base());
    QSqlQuery q = Sql::run(h.sql, h.params);
    QStringList effects;
    while (q.next()) effects << q.value("operation_code").toString() + ":" + q.value("effect").toString();
    QCOMPARE(effects, (QStringList{"in1:10", "out1:-3"}));
    QCOMPARE(BalanceCheck::mend(), 2);
    QCOMPARE(differences(), QList<Diff>{});
    QCOMPARE(balance("Z1"), 7.0);
    QCOMPARE(balance("Z3"), 30.0);
    QCOMPARE(BalanceCheck::mend(), 0);
}

void TstBalanceCheck::closedMonthAndCountInBetween() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    Periods::ensure(QDate(2026, 11, 5));
    QCOMPARE(Periods::close("202611", QDate(2026, 12, 1)), Periods::CloseResult::Closed);
    QCOMPARE(BalanceCheck::base().period, QString("202611"));
    // History before the snapshot no longer counts: the snapshot stands for it.
    Sql::run("DELETE FROM kesp_post_history WHERE size_code='Z3'");
    stockIn("Z1", 2); // after the snapshot
    count("Z2", 15);  // the count replaces the snapshot's 20
    stockIn("Z2", 1); // after the count
    QCOMPARE(balance("Z2"), 16.0);
    QCOMPARE(differences(), QList<Diff>{});
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=qty+5 WHERE item_code='I001'");
    QCOMPARE(differences(), (QList<Diff>{{"Z1", 17, 12}, {"Z2", 21, 16}, {"Z3", 35, 30}}));
    // The key counted: its count and the movement after it.
    const auto h = BalanceCheck::historyBehind({"W01", "I001", "A1", "Z2", "G1"}, BalanceCheck::base());
    QSqlQuery q = Sql::run(h.sql, h.params);
    QStringList effects;
    while (q.next()) effects << q.value("operation_code").toString() + ":" + q.value("effect").toString();
    QCOMPARE(effects, (QStringList{"c_k:15", "in1:1"}));
    QCOMPARE(BalanceCheck::mend(), 3);
    QCOMPARE(differences(), QList<Diff>{});
    QCOMPARE(balance("Z2"), 16.0);
}

QTEST_GUILESS_MAIN(TstBalanceCheck)
#include "tst_balance_check.moc"
