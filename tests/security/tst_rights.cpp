// Rights per command and warehouse, enforced by the core writes; the audit trail written with
// each change; queries and lists restricted to the user's warehouses; the windows' part.
#include "app/main_form.h"
#include "closing/balance_check.h"
#include "closing/periods.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "documents/bill_document.h"
#include "fields/datagrid.h"
#include "fields/grid_export.h"
#include "masterdata/master_repo.h"
#include "movements/CC10_Unit.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "movements/transfer.h"
#include "queries/CC40_Unit.h"
#include "queries/query_builders.h"
#include "security/AA70_Unit.h"
#include "security/accounts.h"
#include "security/rights.h"
#include "stocktake/stocktake.h"
#include "support/scripted.h"
#include "support/testdb.h"
#include "support/unzip.h"
#include "ui/screens.h"

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {
const QString Clerk = QStringLiteral("clerk");

Staging::Values inLine(const QString& warehouse, const QString& bill, double qty, const QString& orderNo) {
    return {{"order_no", orderNo}, {"login_id", Session::userCode()}, {"item_code", "I001"}, {"attr_code", "A1"},
            {"size_code", "Z1"}, {"stage_code", "G1"}, {"warehouse", warehouse}, {"operation_code", "in1"},
            {"vendor", "V1"}, {"bill_no", bill}, {"price", 2.5}, {"qty", qty}, {"procure_date", "2026/12/01"}};
}

// What any write of the kinds below changes: a count per table, the balances and the records
// that are updated in place.
QString fingerprint() {
    QStringList parts;
    for (const char* t : {"kesp_post_temp_a", "kesp_post_history", "kesp_inv_detail_tree", "kesp_check_set",
                          "kesp_check_temp", "kesp_warehouse_ini", "kesp_customer_ini", "kesp_inv_history_detail_tree",
                          "login_table", "kesp_user_right", "kesp_system_data", "kesp_audit_log"})
        parts << QString::number(TestDb::count(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t))));
    parts << TestDb::value("SELECT COALESCE(SUM(qty),0) FROM kesp_inv_detail_tree").toString()
          << TestDb::value("SELECT item_name FROM kesp_item_master WHERE item_code='I001'").toString()
          << TestDb::value("SELECT save_flag FROM kesp_inv_history_list WHERE save_code='202612'").toString()
          << TestDb::value("SELECT pass_word FROM login_table WHERE login_id=?", {Clerk}).toString();
    return parts.join('|');
}

int auditRows(const QString& command) {
    return TestDb::count("SELECT count(*) FROM kesp_audit_log WHERE command=?", {command});
}

// One write of each kind, done as the logged-in user, after what it starts from is in place.
struct Write {
    std::function<void()> prepare;
    std::function<void()> run;
};
const QHash<QString, Write>& writes() {
    const auto none = [] {};
    static const QHash<QString, Write> w = {
        {"stage", {none, [] { Staging::insert(inLine("W01", "R9", 1, "9000000001")); }}},
        {"post",
         {[] {
              // The clerk's own staged line: the posting alone is checked here.
              Sql::run("INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,warehouse,"
                       "operation_code,vendor,bill_no,price,qty) VALUES ('9000000002',?,'I001','A1','Z1','G1','W01','in1',"
                       "'V1','R9',1,4)",
                       {Clerk});
          },
          [] { Posting::post(LineKind::StockIn); }}},
        {"transfer",
         {none,
          [] {
              Transfer::Line l{"T9", "2026/12/01", "W02", "二号仓库", "W01", "一号仓库", {}, "3"};
              l.item = {"I001", "男式衬衫", {}, {}, "B1", "上衣", "S1", "衬衫", "A1", "红色", "Z1", "S码", "G1", "一等品"};
              const Refusal r = Transfer::stage(l);
              if (r.refused()) throw DbError(r.message);
          }}},
        {"seal", {none, [] { Stocktake::seal("W01"); }}},
        {"adjust",
         {[] {
              Sql::run("INSERT INTO kesp_check_set(login_id,warehouse,warehouse_name,check_set) "
                       "VALUES (?,'W01','一号仓库','Y')",
                       {Clerk});
              Sql::run("INSERT INTO kesp_check_temp(login_id,warehouse,item_code,attr_code,size_code,stage_code,"
                       "remaind_qty,qty,check_flag,order_no) VALUES (?,'W01','I001','A1','Z1','G1',10,7,?,'9000000003')",
                       {Clerk, true});
          },
          [] { Stocktake::adjust("2026/12/05"); }}},
        {"close", {[] { Periods::ensure(QDate(2026, 12, 1)); }, [] { Periods::close("202612", QDate(2026, 12, 31)); }}},
        {"balance mend", {[] { Sql::run("UPDATE kesp_inv_detail_tree SET qty=99 WHERE size_code='Z1'"); },
                          [] { BalanceCheck::mend(); }}},
        {"master add", {none, [] { Master::add(Master::warehouses(), {"W09", "九号仓库", {}, {}, {}}); }}},
        {"master update",
         {none, [] { Master::updateItem({"I001", "男式衬衫新款", "M-01", "棉", "U1", "件", "B1", "上衣", "S1", "衬衫"}); }}},
        {"master delete", {none, [] { Master::remove(Master::customers(), "C1", "东方商场"); }}},
        {"letterhead", {none, [] { Documents::saveLetterhead({"鸿达服装", "杭州", "0571"}); }}},
        {"account", {none, [] { Accounts::add("new1", "新用户", "1"); }}},
        {"password", {none, [] { Accounts::changePassword(Clerk, "1", "2"); }}},
        {"rights", {none, [] { Rights::save("new0", Rights::everything()); }}},
    };
    return w;
}

