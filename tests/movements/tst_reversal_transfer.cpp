// Reversals and transfers without a screen: the bill and line lists, the checks of a red line
// and of a transfer line, staging and posting, and the ledger over every kind of posting.
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "closing/balance_check.h"
#include "closing/periods.h"
#include "movements/reversal.h"
#include "movements/staging.h"
#include "movements/transfer.h"
#include "support/testdb.h"

#include <QRandomGenerator>
#include <QSqlRecord>
#include <QTest>

namespace {
// A stock-in or stock-out line as its screen stages it.
void stageMovement(bool in, const QString& bill, const QString& wh, const QString& item, double qty,
                   const QString& partner = {}, const QString& attr = "A1") {
    OrderNumbers::stageWithNumber([&](const QString& no) {
        const QString p = in ? "vendor" : "customer";
        Staging::insert({{"order_no", no},
                         {"login_id", Session::userCode()},
                         {"item_code", item},
                         {"attr_code", attr},
                         {"size_code", "Z1"},
                         {"stage_code", "G1"},
                         {"price", 10},
                         {"qty", qty},
                         {"bill_no", bill},
                         {"operation_code", in ? "in1" : "out1"},
                         {"warehouse", wh},
                         {"warehouse_name", wh + "名"},
                         {"procure_date", "2026/12/09"},
                         {p, partner.isEmpty() ? (in ? "V1" : "C1") : partner},
                         {p + "_name", "伙伴"}});
    });
}

double balance(const QString& wh, const QString& item = "I001", const QString& attr = "A1") {
    return TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=? AND attr_code=? "
                         "AND size_code='Z1' AND stage_code='G1'",
                         {wh, item, attr})
        .toDouble();
}

QList<QVariantList> rows(const ListQuery& q) {
    QSqlQuery r = Sql::run(q.sql, q.params);
    QList<QVariantList> out;
    while (r.next()) {
        QVariantList v;
        for (int i = 0; i < r.record().count(); ++i) v << r.value(i);
        out << v;
    }
    return out;
}

// A red line for one posted line, as the reversal screen gathers it.
Reversal::RedLine redLineFor(LineKind kind, const QString& orderNo, const QString& qty, const QString& price = "1") {
    // A transfer's two rows share their order number: the one of the reversal's direction.
    QSqlQuery h = Sql::run("SELECT * FROM kesp_post_history_v WHERE order_no=? AND i_o_flag=?",
                           {orderNo, Reversal::direction(kind)});
    if (!h.next()) qFatal("no posted line %s", qPrintable(orderNo));
    const QString p = Reversal::partnerColumn(kind);
    Reversal::RedLine l;
    l.kind = kind;
    l.bill = {h.value("bill_no").toString(), h.value("warehouse").toString(), h.value("warehouse_name").toString(),
              h.value(p).toString(), h.value(p + "_name").toString()};
    l.sourceOrderNo = orderNo;
    l.item.itemCode = h.value("item_code").toString();
    l.item.itemName = h.value("item_name").toString();
    l.item.bigCode = h.value("arrage_code_b").toString();
    l.item.smallCode = h.value("arrage_code_s").toString();
    l.item.attrCode = h.value("attr_code").toString();
    l.item.sizeCode = h.value("size_code").toString();
    l.item.stageCode = h.value("stage_code").toString();
    l.price = price;
    l.qty = qty;
    l.date = "2026/12/10";
    return l;
}

Transfer::Line transferLine(const QString& from, const QString& to, const QString& qty, const QString& item = "I001",
                            const QString& attr = "A1") {
    Transfer::Line l;
    l.billNo = "T1";
    l.date = "2026/12/09";
    l.toWarehouse = to;
    l.toWarehouseName = to + "名";
    l.fromWarehouse = from;
    l.fromWarehouseName = from + "名";
    l.item.bigCode = "B1";
    l.item.smallCode = "S1";
    l.item.itemCode = item;
    l.item.itemName = "男式衬衫";
    l.item.attrCode = attr;
    l.item.sizeCode = "Z1";
    l.item.stageCode = "G1";
    l.qty = qty;
    return l;
}

QString counter() { return TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString(); }

