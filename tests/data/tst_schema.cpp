// The schema: tables, columns, views, letter case, initial rows and the upgrade of older files.
#include "data/DataConnect1_Unit.h"
#include "data/sql.h"
#include "support/testdb.h"

#include <QSqlRecord>
#include <QTest>

class TstSchema : public QObject {
    Q_OBJECT
private slots:
    void everyTableAndViewHasItsColumns_data();
    void everyTableAndViewHasItsColumns();
    void namesAndTextIgnoreLetterCase();
    void initialRows();
    void subsetInsertLeavesOtherColumnsNull();
    void quoteCharacterIsStoredAndFound();
    void olderDatabaseIsUpgraded();
    void failingUpgradeLeavesDatabaseUntouched();
    void newerDatabaseIsRefused();
    void missingFileIsReported();
};

void TstSchema::everyTableAndViewHasItsColumns_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("login_table") << "login_table" << QStringList{"login_id", "login_name", "pass_word"};
    QTest::newRow("window_fields") << "kesp_window_fields_set" << QStringList{"login_id", "window_code", "fields_show"};
    QTest::newRow("vendor") << "kesp_vendor_ini"
                            << QStringList{"vendor", "vendor_name", "address", "phone1", "phone2", "telegraph", "fax",
                                           "zipcode", "area", "connection_man", "conn_phone", "business_man",
                                           "busin_phone", "delegate", "manager", "bank", "account_no", "taxation_no",
                                           "compendium"};
    QTest::newRow("customer") << "kesp_Customer_ini" << QStringList{"Customer", "customer_name", "compendium"};
    QTest::newRow("staging") << "kesp_post_temp_a"
                             << QStringList{"order_no", "login_id", "item_model", "warehouse_a", "warehouse_name_a",
                                            "red_flag", "operation_time"};
    QTest::newRow("history") << "kesp_post_history" << QStringList{"remaind_qty", "red_flag", "customer_name"};
    QTest::newRow("tree") << "kesp_inv_detail_tree" << QStringList{"ID", "warehouse", "stage_code", "qty"};
    QTest::newRow("check_temp") << "kesp_check_temp" << QStringList{"check_flag", "remaind_qty", "unit_name"};
    QTest::newRow("v_out") << "kesp_inv_detail_tree_v_out" << QStringList{"ID", "item_model", "stage_name", "login_id"};
    QTest::newRow("v_out2") << "kesp_inv_detail_tree_v_out2" << QStringList{"item_name", "qty", "login_id"};
    QTest::newRow("tree_v") << "kesp_inv_detail_tree_v"
                            << QStringList{"ID", "warehouse", "warehouse_name", "item_code", "attr_code", "size_code",
                                           "stage_code", "qty", "item_name", "item_model", "item_spec", "unit_code",
                                           "unit_name", "arrage_code_b", "arrage_name_b", "arrage_code_s",
                                           "arrage_name_s", "attr_name", "size_name", "stage_name"};
    QTest::newRow("history_detail_v") << "kesp_inv_history_detail_tree_v"
                                      << QStringList{"save_code", "year_v", "month_v", "qty", "unit_name", "stage_name"};
    QTest::newRow("post_history_v") << "kesp_post_history_v"
                                    << QStringList{"order_no", "bill_no", "i_o_flag", "item_name", "unit_name",
                                                   "arrage_name_s", "red_flag", "operation_name"};
    QTest::newRow("groupby_v") << "kesp_post_temp_groupby_v"
                               << QStringList{"login_id", "sum_qty", "price", "red_flag", "warehouse_name"};
}

void TstSchema::everyTableAndViewHasItsColumns() {
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    TestDb db;
    QSqlQuery q = Sql::run("SELECT * FROM " + table + " WHERE 1=0");
    const QSqlRecord rec = q.record();
    for (const QString& c : columns) QVERIFY2(rec.indexOf(c) >= 0, qPrintable(table + "." + c));
}

void TstSchema::namesAndTextIgnoreLetterCase() {
    TestDb db;
    TestDb::seedMasters();
    QCOMPARE(TestDb::count("SELECT count(*) FROM LOGIN_TABLE WHERE login_ID='ABC' AND Pass_Word='123'"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_Customer_ini WHERE Customer='c1'"), 1);
    // Ranges compare as text, also without regard to case.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code>='i002' AND item_code<='I003'"), 2);
    // Views keep the collation of the columns they pass through.
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W01','一号仓库','I001','A1','Z1','G1',5)");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree_v WHERE warehouse='w01' AND arrage_code_b='b1'"), 1);
    Sql::run("INSERT INTO kesp_post_history(order_no,item_code,bill_no,operation_code,warehouse,qty) "
             "VALUES ('0000000001','I001','Bill-a','in1','W01',1)");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_history_v WHERE bill_no='BILL-A' AND i_o_flag='I'"), 1);
    // One balance row per stock key, whatever the letter case.
    QVERIFY_THROWS_EXCEPTION(DbError, Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,"
                                               "size_code,stage_code,qty) VALUES ('w01','i001','a1','z1','g1',1)"));
}

void TstSchema::initialRows() {
    TestDb db;
    QCOMPARE(TestDb::value("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'").toString().toInt(), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_operation_ini WHERE (operation_code,i_o_flag) IN "
                           "(VALUES ('i_r','i'),('o_r','o'),('i_t','i'),('o_t','o'),('c_k','c'))"),
             5);
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table WHERE login_id='abc' AND length(pass_word)=3"), 1);
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
}

