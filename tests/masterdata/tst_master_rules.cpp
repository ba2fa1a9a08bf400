// Master data rules without a screen: a record that other rows refer to is never deleted,
// duplicates are caught also with blanks around the code, writes say how many rows changed.
#include "data/sql.h"
#include "masterdata/master_repo.h"
#include "support/testdb.h"

#include <QTest>

using namespace Master;

Q_DECLARE_METATYPE(const Master::Table*)

namespace {
const Table* byWord(const QString& word) {
    for (const Table* t : allTables())
        if (t->word == word) return t;
    return nullptr;
}
} // namespace

class TstMasterRules : public QObject {
    Q_OBJECT
private slots:
    void refusedWhileReferred_data();
    void refusedWhileReferred();
    void deleteRules();
    void duplicates_data();
    void duplicates();
    void writesReportRowsChanged();
};

// Every table that names a master record, as the schema has it: the record cannot be deleted while
// one such row exists, and can once it is gone.
void TstMasterRules::refusedWhileReferred_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("what");
    const auto row = [](const char* word, const char* table, const char* column, const char* what) {
        QTest::addRow("%s %s.%s", word, table, column) << QString::fromUtf8(word) << table << column
                                                       << QString::fromUtf8(what);
    };
    const QList<std::pair<const char*, const char*>> stockTables = {{"kesp_inv_detail_tree", "库存记录"},
                                                                    {"kesp_post_history", "过帐记录"},
                                                                    {"kesp_post_temp_a", "待过帐记录"},
                                                                    {"kesp_check_temp", "盘点记录"},
                                                                    {"kesp_inv_history_detail_tree", "月结库存记录"}};
    const QList<std::pair<const char*, const char*>> keyParts = {
        {"仓库", "warehouse"}, {"项目", "item_code"}, {"属性", "attr_code"}, {"尺寸", "size_code"}, {"等级", "stage_code"}};
    for (const auto& [word, column] : keyParts)
        for (const auto& [table, what] : stockTables) row(word, table, column, what);
    for (const auto& [word, column] : keyParts)
        if (QByteArray(word) != "仓库") row(word, "kesp_item_barcode", column, "条码");
    row("仓库", "kesp_post_temp_a", "warehouse_a", "待过帐记录"); // the other side of a staged transfer
    row("仓库", "kesp_check_set", "warehouse", "盘点封库记录");
    row("大类", "kesp_item_master", "arrage_code_b", "项目资料");
    row("大类", "kesp_post_temp_a", "arrage_code_b", "待过帐记录");
    row("大类", "kesp_check_temp", "arrage_code_b", "盘点记录");
    row("小类", "kesp_item_master", "arrage_code_s", "项目资料");
    row("小类", "kesp_post_temp_a", "arrage_code_s", "待过帐记录");
    row("小类", "kesp_check_temp", "arrage_code_s", "盘点记录");
    row("计量单位", "kesp_item_master", "unit_code", "项目资料");
    row("计量单位", "kesp_check_temp", "unit_code", "盘点记录");
    row("操作类型", "kesp_post_history", "operation_code", "过帐记录");
    row("操作类型", "kesp_post_temp_a", "operation_code", "待过帐记录");
    row("操作类型", "kesp_check_temp", "operation_code", "盘点记录");
    for (const char* partner : {"供应商", "客户"}) {
        const char* column = QByteArray(partner) == "供应商" ? "vendor" : "customer";
        row(partner, "kesp_post_history", column, "过帐记录");
        row(partner, "kesp_post_temp_a", column, "待过帐记录");
    }
}

