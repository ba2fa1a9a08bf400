// Statements sent to the server per action (each one a round trip on a distant link): window
// openings, a stock-in line, posting, a query stay within their bounds; bound statements are
// prepared once per connection and give the same values as before.
#include "barcodes/barcodes.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/lookupfield.h"
#include "fields/numericedit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/posting.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/filter_panel.h"
#include "security/rights.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QDate>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

namespace {
qint64 statementsOf(const std::function<void()>& action) {
    const qint64 before = Sql::statementsSent();
    action();
    return Sql::statementsSent() - before;
}

LookupField* field(QWidget* w, const char* name) { return w->findChild<LookupField*>(name); }

// One staged stock-in line of I001 in W01, the header as a clerk leaves it before "确定".
void fillStockIn(TCC10_form& f) {
    f.bill_no_a->setText("R9");
    field(&f, "operation_code_a")->setText("in1");
    field(&f, "warehouse_a")->setText("W01");
    field(&f, "vendor_a")->setText("V1");
    f.item_code_a->setList("SELECT * FROM kesp_item_master");
    f.item_code_a->setText("I001");
    field(&f, "attr_code_a")->setText("A1");
    field(&f, "size_code_a")->setText("Z1");
    field(&f, "stage_code_a")->setText("G1");
    f.price_a->setText("10");
    f.qty_a->setText("2");
}
} // namespace

class TstRoundTrips : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void actionWithinItsBound_data();
    void actionWithinItsBound();
    void preparedOncePerConnection();
    void valuesWrittenAsBound_data();
    void valuesWrittenAsBound();
    void snapshotMadeAnewWithOtherColumns();
};

void TstRoundTrips::actionWithinItsBound_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("bound");
    // The user's grant is read at the login and kept: windows read nothing for it. Posting checks
    // the rights in its batch and writes its trail rows with the COMMIT; a line's staged lines
    // and a query's first page and footer are read in the round trip of what makes them.
    QTest::newRow("open 入库操作") << "open stock-in" << 1;
    QTest::newRow("open 出库操作") << "open stock-out" << 1;
    QTest::newRow("open 入库记录查询") << "open in records" << 0;
    QTest::newRow("open 出库记录查询") << "open out records" << 0;
    QTest::newRow("open 当前库存查询") << "open stock" << 0;
    QTest::newRow("入库 确定") << "stage" << 5; // with the bill number's check: the first line
    QTest::newRow("过帐") << "post" << 2;
    QTest::newRow("当前库存 查询") << "query stock" << 1;
}

void TstRoundTrips::actionWithinItsBound() {
    QFETCH(QString, action);
    QFETCH(int, bound);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    // What the login and the first entry screen read, kept for the session.
    Rights::mine();
    Barcodes::scanCommit("abc");
    ScriptedSeam seam;
    const std::map<QString, std::function<void()>> actions = {
        {"open stock-in", [] { TCC10_form f; f.show(); QTest::qWait(0); }},
        {"open stock-out", [] { TDD10_form f; f.show(); QTest::qWait(0); }},
        {"open in records", [] { TCC40_form f; f.show(); QTest::qWait(0); }},
        {"open out records", [] { TDD30_form f; f.show(); QTest::qWait(0); }},
        {"open stock", [] { TEE10_form f; f.show(); QTest::qWait(0); }},
    };
    qint64 sent = 0;
    if (action == "stage") {
        TCC10_form f;
        f.show();
        fillStockIn(f);
        QTest::qWait(0);
        sent = statementsOf([&] { f.findChild<QPushButton*>("BitBtn1")->click(); });
        QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.shown.join('\n')));
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE bill_no='R9'"), 1);
    } else if (action == "post") {
        TCC10_form f;
        fillStockIn(f);
        f.findChild<QPushButton*>("BitBtn1")->click();
        sent = statementsOf([] { QCOMPARE(Posting::post(LineKind::StockIn), 1); });
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history WHERE bill_no='R9'"), 1);
    } else if (action == "query stock") {
        TEE10_form f;
        f.show();
        f.filters->warehouse_a->setText("W01");
        sent = statementsOf([&] { f.Cmd_Query->click(); });
        QCOMPARE(f.DBGrid1->rowCount(), 4);
    } else {
        sent = statementsOf(actions.at(action));
    }
    qInfo("%s: %lld statements", qPrintable(action), sent);
    QVERIFY2(sent <= bound, qPrintable(QStringLiteral("%1 statements, at most %2").arg(sent).arg(bound)));
}

