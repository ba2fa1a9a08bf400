// The posting procedure and the order number counter, on a temporary database.
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "support/testdb.h"

#include "data/DataConnect1_Unit.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
struct Line {
    QString wh = "W01", item = "I001", attr = "A1", size = "Z1", stage = "G1";
    double price = 10, qty = 1;
    QString op = "in1", bill = "R1";
    QString red;
    QString whA;
};

QString stage(const Line& l) {
    return OrderNumbers::stageWithNumber([&](const QString& no) {
        Staging::Values v{{"order_no", no},       {"login_id", Session::userCode()},
                          {"item_code", l.item},  {"item_name", "名"},
                          {"attr_code", l.attr},  {"size_code", l.size},
                          {"stage_code", l.stage}, {"price", l.price},
                          {"qty", l.qty},         {"bill_no", l.bill},
                          {"operation_code", l.op}, {"warehouse", l.wh},
                          {"warehouse_name", l.wh + "名"}, {"procure_date", "2026/12/09"},
                          {"vendor", "V1"},       {"customer", "C1"}};
        if (!l.red.isEmpty()) v.append({"red_flag", l.red});
        if (!l.whA.isEmpty()) v.append({"warehouse_a", l.whA});
        Staging::insert(v);
    });
}

double balance(const QString& wh, const QString& item = "I001", const QString& attr = "A1",
               const QString& size = "Z1", const QString& grade = "G1") {
    return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=? AND attr_code=? "
                         "AND size_code=? AND stage_code=?",
                         {wh, item, attr, size, grade})
        .toDouble();
}
// Posts a stock-in of the default key (or of another size) of W01.
void stockIn(double qty, const QString& size = "Z1") {
    Line in;
    in.size = size;
    in.qty = qty;
    stage(in);
    Posting::post(LineKind::StockIn);
}
void guard(const QString& wh, bool on) {
    Sql::run("UPDATE kesp_warehouse_ini SET forbid_negative=? WHERE warehouse=?", {on, wh});
}
int balanceRows() { return TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree"); }
int history() { return TestDb::count("SELECT count(*) FROM kesp_post_history"); }
} // namespace

class TstPosting : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void orderNumbers();
    void stockInGroupsOneKey();
    void stockOutWithoutBalanceGoesNegative();
    void keyPartsNeverTogetherGetOwnRow();
    void reversalsNegateHistory();
    void transferMovesBetweenWarehouses();
    void otherUsersAndKindsUntouched();
    void failureChangesNothing();
    void roundingNetsToZero();
    void sameEndStateAsTheStepByStepSequence();
    void twoClerksPostOntoOneKeyAtOnce();
    void stagingRefusesWhatTheScreensRefuse_data();
    void stagingRefusesWhatTheScreensRefuse();
    void guardRefusesTheWholeBill_data();
    void guardRefusesTheWholeBill();
    void twoClerksIssueTheLastPiecesAtOnce();
    void shortfallCountsTheStagedLines();
};

void TstPosting::orderNumbers() {
    QCOMPARE(OrderNumbers::next("7"), QString("0000000008"));
    QCOMPARE(OrderNumbers::next("0000000041"), QString("0000000042"));
    QVERIFY_THROWS_EXCEPTION(DbError, OrderNumbers::next("abc"));
    QVERIFY_THROWS_EXCEPTION(DbError, OrderNumbers::next("2147483647"));
    TestDb db;
    TestDb::seedMasters();
    Sql::run("UPDATE kesp_system_data SET sys_value='7' WHERE sys_name='order_no'");
    QCOMPARE(stage({}), QString("7"));
    QCOMPARE(stage({}), QString("0000000008"));
    const QString third = stage({});
    Staging::deleteLine(third);
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString(), QString("0000000010"));
    QCOMPARE(stage({}), QString("0000000010"));
    // A counter that is not a number stages nothing.
    Sql::run("UPDATE kesp_system_data SET sys_value='x' WHERE sys_name='order_no'");
    QVERIFY_THROWS_EXCEPTION(DbError, stage({}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 3);
    // Bill number check looks at posted lines only.
    QVERIFY(!OrderNumbers::billNoUsed("R1"));
    Posting::post(LineKind::StockIn);
    QVERIFY(OrderNumbers::billNoUsed("r1"));
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data").toString(), QString("x"));
}