void TstMasterRules::refusedWhileReferred() {
    QFETCH(QString, word);
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, what);
    TestDb db;
    TestDb::seedMasters();
    const Table* t = byWord(word);
    QVERIFY(t);
    const bool small = word == QStringLiteral("小类");
    Entry e{QStringLiteral(" X9 "), QStringLiteral("新记录"), {}, small ? QStringLiteral("B1") : QString(), {}};
    if (t == &operations()) e.extra = {{QStringLiteral("i_o_flag"), QStringLiteral("i")}};
    QVERIFY(add(*t, e).done());
    // A small category is identified with its big category: the same code under B2 refers elsewhere.
    const QString refer = small ? QStringLiteral("INSERT INTO %1(%2, arrage_code_b) VALUES (?, ?)").arg(table, column)
                                : QStringLiteral("INSERT INTO %1(%2) VALUES (?)").arg(table, column);
    if (small) {
        Sql::run(refer, {"X9", "B2"});
        QVERIFY(usedBy(*t, "X9", "B1").isEmpty());
    }
    if (table == QLatin1String("kesp_item_barcode")) // a code names every part of its variant
        Sql::run(QStringLiteral("INSERT INTO kesp_item_barcode(barcode,item_code,attr_code,size_code,stage_code,"
                                "barcode_kind) VALUES ('2000000000015','I001','A1','Z1','G1','EAN13')"));
    if (table == QLatin1String("kesp_item_barcode"))
        Sql::run(QStringLiteral("UPDATE kesp_item_barcode SET %1='X9'").arg(column));
    else
        Sql::run(refer, small ? QVariantList{"X9", "B1"} : QVariantList{"X9"});
    Result r = remove(*t, "X9", "新记录", small ? "B1" : "");
    QCOMPARE(r.outcome, Outcome::InUse);
    QCOMPARE(r.message, QStringLiteral("该%1已被%2使用，不能删除！").arg(word, what));
    QCOMPARE(TestDb::count(QStringLiteral("SELECT count(*) FROM %1 WHERE %2='X9'").arg(t->table, t->codeColumn)), 1);
    Sql::run(QStringLiteral("DELETE FROM %1 WHERE %2='X9'").arg(table, column) +
             (small ? QStringLiteral(" AND arrage_code_b='B1'") : QString()));
    r = remove(*t, "X9", "新记录", small ? "B1" : "");
    QCOMPARE(r.outcome, Outcome::Done);
    QCOMPARE(r.rows, 1);
    QCOMPARE(TestDb::count(QStringLiteral("SELECT count(*) FROM %1 WHERE %2='X9'").arg(t->table, t->codeColumn)), 0);
}

void TstMasterRules::deleteRules() {
    TestDb db;
    TestDb::seedMasters();
    // Several kinds of use are named together, once each.
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,qty) VALUES ('W02','I001',1)");
    Sql::run("INSERT INTO kesp_post_history(warehouse,item_code,qty) VALUES ('W02','I001',1),('W02','I002',1)");
    QCOMPARE(remove(warehouses(), "W02", "二号仓库").message,
             QStringLiteral("该仓库已被库存记录、过帐记录使用，不能删除！"));
    // The big category rule of its small categories comes first.
    Result r = remove(bigCategories(), "B1");
    QCOMPARE(r.outcome, Outcome::InUse);
    QCOMPARE(r.message, QStringLiteral("因为此大类中包含多项小类，所以必须先删除它的小类。"));
    // The system's own operation codes stay, even with nothing posted.
    for (const char* reserved : {"i_r", "o_r", "i_t", "o_t", "c_k", "I_T"})
        QCOMPARE(remove(operations(), reserved).outcome, Outcome::InUse);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_operation_ini WHERE operation_code IN ('i_r','o_r','i_t','o_t','c_k')"),
             5);
    // A warehouse is deleted only while code and name both match; nothing deleted is said so.
    r = remove(warehouses(), "W01", "别的名字");
    QCOMPARE(r.outcome, Outcome::NotFound);
    QVERIFY(!r.message.isEmpty());
    QCOMPARE(remove(warehouses(), "W01", "一号仓库").rows, 1);
    // Nothing chosen: nothing happens.
    QCOMPARE(remove(units(), "").outcome, Outcome::Ignored);
    // A small category goes only under its own big category.
    Sql::run("INSERT INTO kesp_item_arrage_s VALUES ('S9','九',NULL,'B1'),('S9','九',NULL,'B2')");
    QCOMPARE(remove(smallCategories(), "S9", {}, "B2").rows, 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_arrage_s WHERE arrage_code_s='S9' AND arrage_code_b='B1'"), 1);
}

void TstMasterRules::duplicates_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    // Seeded: W01 一号仓库, B1 上衣 (S1 衬衫 under B1), A1 红色, U1 件, in1 采购入库, I001, V1 华纺供应, C1 东方商场.
    QTest::newRow("warehouse code with blanks") << "仓库" << " W01 " << "新仓" << true;
    QTest::newRow("warehouse name with blanks") << "仓库" << "W09" << " 一号仓库 " << true;
    QTest::newRow("warehouse code in other case") << "仓库" << "w01" << "新仓" << true;
    QTest::newRow("warehouse new") << "仓库" << " W09 " << "新仓" << false;
    QTest::newRow("big category same code other name") << "大类" << "B1 " << "别的" << true;
    QTest::newRow("big category name in use is fine") << "大类" << "B9" << "上衣" << false;
    QTest::newRow("small category under its big one") << "小类" << " S1" << "衬衫" << true;
    QTest::newRow("small category of another big one") << "小类" << "S2" << "长裤" << false;
    QTest::newRow("attribute code with blanks") << "属性" << "\tA1 " << "红" << true;
    QTest::newRow("unit name with blanks") << "计量单位" << "U9" << " 件" << true;
    QTest::newRow("operation reserved code") << "操作类型" << " i_t " << "新" << true;
    QTest::newRow("operation name of the other direction") << "操作类型" << "o9" << "采购入库" << true;
    QTest::newRow("item code with blanks") << "项目" << " I001 " << "新" << true;
    QTest::newRow("vendor code with blanks") << "供应商" << " V1 " << "新" << true;
    QTest::newRow("customer code with blanks") << "客户" << " C1 " << "新" << true;
    QTest::newRow("customer new") << "客户" << " C9 " << " 新客户 " << false;
}