// Stock keys whose balance differs from the signed sum of their posted history.
int ledgerMismatches() {
    return TestDb::count(
        "WITH h AS (SELECT p.warehouse, p.item_code, p.attr_code, p.size_code, p.stage_code, "
        "  round(SUM(CASE o.i_o_flag WHEN 'i' THEN p.qty WHEN 'o' THEN -p.qty ELSE 0 END),3) AS q "
        "  FROM kesp_post_history p JOIN kesp_operation_ini o ON o.operation_code=p.operation_code "
        "  GROUP BY p.warehouse, p.item_code, p.attr_code, p.size_code, p.stage_code), "
        "k AS (SELECT warehouse, item_code, attr_code, size_code, stage_code FROM h UNION "
        "  SELECT warehouse, item_code, attr_code, size_code, stage_code FROM kesp_inv_detail_tree) "
        "SELECT count(*) FROM k LEFT JOIN h ON h.warehouse=k.warehouse AND h.item_code=k.item_code AND "
        "h.attr_code=k.attr_code AND h.size_code=k.size_code AND h.stage_code=k.stage_code "
        "LEFT JOIN kesp_inv_detail_tree b ON b.warehouse=k.warehouse AND b.item_code=k.item_code AND "
        "b.attr_code=k.attr_code AND b.size_code=k.size_code AND b.stage_code=k.stage_code "
        "WHERE abs(COALESCE(h.q,0)-COALESCE(b.qty,0))>0.0005");
}
} // namespace

class TstReversalTransfer : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void billListOncePerWarehouseAndPartner();
    void lineListLeavesOutRedLines();
    void redLineChecksInOrder();
    void reversalsMoveBalancesBack();
    void transferChecksInOrder();
    void transferStagesOnePairAndPosts();
    void transferLineIsOneUnit();
    void ledgerOverEveryKindOfPosting();
    void coreRefusesWhatNoListOffers_data();
    void coreRefusesWhatNoListOffers();
};

void TstReversalTransfer::billListOncePerWarehouseAndPartner() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_vendor_ini(vendor,vendor_name) VALUES ('V2','二号供应')");
    stageMovement(true, "R1", "W01", "I001", 1);
    stageMovement(true, "R1", "W01", "I002", 2);           // same bill, warehouse, vendor: listed once
    stageMovement(true, "R1", "W02", "I001", 3);           // other warehouse: listed again
    stageMovement(true, "R1", "W01", "I003", 4, "V2");     // other vendor: listed again
    stageMovement(true, "O'K", "W01", "I001", 1);
    stageMovement(true, "S9", "W01", "I001", 1);
    Posting::post(LineKind::StockIn);
    stageMovement(false, "D1", "W01", "I001", 1);
    Posting::post(LineKind::StockOut);

    const auto in = rows(Reversal::billList(LineKind::InReversal));
    QCOMPARE(in.size(), 5);
    QCOMPARE(in.first().first().toString(), QString("S9")); // highest number first
    QCOMPARE(rows(Reversal::billList(LineKind::InReversal, "r")).size(), 3); // letter case ignored
    const auto quoted = rows(Reversal::billList(LineKind::InReversal, "O'"));
    QCOMPARE(quoted.size(), 1);
    QCOMPARE(quoted[0][0].toString(), QString("O'K"));
    QCOMPARE(rows(Reversal::billList(LineKind::InReversal, "R1", 2)).size(), 2); // bounded
    const auto out = rows(Reversal::billList(LineKind::OutReversal));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0][3].toString(), QString("C1"));
}

void TstReversalTransfer::lineListLeavesOutRedLines() {
    TestDb db;
    TestDb::seedMasters();
    stageMovement(true, "R1", "W01", "I001", 10);
    stageMovement(true, "R1", "W01", "I002", 5);
    stageMovement(true, "R1", "W02", "I003", 7); // the same bill posted to another warehouse
    Posting::post(LineKind::StockIn);
    stageMovement(false, "R1", "W01", "I001", 1); // a stock-out that reuses the number
    Posting::post(LineKind::StockOut);
    const QString first = TestDb::value("SELECT order_no FROM kesp_post_history WHERE item_code='I001' AND qty=10").toString();
    QVERIFY(Reversal::stage(redLineFor(LineKind::InReversal, first, "3")).message.isEmpty());
    Posting::post(LineKind::InReversal);

    const Reversal::Bill bill{"R1", "W01", "W01名", "V1", "伙伴"};
    const auto lines = rows(Reversal::lineList(LineKind::InReversal, bill));
    QCOMPARE(lines.size(), 2); // the reversed line stays, its red line and the other warehouse's line do not
    // A line may be reversed again, and by more than was posted.
    QVERIFY(!Reversal::stage(redLineFor(LineKind::InReversal, first, "50")).refused());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE red_flag='Y' AND qty=50"), 1);
}