void TstPosting::stockInGroupsOneKey() {
    TestDb db;
    TestDb::seedMasters();
    Line a;
    a.qty = 3;
    Line b = a;
    b.price = 12;
    b.qty = 4.5;
    stage(a);
    stage(b);
    QCOMPARE(Posting::post(LineKind::StockIn), 2);
    QCOMPARE(balanceRows(), 1);
    QCOMPARE(balance("W01"), 7.5);
    QCOMPARE(history(), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE vendor='V1' AND customer IS NULL AND red_flag IS NULL"), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_groupby_out WHERE login_id='abc' AND sum_qty=7.5"), 1);
    // A second posting for the same key adds to the row.
    stage(a);
    Posting::post(LineKind::StockIn);
    QCOMPARE(balanceRows(), 1);
    QCOMPARE(balance("W01"), 10.5);
}

void TstPosting::stockOutWithoutBalanceGoesNegative() {
    TestDb db;
    TestDb::seedMasters();
    Line in;
    in.qty = 10;
    stage(in);
    Posting::post(LineKind::StockIn);
    Line out;
    out.op = "out1";
    out.qty = 15;
    out.bill = "X1";
    stage(out);
    Line fresh = out;
    fresh.item = "I002";
    fresh.qty = 2;
    stage(fresh);
    QCOMPARE(Posting::post(LineKind::StockOut), 2);
    QCOMPARE(balance("W01"), -5.0);
    QCOMPARE(balance("W01", "I002"), -2.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE operation_code='out1' AND qty>0 "
                           "AND customer='C1' AND vendor IS NULL"),
             2);
}

void TstPosting::keyPartsNeverTogetherGetOwnRow() {
    TestDb db;
    TestDb::seedMasters();
    Line a;
    stage(a);
    Line b;
    b.wh = "W02";
    b.item = "I002";
    b.attr = "A2";
    b.size = "Z2";
    b.stage = "G2";
    stage(b);
    Posting::post(LineKind::StockIn);
    Line mixed; // W02 with the item, attribute, size and grade of the W01 row
    mixed.wh = "W02";
    mixed.qty = 6;
    stage(mixed);
    Posting::post(LineKind::StockIn);
    QCOMPARE(balanceRows(), 3);
    QCOMPARE(balance("W02"), 6.0);
    QCOMPARE(balance("W01"), 1.0);
}

void TstPosting::reversalsNegateHistory() {
    TestDb db;
    TestDb::seedMasters();
    Line in;
    in.qty = 10;
    stage(in);
    Posting::post(LineKind::StockIn);
    Line red = in;
    red.op = "i_r";
    red.red = "Y";
    red.qty = 3;
    stage(red);
    QCOMPARE(Posting::post(LineKind::InReversal), 1);
    QCOMPARE(balance("W01"), 7.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='R1' AND qty=-3 AND red_flag='Y'"), 1);
    QCOMPARE(TestDb::value("SELECT sum(qty) FROM kesp_post_history WHERE bill_no='R1'").toDouble(), 7.0);

    Line outRed = in;
    outRed.op = "o_r";
    outRed.red = "Y";
    outRed.qty = 4;
    stage(outRed);
    Posting::post(LineKind::OutReversal);
    QCOMPARE(balance("W01"), 11.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE operation_code='o_r' AND qty=-4 AND customer='C1'"), 1);
}

void TstPosting::transferMovesBetweenWarehouses() {
    TestDb db;
    TestDb::seedMasters();
    Line in;
    in.qty = 10;
    stage(in);
    Posting::post(LineKind::StockIn);
    OrderNumbers::stageWithNumber([](const QString& no) {
        for (int side = 0; side < 2; ++side) {
            Staging::insert({{"order_no", no}, {"login_id", "abc"}, {"item_code", "I001"}, {"attr_code", "A1"},
                             {"size_code", "Z1"}, {"stage_code", "G1"}, {"qty", side == 0 ? 5.0 : -5.0},
                             {"bill_no", "T1"}, {"operation_code", side == 0 ? "i_t" : "o_t"},
                             {"warehouse", side == 0 ? "W02" : "W01"}, {"warehouse_a", side == 0 ? "W01" : "W02"}});
        }
    });
    QCOMPARE(Posting::post(LineKind::Transfer), 2);
    QCOMPARE(balance("W01"), 5.0);
    QCOMPARE(balance("W02"), 5.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='T1' AND qty=5 AND price IS NULL"), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history_v WHERE bill_no='T1' AND i_o_flag='i' AND warehouse='W02'"), 1);
}

void TstPosting::otherUsersAndKindsUntouched() {
    TestDb db;
    TestDb::seedMasters();
    Session::setUserCode("other");
    Line theirs;
    theirs.qty = 2;
    stage(theirs);
    Posting::post(LineKind::StockIn); // leaves a snapshot row of "other"
    stage(theirs);
    Session::setUserCode("abc");
    Line mine;
    mine.qty = 1;
    stage(mine);
    Line myOut = mine;
    myOut.op = "out1";
    stage(myOut);
    QCOMPARE(Staging::count(LineKind::StockIn), 1);
    QCOMPARE(Staging::count(LineKind::StockOut), 1);
    Posting::post(LineKind::StockIn);
    QCOMPARE(balance("W01"), 3.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE login_id='other'"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_groupby_out WHERE login_id='other'"), 1);
    QCOMPARE(Staging::count(LineKind::StockOut), 1); // the stock-out line waits for its own screen
    Staging::discard(LineKind::StockOut);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
}