// A clerk's account with the given commands and warehouses.
void clerkWith(const QStringList& commands, const QStringList& warehouses, bool prices = true) {
    Session::setUserCode("abc");
    if (!TestDb::count("SELECT count(*) FROM login_table WHERE login_id=?", {Clerk}))
        Sql::run("INSERT INTO login_table(login_id, login_name, pass_word) VALUES (?, '店员', '1')", {Clerk});
    TestDb::grant(Clerk, commands, warehouses, prices);
    Session::setUserCode(Clerk);
}
} // namespace

class TstRights : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Screens::registerAll(); }
    void init() { Session::setUserCode("abc"); }
    void writes_data();
    void writes();
    void keptGrantNotTrustedByWrites_data();
    void keptGrantNotTrustedByWrites();
    void auditGoesWithItsChange_data();
    void auditGoesWithItsChange();
    void postingAuditsOneRowPerBill();
    void queriesSeeOnlyTheirWarehouses();
    void upgradeKeepsAccountsWhole();
    void lastAdministratorKeepsTheRightsWindow();
    void menuCommandDisabledWithoutRight();
    void noPricesInEntryQueryExportAndDocument();
    void trailWindowShowsBeforeAndAfter();
};

void TstRights::writes_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QStringList>("warehouses");
    QTest::addColumn<QString>("audited"); // command of the audit row; empty: none expected
    QTest::addColumn<bool>("allowed");
    const QStringList both{"W01", "W02"}, looking{"W01:查询", "W02:查询"};
    struct K {
        const char* kind;
        const char* command;
        bool audited;
        bool byWarehouse;
    };
    for (const K k : {K{"stage", "CC10", false, true}, K{"post", "CC10", true, true}, K{"transfer", "CC30", false, true},
                      K{"seal", "FF10", true, true}, K{"adjust", "FF20", true, true}, K{"close", "GG10", true, false},
                      K{"balance mend", "GG30", true, false},
                      K{"master add", "BB20", true, false}, K{"master update", "BB10", true, false},
                      K{"master delete", "BB70", true, false}, K{"letterhead", "AA80", true, false},
                      K{"account", "AA20", true, false}, K{"password", "AA10", true, false},
                      K{"rights", "AA30", true, false}}) {
        const QString audited = k.audited ? QString::fromLatin1(k.command) : QString();
        const QStringList command{QString::fromLatin1(k.command)};
        QTest::addRow("%s allowed", k.kind) << k.kind << command << both << audited << true;
        QTest::addRow("%s without its command", k.kind) << k.kind << QStringList{"EE10", "CC40"} << both << audited << false;
        if (k.byWarehouse) QTest::addRow("%s in a warehouse only seen", k.kind) << k.kind << command << looking << audited << false;
    }
    // A transfer needs both warehouses.
    QTest::addRow("transfer into a warehouse only seen") << "transfer" << QStringList{"CC30"} << QStringList{"W01", "W02:查询"}
                                                         << QString() << false;
}