void TstReversalTransfer::redLineChecksInOrder() {
    TestDb db;
    TestDb::seedMasters();
    stageMovement(true, "R1", "W01", "I001", 10);
    Posting::post(LineKind::StockIn);
    const QString no = TestDb::value("SELECT order_no FROM kesp_post_history").toString();
    Reversal::RedLine l = redLineFor(LineKind::InReversal, no, "0.00", "0.00");
    const auto refused = [&](const QString& expected) {
        const Refusal r = Reversal::check(l);
        if (r.message != expected) qWarning() << r.message << "expected" << expected;
        return r.message == expected;
    };
    QVERIFY(refused("请输入正确数量")); // price 0 accepted
    l.qty = "0.0004";                  // rounds to nothing
    QVERIFY(refused("请输入正确数量"));
    l.qty = "1..2";
    QVERIFY(refused("'1..2' 不是有效的数值") && Reversal::check(l).conversion);
    l.price = "-1";
    QVERIFY(refused("请输入正确价格"));
    l.sourceOrderNo.clear();
    QVERIFY(refused("项目列表 不能为空"));
    l.bill.billNo.clear();
    QVERIFY(refused("红字单号 不能为空"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(Reversal::stage(l).message, QString("红字单号 不能为空"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
}

void TstReversalTransfer::reversalsMoveBalancesBack() {
    TestDb db;
    TestDb::seedMasters();
    stageMovement(true, "R1", "W01", "I001", 10);
    Posting::post(LineKind::StockIn);
    stageMovement(false, "D1", "W01", "I001", 6);
    Posting::post(LineKind::StockOut);
    QCOMPARE(balance("W01"), 4.0);
    const QString in = TestDb::value("SELECT order_no FROM kesp_post_history WHERE bill_no='R1'").toString();
    const QString out = TestDb::value("SELECT order_no FROM kesp_post_history WHERE bill_no='D1'").toString();
    const QString before = counter();
    QString redNo;
    QVERIFY(!Reversal::stage(redLineFor(LineKind::InReversal, in, "3"), &redNo).refused());
    QVERIFY(redNo != in && redNo == before); // a number of its own
    QVERIFY(!Reversal::stage(redLineFor(LineKind::OutReversal, out, "4")).refused());
    // Each screen posts its own red lines only.
    QCOMPARE(Posting::post(LineKind::InReversal), 1);
    QCOMPARE(balance("W01"), 1.0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
    QCOMPARE(Posting::post(LineKind::OutReversal), 1);
    QCOMPARE(balance("W01"), 5.0);
    QSqlQuery h = Sql::run("SELECT qty FROM kesp_post_history WHERE bill_no='R1' ORDER BY order_no");
    QList<double> r1;
    while (h.next()) r1 << h.value(0).toDouble();
    QCOMPARE(r1, (QList<double>{10, -3}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='D1' AND qty=-4 AND operation_code='o_r' "
                           "AND red_flag='Y' AND customer='C1' AND operation_name='出库红冲'"),
             1);
    QCOMPARE(ledgerMismatches(), 0);
}

void TstReversalTransfer::transferChecksInOrder() {
    TestDb db;
    TestDb::seedMasters();
    Transfer::Line l = transferLine("W01", "w01", "0.00");
    QCOMPARE(Transfer::check(l).message, QString("请输入正确数量"));
    l.qty = "2";
    QCOMPARE(Transfer::check(l).message, Transfer::SameWarehouses); // codes compared as the balances do
    const QList<std::pair<QString*, QString>> fields = {
        {&l.item.stageCode, "等级 不能为空"},      {&l.item.sizeCode, "尺寸 不能为空"},      {&l.item.attrCode, "属性 不能为空"},
        {&l.item.itemCode, "项目代码 不能为空"},   {&l.item.smallCode, "小类 不能为空"},     {&l.item.bigCode, "大类 不能为空"},
        {&l.fromWarehouse, "转出仓库 不能为空"}, {&l.toWarehouse, "转入仓库 不能为空"}, {&l.billNo, "出库单据号 不能为空"}};
    for (const auto& [field, message] : fields) {
        field->clear();
        QCOMPARE(Transfer::stage(l).message, message);
    }
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(counter(), QString("0000000001"));
}

void TstReversalTransfer::transferStagesOnePairAndPosts() {
    TestDb db;
    TestDb::seedMasters();
    stageMovement(true, "R1", "W01", "I001", 8);
    Posting::post(LineKind::StockIn);
    const QString before = counter();
    QString no;
    QVERIFY(!Transfer::stage(transferLine("W01", "W02", "5"), &no).refused());
    QCOMPARE(no, before);
    QCOMPARE(counter(), OrderNumbers::next(before)); // one number for the pair
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE order_no=?", {no}), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE operation_code='i_t' AND qty=5 AND "
                           "warehouse='W02' AND warehouse_a='W01' AND warehouse_name_a='W01名' AND price IS NULL"),
             1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE operation_code='o_t' AND qty=-5 AND "
                           "warehouse='W01' AND warehouse_a='W02'"),
             1);
    QCOMPARE(Staging::count(LineKind::Transfer), 2);
    QCOMPARE(Staging::count(LineKind::StockIn) + Staging::count(LineKind::StockOut), 0);

    // "删除" removes both rows of the pair; a second line is posted alone.
    Staging::deleteLine(no);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QVERIFY(!Transfer::stage(transferLine("W01", "W02", "5")).refused());
    Posting::post(LineKind::Transfer);
    QCOMPARE(balance("W01"), 3.0);
    QCOMPARE(balance("W02"), 5.0); // created
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='T1' AND qty=5 AND "
                           "((operation_code='i_t' AND warehouse='W02') OR (operation_code='o_t' AND warehouse='W01'))"),
             2);
    // More than on hand is accepted and leaves the issuing balance negative.
    QVERIFY(!Transfer::stage(transferLine("W01", "W02", "4.5")).refused());
    Posting::post(LineKind::Transfer);
    QCOMPARE(balance("W01"), -1.5);
    QCOMPARE(balance("W02"), 9.5);
    QCOMPARE(ledgerMismatches(), 0);
}