void TstSchema::subsetInsertLeavesOtherColumnsNull() {
    TestDb db;
    Sql::run("INSERT INTO kesp_item_master(item_code,item_name) VALUES ('X','x')");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_model IS NULL AND item_spec IS NULL"), 1);
    Sql::run("INSERT INTO kesp_window_fields_set VALUES (NULL,NULL,NULL),(NULL,NULL,NULL)");
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_window_fields_set"), 2);
}

void TstSchema::quoteCharacterIsStoredAndFound() {
    TestDb db;
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) VALUES (?,?)", {"O'B", "O'Brien's"});
    QCOMPARE(TestDb::value("SELECT warehouse_name FROM kesp_warehouse_ini WHERE warehouse=?", {"o'b"}).toString(),
             QString("O'Brien's"));
}

namespace {
// A database as the first build wrote it: no owner column on the work tables, no unique codes.
void downgradeToVersion1() {
    for (const char* s : {"DROP INDEX ix_v_out_login", "DROP INDEX ix_v_out2_login", "DROP INDEX ux_warehouse",
                          "ALTER TABLE kesp_warehouse_ini DROP COLUMN forbid_negative", "ALTER TABLE kesp_inv_history_list DROP COLUMN history_mark",
                          "ALTER TABLE kesp_inv_detail_tree_v_out DROP COLUMN login_id",
                          "ALTER TABLE kesp_inv_detail_tree_v_out2 DROP COLUMN login_id",
                          "ALTER TABLE kesp_check_temp DROP COLUMN found_flag"})
        Sql::run(s);
    DataConnect1::setSchemaVersion(1);
}
} // namespace

void TstSchema::olderDatabaseIsUpgraded() {
    TestDb db;
    downgradeToVersion1();
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) VALUES ('W9','九号')");
    DataConnect1::close();
    DataConnect1::open(db.path());
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
    QVERIFY(Sql::run("SELECT * FROM kesp_inv_detail_tree_v_out2 WHERE 1=0").record().indexOf("login_id") >= 0);
    QVERIFY(Sql::run("SELECT * FROM kesp_warehouse_ini WHERE 1=0").record().indexOf("forbid_negative") >= 0);
    QVERIFY(Sql::run("SELECT * FROM kesp_inv_history_list WHERE 1=0").record().indexOf("history_mark") >= 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 1);
    QVERIFY_THROWS_EXCEPTION(DbError, Sql::run("INSERT INTO kesp_warehouse_ini(warehouse) VALUES ('w9')"));
}

void TstSchema::failingUpgradeLeavesDatabaseUntouched() {
    TestDb db;
    downgradeToVersion1();
    // Two warehouses with one code: the unique key of the upgrade cannot be built.
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name) VALUES ('W1','a'),('W1','b')");
    DataConnect1::close();
    QVERIFY_THROWS_EXCEPTION(DbError, DataConnect1::open(db.path()));
    QVERIFY(!DataConnect1::isOpen());
    // Opened by hand: still version 1, still without the new column.
    const QString version = TestDb::onServer() ? "SELECT max(version) FROM kesp_schema_version" : "PRAGMA user_version";
    QCOMPARE(TestDb::rawValue(db.path(), version).toInt(), 1);
    QCOMPARE(TestDb::rawValue(db.path(), "SELECT count(login_id) FROM kesp_inv_detail_tree_v_out"), QVariant());
}

void TstSchema::newerDatabaseIsRefused() {
    TestDb db;
    DataConnect1::setSchemaVersion(99);
    DataConnect1::close();
    try {
        DataConnect1::open(db.path());
        QFAIL("a newer database was opened");
    } catch (const DbError& e) {
        QVERIFY(e.text().contains("99"));
    }
}

void TstSchema::missingFileIsReported() {
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(DbError, DataConnect1::open(dir.filePath("DATA/quorvel.mdb")));
    QVERIFY(!QFile::exists(dir.filePath("DATA/quorvel.mdb")));
}

QTEST_GUILESS_MAIN(TstSchema)
#include "tst_schema.moc"