void TstRights::writes() {
    QFETCH(QString, kind);
    QFETCH(QStringList, commands);
    QFETCH(QStringList, warehouses);
    QFETCH(QString, audited);
    QFETCH(bool, allowed);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    ::writes().value(kind).prepare();
    clerkWith(commands, warehouses);
    const QString before = fingerprint();
    const int trail = audited.isEmpty() ? 0 : auditRows(audited);
    QString refusal;
    try {
        ::writes().value(kind).run();
    } catch (const Rights::Refused& e) {
        refusal = e.text();
    }
    if (!allowed) {
        QVERIFY2(refusal.startsWith("没有权限："), qPrintable(refusal));
        QCOMPARE(fingerprint(), before);
        return;
    }
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QVERIFY(fingerprint() != before);
    if (!audited.isEmpty()) {
        QCOMPARE(auditRows(audited), trail + 1);
        QCOMPARE(TestDb::value("SELECT login_id FROM kesp_audit_log WHERE command=? ORDER BY ID DESC", {audited}).toString(),
                 Clerk);
    }
}

void TstRights::keptGrantNotTrustedByWrites_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("takeAway"); // what another copy's administrator deletes
    QTest::newRow("stage, its command") << "stage" << "DELETE FROM kesp_user_right WHERE login_id=? AND command='CC10'";
    QTest::newRow("stage, its warehouse") << "stage" << "DELETE FROM kesp_user_warehouse WHERE login_id=? AND warehouse='W01'";
    QTest::newRow("post, its command") << "post" << "DELETE FROM kesp_user_right WHERE login_id=? AND command='CC10'";
    QTest::newRow("post, its warehouse") << "post" << "DELETE FROM kesp_user_warehouse WHERE login_id=? AND warehouse='W01'";
    QTest::newRow("transfer, a warehouse") << "transfer" << "DELETE FROM kesp_user_warehouse WHERE login_id=? AND warehouse='W02'";
}

void TstRights::keptGrantNotTrustedByWrites() {
    QFETCH(QString, kind);
    QFETCH(QString, takeAway);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    ::writes().value(kind).prepare();
    clerkWith({"CC10", "CC30"}, {"W01", "W02"});
    // Read once at the login, then kept: asking again sends nothing.
    QVERIFY(Rights::may("CC10"));
    const qint64 sent = Sql::statementsSent();
    QVERIFY(Rights::seesPrices() && Rights::access("W01") == Rights::Access::Operate);
    QCOMPARE(Sql::statementsSent(), sent);
    Sql::run(takeAway, {Clerk});
    const QString before = fingerprint();
    QVERIFY_THROWS_EXCEPTION(Rights::Refused, ::writes().value(kind).run());
    QCOMPARE(fingerprint(), before);
    // The refusal lets the kept grant go.
    QVERIFY(!Rights::may("CC10") || Rights::access("W01") != Rights::Access::Operate ||
            Rights::access("W02") != Rights::Access::Operate);
    // A change of the user's own rights in the rights window is seen at once.
    Session::setUserCode("abc");
    QVERIFY(Rights::seesPrices());
    Rights::Grant noPrices = Rights::everything();
    noPrices.seePrices = false;
    Rights::save("abc", noPrices);
    QVERIFY(!Rights::seesPrices());
}

void TstRights::auditGoesWithItsChange_data() {
    QTest::addColumn<bool>("failAfterChange"); // else the audit row itself is refused
    QTest::newRow("failure after the posting") << true;
    QTest::newRow("audit row refused") << false;
}

void TstRights::auditGoesWithItsChange() {
    QFETCH(bool, failAfterChange);
    TestDb db;
    TestDb::seedMasters();
    Staging::insert(inLine("W01", "R5", 3, "9000000005"));
    if (failAfterChange)
        Posting::afterStatement = [](int step) {
            if (step == 6) throw DbError("injected");
        };
    else
        TestDb::failWhen("no_audit", "kesp_audit_log", "INSERT", "1=1", "audit refused");
    const QString before = fingerprint();
    QVERIFY_THROWS_EXCEPTION(DbError, Posting::post(LineKind::StockIn));
    Posting::afterStatement = nullptr;
    if (!failAfterChange) TestDb::dropFailure("no_audit", "kesp_audit_log");
    QCOMPARE(fingerprint(), before);
    QCOMPARE(auditRows("CC10"), 0);
    // The same posting goes through once nothing fails, with its row.
    QCOMPARE(Posting::post(LineKind::StockIn), 1);
    QCOMPARE(auditRows("CC10"), 1);
}