void TstReversalTransfer::transferLineIsOneUnit() {
    TestDb db;
    TestDb::seedMasters();
    // The issuing row cannot be written: the receiving row must not stay staged alone.
    TestDb::failWhen("no_issue", "kesp_post_temp_a", "INSERT", "NEW.operation_code='o_t'", "disk full");
    bool failed = false;
    try {
        Transfer::stage(transferLine("W01", "W02", "5"));
    } catch (const DbError&) {
        failed = true;
    }
    QVERIFY(failed);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QCOMPARE(counter(), QString("0000000001"));
    TestDb::dropFailure("no_issue", "kesp_post_temp_a");
    // A warehouse sealed for the user's stocktake is refused, whichever side it is on.
    Sql::run("INSERT INTO kesp_check_set(warehouse,login_id) VALUES ('W02','abc')");
    QCOMPARE(Transfer::stage(transferLine("W01", "W02", "5")).message, Transfer::Sealed);
    QCOMPARE(Transfer::stage(transferLine("W02", "W01", "5")).message, Transfer::Sealed);
    Session::setUserCode("other");
    QVERIFY(!Transfer::stage(transferLine("W01", "W02", "5")).refused());
}

void TstReversalTransfer::ledgerOverEveryKindOfPosting() {
    TestDb db;
    TestDb::seedMasters();
    auto* rng = QRandomGenerator::global();
    const quint32 seed = rng->generate();
    QRandomGenerator r(seed);
    const QStringList whs = {"W01", "W02"}, items = {"I001", "I002", "I003"}, attrs = {"A1", "A2"};
    const auto pick = [&](const QStringList& l) { return l[r.bounded(int(l.size()))]; };
    const auto qty = [&] { return QString::number((1 + r.bounded(4000)) / 1000.0 * (1 + r.bounded(5)), 'f', 4); };
    const LineKind kinds[] = {LineKind::StockIn, LineKind::StockOut, LineKind::InReversal, LineKind::OutReversal,
                              LineKind::Transfer};
    int bill = 0;
    for (int round = 0; round < 60; ++round) {
        const LineKind kind = kinds[r.bounded(5)];
        const int n = 1 + r.bounded(4);
        for (int i = 0; i < n; ++i) {
            switch (kind) {
            case LineKind::StockIn:
            case LineKind::StockOut:
                stageMovement(kind == LineKind::StockIn, QString("B%1").arg(bill++ % 7), pick(whs), pick(items),
                              qty().toDouble(), {}, pick(attrs));
                break;
            case LineKind::InReversal:
            case LineKind::OutReversal: {
                const QString dir = kind == LineKind::InReversal ? "i" : "o";
                const QString no = TestDb::value("SELECT order_no FROM kesp_post_history_v WHERE i_o_flag=? AND "
                                                 "COALESCE(red_flag,'N')<>'Y' ORDER BY random() LIMIT 1",
                                                 {dir})
                                       .toString();
                if (!no.isEmpty()) QVERIFY(!Reversal::stage(redLineFor(kind, no, qty())).refused());
                break;
            }
            case LineKind::Transfer: {
                const QString from = pick(whs);
                QVERIFY(!Transfer::stage(transferLine(from, from == "W01" ? "W02" : "W01", qty(), pick(items),
                                                      pick(attrs)))
                             .refused());
                break;
            }
            }
        }
        // Lines of other kinds wait staged while one kind is posted.
        if (r.bounded(3) > 0) Posting::post(kind);
        // A month closed half-way: the balance check starts from its snapshot.
        if (round == 30) {
            Periods::ensure(QDate(2026, 11, 5));
            Periods::close("202611", QDate(2026, 12, 1));
        }
    }
    for (LineKind k : kinds) Posting::post(k);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    if (ledgerMismatches() != 0) qWarning("seed %u", seed);
    QCOMPARE(ledgerMismatches(), 0);
    QCOMPARE(BalanceCheck::base().period, QString("202611"));
    const ListQuery check = BalanceCheck::differences(BalanceCheck::base());
    QCOMPARE(TestDb::count("SELECT count(*) FROM (" + check.sql + ") AS d", check.params), 0);
    QVERIFY(TestDb::count("SELECT count(DISTINCT operation_code) FROM kesp_post_history") >= 5);
}