void TstPosting::failureChangesNothing() {
    TestDb db;
    TestDb::seedMasters();
    Line a;
    a.qty = 2;
    stage(a);
    Posting::post(LineKind::StockIn);
    Line b;
    b.qty = 3;
    stage(b);
    Line c = b;
    c.item = "I002";
    stage(c);
    for (int failAt = 1; failAt <= 6; ++failAt) {
        Posting::afterStatement = [failAt](int step) {
            if (step == failAt) throw DbError("injected");
        };
        QVERIFY_THROWS_EXCEPTION(DbError, Posting::post(LineKind::StockIn));
        Posting::afterStatement = nullptr;
        QCOMPARE(history(), 1);
        QCOMPARE(balanceRows(), 1);
        QCOMPARE(balance("W01"), 2.0);
        QCOMPARE(Staging::count(LineKind::StockIn), 2);
    }
    Posting::post(LineKind::StockIn);
    QCOMPARE(history(), 3);
    QCOMPARE(balance("W01"), 5.0);
}

void TstPosting::roundingNetsToZero() {
    TestDb db;
    TestDb::seedMasters();
    for (double q : {0.1, 0.2, 0.30049}) {
        Line l;
        l.qty = q;
        stage(l);
    }
    Posting::post(LineKind::StockIn);
    QCOMPARE(balance("W01"), 0.6);
    Line out;
    out.op = "out1";
    out.qty = 0.6;
    stage(out);
    Posting::post(LineKind::StockOut);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE qty=0"), 1);
}

namespace {
// The posting written out step by step as the procedure describes it: history copy, grouped
// snapshot through the stored query, update of matched balances, removal of the matched lines,
// new balance rows from the stored query over the rest, staging emptied.
void stepByStepStockIn(const QString& user) {
    Sql::run("INSERT INTO kesp_post_history(item_code,attr_code,attr_name,size_code,size_name,stage_code,stage_name,price,"
             "qty,bill_no,operation_code,operation_name,warehouse,warehouse_name,procure_date,vendor,vendor_name,order_no,"
             "login_id,operation_date,operation_time) SELECT item_code,attr_code,attr_name,size_code,size_name,stage_code,"
             "stage_name,price,qty,bill_no,operation_code,operation_name,warehouse,warehouse_name,procure_date,vendor,"
             "vendor_name,order_no,login_id,operation_date,operation_time FROM kesp_post_temp_a WHERE login_id=?",
             {user});
    Sql::run("DELETE FROM kesp_post_temp_groupby_out WHERE login_id=?", {user});
    Sql::run("INSERT INTO kesp_post_temp_groupby_out(item_code,attr_code,size_code,stage_code,sum_qty,warehouse,login_id) "
             "SELECT item_code,attr_code,size_code,stage_code,sum_qty,warehouse,login_id FROM kesp_post_temp_groupby_v "
             "WHERE login_id=?",
             {user});
    const QString key = "a.warehouse=b.warehouse AND a.item_code=b.item_code AND a.attr_code=b.attr_code AND "
                        "a.size_code=b.size_code AND a.stage_code=b.stage_code";
    Sql::run("UPDATE kesp_inv_detail_tree AS a SET qty=qty+(SELECT b.sum_qty FROM kesp_post_temp_groupby_out b WHERE "
             "b.login_id=? AND " + key + ") WHERE EXISTS (SELECT 1 FROM kesp_post_temp_groupby_out b WHERE b.login_id=? AND " +
                 key + ")",
             {user, user});
    Sql::run("DELETE FROM kesp_post_temp_a AS b WHERE login_id=? AND EXISTS (SELECT 1 FROM kesp_inv_detail_tree a WHERE " +
                 key + ")",
             {user});
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,sum_qty FROM kesp_post_temp_groupby_v "
             "WHERE login_id=?",
             {user});
    Sql::run("DELETE FROM kesp_post_temp_a WHERE login_id=?", {user});
}