void TstRights::postingAuditsOneRowPerBill() {
    TestDb db;
    TestDb::seedMasters();
    int n = 0;
    for (const auto& [bill, qty] : QList<QPair<QString, double>>{{"R1", 1}, {"R1", 2.5}, {"R1", 4}, {"R2", 7}})
        Staging::insert(inLine("W01", bill, qty, QString::number(9000000010LL + n++)));
    QCOMPARE(Posting::post(LineKind::StockIn), 4);
    QSqlQuery q = Sql::run("SELECT bill_no, after_value, table_name FROM kesp_audit_log WHERE command='CC10' ORDER BY bill_no");
    QStringList rows;
    while (q.next()) rows << q.value(0).toString() + " " + q.value(1).toString() + " " + q.value(2).toString();
    QCOMPARE(rows, (QStringList{R"(R1 {"lines":3,"qty":7.5,"warehouse":"W01"} kesp_post_history)",
                                R"(R2 {"lines":1,"qty":7,"warehouse":"W01"} kesp_post_history)"}));
}

void TstRights::queriesSeeOnlyTheirWarehouses() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W02','二号仓库','I001','A1','Z1','G1',8)");
    Sql::run("UPDATE kesp_post_history SET warehouse='W02' WHERE bill_no='R2'");
    struct Case {
        QStringList warehouses;
        QString stock, movements, lookable, workable;
    };
    const auto seen = [](const QString& sql, const QVariantList& params) {
        return TestDb::value(QStringLiteral("SELECT %1 FROM (SELECT DISTINCT warehouse FROM (%2) AS s ORDER BY warehouse) AS d")
                                 .arg(TestDb::joined("warehouse"), sql),
                             params)
            .toString();
    };
    for (const Case& c : {Case{{"W02:查询"}, "W02", "W02", "W02", ""}, Case{{"W01", "W02:查询"}, "W01,W02", "W01,W02", "W01,W02", "W01"},
                          Case{{}, "", "", "", ""}, Case{{"*"}, "W01,W02", "W01,W02", "W01,W02", "W01,W02"}}) {
        clerkWith({"EE10"}, c.warehouses);
        const auto stock = QueryBuilders::stockQuery({});
        const auto moves = QueryBuilders::movementQuery('i', {}, "2000/01/01", "2099/12/31");
        QCOMPARE(seen(stock.sql, stock.params), c.stock);
        QCOMPARE(seen(moves.sql, moves.params), c.movements);
        const Rights::List look = Rights::warehouseList(), work = Rights::warehouseList(Rights::Access::Operate);
        QCOMPARE(seen(look.sql, look.params), c.lookable);
        QCOMPARE(seen(work.sql, work.params), c.workable);
    }
}

void TstRights::upgradeKeepsAccountsWhole() {
    TestDb db;
    Sql::run("INSERT INTO login_table VALUES ('b2','乙','1')");
    // The database as the version before the rights made it.
    for (const char* t : {"kesp_user_right", "kesp_user_warehouse", "kesp_audit_log"})
        Sql::run(QStringLiteral("DROP TABLE %1").arg(QLatin1String(t)));
    // Nor the later steps' columns.
    Sql::run("ALTER TABLE kesp_warehouse_ini DROP COLUMN forbid_negative");
    Sql::run("ALTER TABLE kesp_inv_history_list DROP COLUMN history_mark");
    DataConnect1::setSchemaVersion(5);
    DataConnect1::close();
    DataConnect1::open(db.path());
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
    for (const QString a : {"abc", "b2"}) QVERIFY2(Rights::load(a) == Rights::everything(), qPrintable(a));
    Accounts::add("c3", "丙", "1");
    QVERIFY(Rights::load("c3") == Rights::Grant{});
    Session::setUserCode("c3");
    QVERIFY(!Rights::may("CC10"));
    QVERIFY(Rights::warehouses() == QStringList{});
}