void TstReversalTransfer::coreRefusesWhatNoListOffers_data() {
    QTest::addColumn<QString>("tamper");
    QTest::addColumn<QString>("message");
    for (const char* t : {"red line", "other warehouse's bill", "other item", "other size", "no such line",
                          "bill never posted", "stock-out line"})
        QTest::newRow(t) << QString(t) << "项目列表 不存在";
    QTest::newRow("transfer into no warehouse") << "to" << "转入仓库 不存在";
    QTest::newRow("transfer out of no warehouse") << "from" << "转出仓库 不存在";
    QTest::newRow("transfer of no item") << "item" << "项目代码 不存在";
}

// What a window never offers, passed to the core directly: refused, nothing staged.
void TstReversalTransfer::coreRefusesWhatNoListOffers() {
    QFETCH(QString, tamper);
    QFETCH(QString, message);
    TestDb db;
    TestDb::seedMasters();
    stageMovement(true, "R1", "W01", "I001", 10);
    stageMovement(true, "R1", "W02", "I001", 10); // the same bill number in another warehouse
    Posting::post(LineKind::StockIn);
    stageMovement(false, "D1", "W01", "I001", 4);
    Posting::post(LineKind::StockOut);
    const auto orderOf = [](const QString& bill, const QString& wh) {
        return TestDb::value("SELECT order_no FROM kesp_post_history WHERE bill_no=? AND warehouse=?", {bill, wh})
            .toString();
    };
    Reversal::RedLine l = redLineFor(LineKind::InReversal, orderOf("R1", "W01"), "1");
    if (tamper == "red line") {
        QVERIFY(!Reversal::stage(l).refused());
        Posting::post(LineKind::InReversal);
        l = redLineFor(LineKind::InReversal,
                       TestDb::value("SELECT order_no FROM kesp_post_history WHERE red_flag='Y'").toString(), "1");
    }
    if (tamper == "other warehouse's bill") l.bill.warehouse = "W02";
    if (tamper == "other item") l.item.itemCode = "I002";
    if (tamper == "other size") l.item.sizeCode = "Z2";
    if (tamper == "no such line") l.sourceOrderNo = "0000009999";
    if (tamper == "bill never posted") l.bill.billNo = "NEVER";
    if (tamper == "stock-out line") l.sourceOrderNo = orderOf("D1", "W01");
    const int before = TestDb::count("SELECT count(*) FROM kesp_post_temp_a");
    Refusal r;
    if (tamper == "to" || tamper == "from" || tamper == "item")
        r = Transfer::stage(transferLine(tamper == "from" ? "WX" : "W01", tamper == "to" ? "WX" : "W02", "1",
                                         tamper == "item" ? "K" : "I001"));
    else
        r = Reversal::stage(l);
    QCOMPARE(r.message, message);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), before);
}

QTEST_GUILESS_MAIN(TstReversalTransfer)
#include "tst_reversal_transfer.moc"