QStringList state() {
    QStringList rows;
    QSqlQuery q = Sql::run("SELECT warehouse||'/'||item_code||'/'||attr_code||'/'||size_code||'/'||stage_code, qty "
                           "FROM kesp_inv_detail_tree ORDER BY 1");
    while (q.next()) rows << q.value(0).toString() + "=" + QString::number(q.value(1).toDouble(), 'f', 3);
    QSqlQuery h = Sql::run("SELECT order_no, qty, login_id FROM kesp_post_history ORDER BY order_no");
    while (h.next()) rows << "H" + h.value(0).toString() + "=" + QString::number(h.value(1).toDouble(), 'f', 3) +
                                 h.value(2).toString();
    rows << "staged=" + Sql::scalar("SELECT count(*) FROM kesp_post_temp_a").toString();
    return rows;
}
} // namespace

void TstPosting::sameEndStateAsTheStepByStepSequence() {
    QRandomGenerator rnd(20261209);
    for (int round = 0; round < 15; ++round) {
        TestDb db;
        TestDb::seedMasters();
        const auto pick = [&](const QStringList& l) { return l[rnd.bounded(int(l.size()))]; };
        const QStringList whs{"W01", "W02"}, items{"I001", "I002"}, attrs{"A1", "A2"}, sizes{"Z1", "Z2"};
        for (int i = 0; i < 6; ++i) {
            const QVariantList key{pick(whs), pick(items), pick(attrs), pick(sizes)};
            const int qty = rnd.bounded(50);
            if (TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=? AND "
                              "attr_code=? AND size_code=? AND stage_code='G1'",
                              key) == 0)
                Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,"
                         "stage_code,qty) VALUES (?,'仓',?,?,?,'G1',?)",
                         {key[0], key[1], key[2], key[3], qty});
        }
        for (const QString user : {"abc", "xyz"}) {
            Session::setUserCode(user);
            for (int i = 0, n = 1 + rnd.bounded(12); i < n; ++i) {
                Line l;
                l.wh = pick(whs);
                l.item = pick(items);
                l.attr = pick(attrs);
                l.size = pick(sizes);
                l.qty = (1 + rnd.bounded(9000)) / 1000.0;
                stage(l);
            }
        }
        Session::setUserCode("abc");
        const QString copy = db.copy();
        Posting::post(LineKind::StockIn);
        const QStringList ours = state();
        DataConnect1::open(copy);
        {
            Transaction tx;
            stepByStepStockIn("abc");
            tx.commit();
        }
        QCOMPARE(state(), ours);
        DataConnect1::open(db.path());
    }
}

void TstPosting::twoClerksPostOntoOneKeyAtOnce() {
    TestDb db;
    TestDb::seedMasters();
    // Neither the balance row nor any history exists yet: both clerks may be first.
    QProcess a, b;
    a.start(ORDER_WORKER, {db.path(), "u1", "post", "25"});
    b.start(ORDER_WORKER, {db.path(), "u2", "post", "25"});
    QVERIFY(a.waitForFinished(180000));
    QVERIFY(b.waitForFinished(180000));
    QCOMPARE(a.readAllStandardError() + b.readAllStandardError(), QByteArray());
    QCOMPARE(a.exitCode() + b.exitCode(), 0);
    // 2 clerks x 25 rounds x (1.5 + 1.5 - 0.5): no update of the balance lost.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree"), 1);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse='W01' AND item_code='I001'").toDouble(),
             125.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history"), 150);
    QCOMPARE(TestDb::count("SELECT count(DISTINCT order_no) FROM kesp_post_history"), 150);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE login_id='u1'"), 75);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
}