void TstRights::lastAdministratorKeepsTheRightsWindow() {
    TestDb db;
    Sql::run("INSERT INTO login_table VALUES ('b2','乙','1')");
    Rights::Grant clerk;
    clerk.commands = {"CC10"};
    QVERIFY_THROWS_EXCEPTION(Rights::Refused, Rights::save("abc", clerk));
    QVERIFY(Rights::load("abc") == Rights::everything());
    QCOMPARE(Accounts::remove("abc", "系统管理员"), Accounts::RemoveResult::LastAccount);
    Rights::Grant admin;
    admin.commands = {"AA20", "AA30"};
    Rights::save("b2", admin);
    Rights::save("abc", clerk); // b2 keeps the window now
    QCOMPARE(Rights::administrators(), QStringList{"b2"});
    Session::setUserCode("b2");
    QCOMPARE(Accounts::remove("b2", "乙"), Accounts::RemoveResult::LastAccount);
    QCOMPARE(Rights::administrators(), QStringList{"b2"});
}

void TstRights::menuCommandDisabledWithoutRight() {
    TestDb db;
    clerkWith({"CC10", "EE10"}, {"W01"});
    MainForm w;
    w.applyRights();
    for (const char* name : {"BB10", "AA30", "AA70", "GG10"}) QVERIFY2(!w.findChild<QAction*>(name)->isEnabled(), name);
    for (const char* name : {"CC10", "EE10"}) QVERIFY2(w.findChild<QAction*>(name)->isEnabled(), name);
}

void TstRights::noPricesInEntryQueryExportAndDocument() {
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    ScriptedSeam seam;
    clerkWith({"CC10", "CC40"}, {"W01"}, false);
    {
        TCC10_form entry(nullptr);
        auto* grid = entry.findChild<DataGrid*>("DBGrid1");
        QVERIFY(!grid->captions().isEmpty());
        QVERIFY(!grid->isColumnVisible("价格"));
        QVERIFY(entry.findChild<QWidget*>("price_a")->isHidden());
    }
    TCC40_form query(nullptr);
    auto* grid = query.findChild<DataGrid*>("DBGrid1");
    QVERIFY(!grid->isColumnVisible("价格"));
    grid->open("SELECT * FROM kesp_post_history_v");
    const QString xlsx = db.dir() + "/r.xlsx";
    QVERIFY(GridExport::of(grid)->exportTo(GridExport::Format::Xlsx, xlsx));
    const QByteArray sheet = unzipped(xlsx, "xl/worksheets/sheet1.xml") + unzipped(xlsx, "xl/sharedStrings.xml");
    QVERIFY(sheet.contains("数量"));
    QVERIFY(!sheet.contains("价格"));
    const QString order = TestDb::value("SELECT MIN(order_no) FROM kesp_post_history WHERE bill_no='R1'").toString();
    QVERIFY(!Documents::posted({order, "R1", "W01", "in1", "i"}).priced);
    clerkWith({"CC10", "CC40"}, {"W01"}, true);
    QVERIFY(Documents::posted({order, "R1", "W01", "in1", "i"}).priced);
}

void TstRights::trailWindowShowsBeforeAndAfter() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    Master::updateItem({"I001", "男式衬衫新款", "M-01", "棉", "U1", "件", "B1", "上衣", "S1", "衬衫"});
    Master::add(Master::warehouses(), {"W09", "九号仓库", {}, {}, {}});
    TAA70_form w;
    w.show();
    w.command_a->setCurrentIndex(w.command_a->findData("BB10"));
    QTest::mouseClick(w.findChild<QPushButton*>("Cmd_Query"), Qt::LeftButton);
    QCOMPARE(w.DBGrid1->rowCount(), 1);
    QCOMPARE(w.DBGrid1->value(0, "关键字").toString(), QString("I001"));
    QVERIFY2(w.before_text->toPlainText().contains("* item_name: 男式衬衫\n"), qPrintable(w.before_text->toPlainText()));
    QVERIFY(w.after_text->toPlainText().contains("* item_name: 男式衬衫新款"));
    QVERIFY(w.after_text->toPlainText().contains("\nitem_model: M-01")); // unchanged: not marked
    w.command_a->setCurrentIndex(0);
    QTest::mouseClick(w.findChild<QPushButton*>("Cmd_Query"), Qt::LeftButton);
    QCOMPARE(w.DBGrid1->rowCount(), 2); // newest first
    QCOMPARE(w.DBGrid1->value(0, "关键字").toString(), QString("W09"));
    QVERIFY(w.before_text->toPlainText().isEmpty());
    QVERIFY(w.after_text->toPlainText().contains("warehouse_name: 九号仓库"));
}

QTEST_MAIN(TstRights)
#include "tst_rights.moc"