void TstMasterRules::duplicates() {
    QFETCH(QString, word);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(bool, refused);
    TestDb db;
    TestDb::seedMasters();
    const Table* t = byWord(word);
    QVERIFY(t);
    Entry e{code, name, {}, t->parentColumn.isEmpty() ? QString() : QStringLiteral("B1"), {}};
    if (t == &operations()) e.extra = {{QStringLiteral("i_o_flag"), QStringLiteral("o")}};
    const QString countSql = QStringLiteral("SELECT count(*) FROM %1").arg(t->table);
    const int before = TestDb::count(countSql);
    Result r;
    try {
        r = add(*t, e);
    } catch (const DbError& err) {
        QFAIL(qPrintable(QStringLiteral("the engine refused it: ") + err.text()));
    }
    QCOMPARE(r.outcome, refused ? Outcome::Refused : Outcome::Done);
    if (refused) {
        QCOMPARE(r.message, t->duplicateMessage);
        QCOMPARE(TestDb::count(countSql), before);
        return;
    }
    QCOMPARE(r.rows, 1);
    // Stored trimmed; an empty description is NULL.
    const QString under = t->parentColumn.isEmpty() ? QString() : QStringLiteral(" AND arrage_code_b='B1'");
    QCOMPARE(TestDb::count(QStringLiteral("SELECT count(*) FROM %1 WHERE %2=? AND %3=?").arg(t->table, t->codeColumn,
                                                                                          t->nameColumn) + under,
                           {trimmed(code), trimmed(name)}),
             1);
    if (!t->descColumn.isEmpty())
        QCOMPARE(TestDb::count(QStringLiteral("SELECT count(*) FROM %1 WHERE %2=? AND %3 IS NULL")
                                       .arg(t->table, t->codeColumn, t->descColumn) +
                                   under,
                               {trimmed(code)}),
                 1);
}

void TstMasterRules::writesReportRowsChanged() {
    TestDb db;
    TestDb::seedMasters();
    Item item{"I001", " 新名 ", "", " 规 ", "U1", "件", "B2", "裤子", "S2", "长裤"};
    Result r = updateItem(item);
    QCOMPARE(r.outcome, Outcome::Done);
    QCOMPARE(r.rows, 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='I001' AND item_name=' 新名 ' AND "
                           "item_model IS NULL AND item_spec='规' AND arrage_code_s='S2'"),
             1);
    // An item another copy deleted, or no code at all: nothing changed, and it is said so.
    for (const char* code : {"I404", ""}) {
        item.code = QString::fromLatin1(code);
        r = updateItem(item);
        QCOMPARE(r.outcome, Outcome::NotFound);
        QVERIFY(!r.message.isEmpty());
    }
    QCOMPARE(update(vendors(), "V404", {{"fax", "1"}}).outcome, Outcome::NotFound);
    // Required item fields in order, before the duplicate check.
    QCOMPARE(addItem({"I001", "", "", "", "", "", "", "", "", ""}).message, QStringLiteral("项目名称不能为空"));
    QCOMPARE(addItem({"I001", "x", "", "", "U1", "件", "B1", "上衣", "", ""}).message, QStringLiteral("小类代码不能为空"));
    QCOMPARE(addItem({"   ", "x", "", "", "U1", "件", "B1", "上衣", "S1", "衬衫"}).outcome, Outcome::Refused);
    QCOMPARE(addItem({" I009 ", "x", "", "", "U1", "件", "B1", "上衣", "S1", "衬衫"}).rows, 1);
    // Empty code or name of a plain record: nothing happens, nothing is said.
    QCOMPARE(add(units(), {"", "打", {}, {}, {}}).outcome, Outcome::Ignored);
    QCOMPARE(add(units(), {"   ", "打", {}, {}, {}}).outcome, Outcome::Refused);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_unit"), 1);
}

QTEST_GUILESS_MAIN(TstMasterRules)
#include "tst_master_rules.moc"