void TstRoundTrips::preparedOncePerConnection() {
    TestDb db;
    TestDb::seedMasters();
    const QString sql = "SELECT warehouse_name FROM kesp_warehouse_ini WHERE warehouse=?";
    const QString prepared = "SELECT count(*) FROM pg_prepared_statements WHERE statement LIKE "
                             "'%kesp_warehouse_ini WHERE warehouse=$1%'";
    for (const QString& wh : {"W01", "W02", "W01"}) {
        QCOMPARE(statementsOf([&] { QVERIFY(!Sql::scalar(sql, {wh}).toString().isEmpty()); }), 1);
        QCOMPARE(Sql::scalar(prepared).toInt(), 1);
    }
    // A connection made anew has none of them: prepared again, not executed by a name it lacks.
    const QString location = DataConnect1::path();
    DataConnect1::close();
    DataConnect1::open(location);
    QCOMPARE(Sql::scalar(prepared).toInt(), 0);
    QVERIFY(!Sql::scalar(sql, {"W02"}).toString().isEmpty());
    QCOMPARE(Sql::scalar(prepared).toInt(), 1);
    // Prepared inside a transaction that is rolled back: still there, executed by its name.
    const QString other = "SELECT count(*) FROM kesp_item_size WHERE size_code=?";
    {
        Transaction tx;
        QCOMPARE(Sql::scalar(other, {"Z1"}).toInt(), 1);
    }
    QCOMPARE(statementsOf([&] { QCOMPARE(Sql::scalar(other, {"Z2"}).toInt(), 1); }), 1);
}

void TstRoundTrips::valuesWrittenAsBound_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected"); // the text read back, invalid for NULL
    QTest::newRow("invalid") << QVariant() << QVariant();
    QTest::newRow("null text") << QVariant(QString()) << QVariant();
    QTest::newRow("empty text") << QVariant(QString("")) << QVariant(QString(""));
    QTest::newRow("quote and backslash") << QVariant(QString("it's a\\b")) << QVariant(QString("it's a\\b"));
    QTest::newRow("chinese") << QVariant(QString("一号仓库")) << QVariant(QString("一号仓库"));
    QTest::newRow("null date") << QVariant(QDate()) << QVariant();
    QTest::newRow("date") << QVariant(QDate(2026, 12, 9)) << QVariant(QString("2026-12-09"));
    QTest::newRow("number") << QVariant(1.5) << QVariant(QString("1.5"));
}

void TstRoundTrips::valuesWrittenAsBound() {
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);
    TestDb db;
    Sql::run("CREATE TEMP TABLE bound_values (v TEXT)");
    Sql::run("INSERT INTO bound_values(v) VALUES (?)", {value});
    const QVariant got = Sql::scalar("SELECT v FROM bound_values");
    QCOMPARE(got.isNull(), !expected.isValid());
    if (expected.isValid()) QCOMPARE(got.toString(), expected.toString());
}

void TstRoundTrips::snapshotMadeAnewWithOtherColumns() {
    TestDb db;
    const QString read = QStringLiteral("SELECT * FROM q_round WHERE %1>?").arg(DataConnect1::snapshotKey());
    DataConnect1::makeSnapshot("q_round", "SELECT ? AS a", {}, {7});
    QCOMPARE(Sql::scalar(read, {0}).toInt(), 7);
    DataConnect1::makeSnapshot("q_round", "SELECT 'x' AS b, ? AS a", {}, {8});
    QSqlQuery q = Sql::run(read, {0});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString("x"));
}

QTEST_MAIN(TstRoundTrips)
#include "tst_round_trips.moc"