void TstPosting::stagingRefusesWhatTheScreensRefuse_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value"); // invalid: the column left out
    QTest::addColumn<QString>("error");  // part of the error text; empty: staged
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("qty NaN") << "qty" << QVariant(nan) << "数量不是有效的数值";
    QTest::newRow("qty inf") << "qty" << QVariant(-inf) << "数量不是有效的数值";
    QTest::newRow("qty 1e306") << "qty" << QVariant(1e306) << "数量超出范围";
    QTest::newRow("qty just over") << "qty" << QVariant(1000000000.0) << "数量超出范围";
    QTest::newRow("qty text") << "qty" << QVariant("abc") << "数量不是有效的数值";
    QTest::newRow("qty NULL") << "qty" << QVariant(QMetaType(QMetaType::Double)) << "数量不是有效的数值";
    QTest::newRow("qty numeric text") << "qty" << QVariant("12.5") << "";
    QTest::newRow("qty largest") << "qty" << QVariant(-999999999.999) << "";
    QTest::newRow("price NaN") << "price" << QVariant(nan) << "价格不是有效的数值";
    QTest::newRow("price text") << "price" << QVariant("1,5") << "价格不是有效的数值";
    QTest::newRow("price 1e306") << "price" << QVariant(1e306) << "价格超出范围";
    QTest::newRow("warehouse empty") << "warehouse" << QVariant("") << "warehouse";
    QTest::newRow("item blank") << "item_code" << QVariant("  ") << "item_code";
    QTest::newRow("attr NULL") << "attr_code" << QVariant(QMetaType(QMetaType::QString)) << "attr_code";
    QTest::newRow("size missing") << "size_code" << QVariant() << "size_code";
    QTest::newRow("grade NULL") << "stage_code" << QVariant(QMetaType(QMetaType::QString)) << "stage_code";
    // Codes no master record holds (the line's other codes exist).
    QTest::newRow("warehouse unknown") << "warehouse" << QVariant("WX") << "仓库代码 不存在";
    QTest::newRow("type unknown") << "operation_code" << QVariant("inX") << "操作类型 不存在";
    QTest::newRow("type of the other direction") << "customer" << QVariant("C1") << "操作类型 不存在";
    QTest::newRow("vendor unknown") << "vendor" << QVariant("VX") << "供应商代码 不存在";
    QTest::newRow("big category unknown") << "arrage_code_b" << QVariant("BX") << "大类 不存在";
    QTest::newRow("small category of no big one") << "arrage_code_s" << QVariant("S1") << "小类 不存在";
    QTest::newRow("item unknown") << "item_code" << QVariant("K") << "项目代码 不存在";
    QTest::newRow("attribute unknown") << "attr_code" << QVariant("AX") << "属性 不存在";
    QTest::newRow("size unknown") << "size_code" << QVariant("ZX") << "尺寸 不存在";
    QTest::newRow("grade unknown") << "stage_code" << QVariant("GX") << "等级 不存在";
    QTest::newRow("other warehouse unknown") << "warehouse_a" << QVariant("WX") << "仓库代码 不存在";
}

void TstPosting::stagingRefusesWhatTheScreensRefuse() {
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, error);
    TestDb db;
    TestDb::seedMasters();
    Staging::Values v{{"order_no", "1"},   {"login_id", "abc"},  {"item_code", "I001"}, {"attr_code", "A1"},
                      {"size_code", "Z1"}, {"stage_code", "G1"}, {"warehouse", "W01"},  {"operation_code", "in1"},
                      {"bill_no", "B1"},   {"price", 2.0},       {"qty", 3.0}};
    auto it = std::find_if(v.begin(), v.end(), [&](const auto& c) { return c.first == column; });
    if (it == v.end() && value.isValid()) v.append({column, value});
    else if (it != v.end() && value.isValid()) it->second = value;
    else if (it != v.end()) v.erase(it);
    if (error.isEmpty()) {
        Staging::insert(v);
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
        return;
    }
    try {
        Staging::insert(v);
        QFAIL("staged");
    } catch (const DbError& e) {
        QVERIFY2(e.text().contains(error), qPrintable(e.text()));
    }
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
}

QTEST_GUILESS_MAIN(TstPosting)
#include "tst_posting.moc"

void TstPosting::guardRefusesTheWholeBill_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("stock-out") << int(LineKind::StockOut);
    QTest::newRow("stock-in reversal") << int(LineKind::InReversal);
    QTest::newRow("transfer out") << int(LineKind::Transfer);
}

void TstPosting::guardRefusesTheWholeBill() {
    QFETCH(int, kind);
    const auto k = LineKind(kind);
    TestDb db;
    TestDb::seedMasters();
    stockIn(10, "Z1");
    stockIn(5, "Z2");
    guard("W01", true);
    // One key taken exactly to zero, one short by one.
    for (const auto& [size, qty] : {std::pair{"Z1", 10.0}, std::pair{"Z2", 6.0}}) {
        Line l;
        l.size = size;
        l.qty = qty;
        l.bill = "B1";
        if (k == LineKind::StockOut) l.op = "out1";
        if (k == LineKind::InReversal) l.op = "i_r", l.red = "Y";
        if (k == LineKind::Transfer) {
            l.op = "o_t", l.qty = -qty, l.whA = "W02";
            stage(l);
            l.op = "i_t", l.qty = qty, l.wh = "W02", l.whA = "W01";
        }
        stage(l);
    }
    const int staged = TestDb::count("SELECT count(*) FROM kesp_post_temp_a");
    const int posted = history();
    QList<Posting::ShortKey> keys;
    try {
        Posting::post(k);
        QFAIL("posted past the guard");
    } catch (const Posting::Shortage& s) {
        keys = s.keys();
    }
    QCOMPARE(keys.size(), 1);
    QCOMPARE(keys[0].warehouse, QString("W01"));
    QCOMPARE(keys[0].itemCode, QString("I001"));
    QCOMPARE(keys[0].onHand, 5.0);
    QCOMPARE(keys[0].wanted, 6.0);
    QCOMPARE(keys[0].shortBy, 1.0);
    // Nothing posted, the lines still staged.
    QCOMPARE(history(), posted);
    QCOMPARE(balance("W01", "I001", "A1", "Z1"), 10.0);
    QCOMPARE(balance("W01", "I001", "A1", "Z2"), 5.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), staged);
    // The guard off: posted as before, into the negative.
    guard("W01", false);
    Posting::post(k);
    QCOMPARE(balance("W01", "I001", "A1", "Z2"), -1.0);
}

void TstPosting::twoClerksIssueTheLastPiecesAtOnce() {
    TestDb db;
    TestDb::seedMasters();
    stockIn(10);
    guard("W01", true);
    const QString go = db.dir() + "/go";
    QProcess a, b;
    a.start(ORDER_WORKER, {db.path(), "u1", "issue", "8", go});
    b.start(ORDER_WORKER, {db.path(), "u2", "issue", "8", go});
    for (QProcess* p : {&a, &b}) {
        while (!p->canReadLine()) QVERIFY2(p->waitForReadyRead(60000), p->readAllStandardError().constData());
        QCOMPARE(p->readLine(), QByteArray("staged\n"));
    }
    QFile(go).open(QIODevice::WriteOnly); // both post now
    QVERIFY(a.waitForFinished(60000));
    QVERIFY(b.waitForFinished(60000));
    QCOMPARE(a.readAllStandardError() + b.readAllStandardError(), QByteArray());
    QStringList outcomes{QString(a.readAll()).trimmed(), QString(b.readAll()).trimmed()};
    outcomes.sort();
    QCOMPARE(outcomes, (QStringList{"posted", "short"}));
    QCOMPARE(balance("W01"), 2.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE operation_code='out1'"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
}

void TstPosting::shortfallCountsTheStagedLines() {
    TestDb db;
    TestDb::seedMasters();
    stockIn(10);
    StagedItem key;
    key.itemCode = "I001", key.attrCode = "A1", key.sizeCode = "Z1", key.stageCode = "G1";
    QVERIFY(!Posting::shortfall(LineKind::StockOut, "W01", key, -11)); // the guard is off
    guard("W01", true);
    QVERIFY(!Posting::shortfall(LineKind::StockOut, "W01", key, -10));
    Line out;
    out.op = "out1";
    out.qty = 8;
    stage(out);
    QVERIFY(!Posting::shortfall(LineKind::StockOut, "W01", key, -2));
    const auto s = Posting::shortfall(LineKind::StockOut, "W01", key, -3);
    QVERIFY(s);
    QCOMPARE(s->onHand, 10.0);
    QCOMPARE(s->staged, -8.0);
    QCOMPARE(Posting::shortfallQuestion(*s, -3), QString("库存不足：库存 10，已录入 8，本次 3。过帐时将被拒绝，仍然加入？"));
    // Another kind's staged lines and a key without balance.
    QVERIFY(Posting::shortfall(LineKind::InReversal, "W01", key, -3) == std::nullopt);
    key.sizeCode = "Z2";
    QVERIFY(Posting::shortfall(LineKind::InReversal, "W01", key, -1));
}
