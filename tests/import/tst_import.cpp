// Reading spreadsheets and CSV files, checking them whole and importing all or nothing.
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "export/table_file.h"
#include "import/importer.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "stocktake/stocktake.h"
#include "support/testdb.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

using namespace Import;

namespace {
Sheet sheetOf(const QList<QStringList>& rows) { return Sheet{rows}; }

QStringList messages(const Check& c) {
    QStringList out;
    for (const Problem& p : c.problems) out << QStringLiteral("%1|%2|%3").arg(p.row).arg(p.column, p.message);
    return out;
}

const QStringList ItemCaptions{"项目代码", "项目名称", "项目型号", "项目规格", "单位", "大类", "小类"};
} // namespace

class TestImport : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> db;

private slots:
    void init() {
        db = std::make_unique<TestDb>();
        TestDb::seedMasters();
    }
    void cleanup() { db.reset(); }

    void csvEncodings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        const QString text = QStringLiteral("项目代码,项目名称\r\nT1,\"圆领, T恤\"\r\nT2,'=1+1\r\n");
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << int(Encoding::Auto);
        QTest::newRow("utf8") << text.toUtf8() << int(Encoding::Auto);
        QStringEncoder gb("GB18030");
        QByteArray gbBytes;
        if (gb.isValid()) gbBytes = gb.encode(text);
        QTest::newRow("gb18030 detected") << gbBytes << int(Encoding::Auto);
        QTest::newRow("gb18030 chosen") << gbBytes << int(Encoding::Gb18030);
    }
    void csvEncodings() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        if (bytes.isEmpty()) QSKIP("no GB18030 encoder in this Qt to write the file with");
        const QString path = db->dir() + "/sheet.csv";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const Sheet s = read(path, Encoding(encoding));
        QCOMPARE(s.rows.size(), 3);
        QCOMPARE(s.rows[0], (QStringList{"项目代码", "项目名称"}));
        QCOMPARE(s.rows[1], (QStringList{"T1", "圆领, T恤"}));
        QCOMPARE(s.rows[2], (QStringList{"T2", "=1+1"})); // the export's apostrophe taken off
    }

    // The program's own XLSX export of the item list (heading, captions, rows, sums row) reads
    // back and imports without mapping by hand.
    void ownExportImports() {
        const QString path = db->dir() + "/items.xlsx";
        auto w = TableFile::xlsxWriter(3);
        QList<TableFile::Column> cols;
        for (const char* c : {"项目代码", "项目名称", "项目型号", "项目规格", "单位代码", "单位名称", "大类代码", "大类名称",
                              "小类代码", "小类名称"})
            cols.append({QString::fromUtf8(c), 80, {}, false});
        QVERIFY(w->begin(path, {QStringLiteral("项目定义"), {}}, cols));
        w->row({"N1", "新衬衫", "", "", "U1", "件", "B1", "上衣", "S1", "衬衫"});
        w->row({"N2", "新长裤", "P-2", "", "U1", "件", "B2", "裤子", "S2", "长裤"});
        w->row({"I001", "男式衬衫改", "M-01", "棉", "U1", "件", "B1", "上衣", "S1", "衬衫"});
        w->footer({TableFile::FooterCell{{}, {}, QStringLiteral("合计")}});
        QVERIFY(w->commit());
        const Sheet s = read(path);
        const Layout l = detect(Kind::Items, s);
        QCOMPARE(l.column("unit"), 4);
        Options o;
        o.update = true;
        const Check c = run(Kind::Items, s, l, o);
        QVERIFY2(c.ok(), qPrintable(messages(c).join('\n')));
        QCOMPARE(c.counts.added, 2);
        QCOMPARE(c.counts.changed, 1);
        QCOMPARE(TestDb::value("SELECT item_model FROM kesp_item_master WHERE item_code='N2'").toString(), QString("P-2"));
        QCOMPARE(TestDb::value("SELECT item_name FROM kesp_item_master WHERE item_code='I001'").toString(),
                 QString("男式衬衫改"));
    }

    void odsReads() {
        const Sheet s = read(QFINDTESTDATA("fixtures/vendors.ods"));
        QVERIFY(s.rows.size() >= 3);
        QCOMPARE(s.rows[0].mid(0, 2), (QStringList{"供应商代码", "供应商名称"}));
        QCOMPARE(s.rows[2][0], QString("0002")); // a text cell keeps its zeros
        QCOMPARE(s.rows[1][2], QString("12"));   // a number cell as its whole number
    }

    // Every problem of a file is listed at once and nothing is written.
    void problemsTogether_data() {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("items") << QList<QStringList>{
            ItemCaptions,
            {"N1", "好衬衫", "", "", "件", "上衣", "衬衫"},
            {"", "无代码", "", "", "件", "上衣", "衬衫"},
            {"N1", "重复", "", "", "件", "上衣", "衬衫"},
            {"N3", "单位错", "", "", "箱", "上衣", "衬衫"},
            {"N4", "小类错", "", "", "件", "上衣", "长裤"},
            {"N5", QString(60, QChar(u'长')), "", "", "件", "上衣", "衬衫"},
            {"N6", "", "", "", "件", "上衣", "背心"}}
                               << QStringList{"3|项目代码|不能为空", "4|项目代码|与文件第 2 行重复", "5|单位|单位不存在",
                                              "6|小类|小类不存在于大类 B1 下", "7|项目名称|太长（最多 50 个字）",
                                              "8|项目名称|不能为空", "8|小类|小类不存在于大类 B1 下"};
        QTest::newRow("missing column") << QList<QStringList>{{"项目代码", "项目名称"}, {"N1", "x"}}
                                        << QStringList{"0||缺少必需的列“单位”", "0||缺少必需的列“大类”",
                                                       "0||缺少必需的列“小类”"};
        QTest::newRow("opening stock") << QList<QStringList>{
            {"仓库", "项目代码", "颜色", "尺寸", "等级", "数量", "价格"},
            {"W09", "I001", "红色", "S码", "G1", "1", ""},
            {"W01", "I999", "A1", "Z1", "G1", "1", ""},
            {"W01", "I001", "A1", "Z1", "G1", "abc", ""},
            {"W01", "I001", "紫色", "Z1", "G1", "-2", "1"}}
                                       << QStringList{"2|仓库|仓库不存在", "3|项目代码|项目不存在", "4|数量|不是有效的数值",
                                                      "5|颜色|颜色不存在", "5|数量|数量必须大于 0"};
    }
    void problemsTogether() {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, expected);
        const Kind kind = rows[0][0] == "仓库" ? Kind::OpeningStock : Kind::Items;
        const Sheet s = sheetOf(rows);
        const int before = TestDb::count("SELECT COUNT(*) FROM kesp_item_master");
        const Check c = run(kind, s, detect(kind, s), {});
        QCOMPARE(messages(c), expected);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_master"), before);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_post_history"), 0);
    }

    void vendorsSkipOrUpdate() {
        const Sheet s = sheetOf({{"供应商代码", "供应商名称", "地址"}, {"V1", "华纺供应", "新地址"}, {"V2", "新供应商", "某路"}});
        Check c = run(Kind::Vendors, s, detect(Kind::Vendors, s), {});
        QVERIFY(c.ok());
        QCOMPARE(c.counts.added, 1);
        QCOMPARE(c.counts.unchanged, 1);
        QVERIFY(TestDb::value("SELECT address FROM kesp_vendor_ini WHERE vendor='V1'").isNull());
        Options update;
        update.update = true;
        c = run(Kind::Vendors, s, detect(Kind::Vendors, s), update);
        QCOMPARE(c.counts.changed, 1);
        QCOMPARE(c.counts.unchanged, 1);
        QCOMPARE(TestDb::value("SELECT address FROM kesp_vendor_ini WHERE vendor='V1'").toString(), QString("新地址"));
        // A name another vendor holds is refused.
        const Sheet clash = sheetOf({{"供应商代码", "供应商名称"}, {"V3", "华纺供应"}});
        QCOMPARE(messages(check(Kind::Vendors, clash, detect(Kind::Vendors, clash), {})),
                 QStringList{"2|供应商名称|名称已被供应商 V1 使用"});
    }

    // A failure of the database at row 9,000 of 10,000 leaves nothing of the import.
    void failureLeavesNothing() {
        QList<QStringList> rows{ItemCaptions};
        for (int i = 1; i <= 10000; ++i)
            rows.append({QStringLiteral("N%1").arg(i, 5, 10, QLatin1Char('0')), "款", "", "", "新单位", "新大类", "新小类"});
        const Sheet s = sheetOf(rows);
        Options o;
        o.autoCreate = true;
        TestDb::failWhen("f9000", "kesp_item_master", "INSERT", "NEW.item_code='N09000'", "boom");
        QVERIFY_THROWS_EXCEPTION(DbError, run(Kind::Items, s, detect(Kind::Items, s), o));
        TestDb::dropFailure("f9000", "kesp_item_master");
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_master"), 3);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_unit"), 1);
        const Check c = run(Kind::Items, s, detect(Kind::Items, s), o);
        QCOMPARE(c.counts.added, 10000);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_arrage_s WHERE arrage_code_b='新大类'"), 1);
    }

    // Opening stock is a posted stock-in: one bill per warehouse under the opening type, the
    // balances those of the sheet, the ledger as any posting leaves it; a failed posting leaves
    // neither staged lines nor the colours it would have made.
    void openingStockPosts() {
        const Sheet s = sheetOf({{"仓库", "项目代码", "颜色", "尺寸", "等级", "数量", "价格"},
                                 {"W01", "I001", "红色", "S码", "G1", "10", "12.5"},
                                 {"一号仓库", "I001", "A1", "Z1", "一等品", "2.0004", "12.5"},
                                 {"W02", "I002", "米色", "Z2", "G1", "7", ""}});
        Options o;
        o.autoCreate = true;
        Posting::afterStatement = [](int step) {
            if (step == 3) throw DbError("boom");
        };
        QVERIFY_THROWS_EXCEPTION(DbError, run(Kind::OpeningStock, s, detect(Kind::OpeningStock, s), o));
        Posting::afterStatement = nullptr;
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_post_temp_a"), 0);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_attr"), 2);

        const Check c = run(Kind::OpeningStock, s, detect(Kind::OpeningStock, s), o);
        QVERIFY2(c.ok(), qPrintable(messages(c).join('\n')));
        QCOMPARE(c.counts.added, 3);
        QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse='W01' AND item_code='I001' "
                               "AND attr_code='A1' AND size_code='Z1' AND stage_code='G1'")
                     .toDouble(),
                 12.0);
        QCOMPARE(TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE warehouse='W02' AND attr_code='米色'").toDouble(),
                 7.0);
        QCOMPARE(TestDb::count("SELECT COUNT(DISTINCT bill_no) FROM kesp_post_history"), 2);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_post_history h JOIN kesp_operation_ini o "
                               "ON o.operation_code=h.operation_code WHERE o.operation_name='期初入库'"),
                 3);
        // Sums of the ledger equal the balances.
        QCOMPARE(TestDb::value("SELECT SUM(qty) FROM kesp_post_history").toDouble(),
                 TestDb::value("SELECT SUM(qty) FROM kesp_inv_detail_tree").toDouble());
        // A second import takes the same type and new bill numbers.
        QVERIFY(run(Kind::OpeningStock, s, detect(Kind::OpeningStock, s), o).ok());
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_operation_ini WHERE operation_name='期初入库'"), 1);
        QCOMPARE(TestDb::count("SELECT COUNT(DISTINCT bill_no) FROM kesp_post_history"), 4);
        // Lines the clerk staged by hand are never posted with the opening stock.
        Sql::run("INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,attr_code,size_code,stage_code,warehouse,"
                 "operation_code,qty,price) VALUES ('9','abc','I001','A1','Z1','G1','W01','in1',1,1)");
        QCOMPARE(run(Kind::OpeningStock, s, detect(Kind::OpeningStock, s), o).problems.size(), 1);
    }

    // Codes: check digits, duplicates in the file, a code another variant holds (skipped: a
    // problem; updated: moved), letter case kept.
    void barcodesImport() {
        Sql::run("INSERT INTO kesp_item_barcode(barcode,item_code,attr_code,size_code,stage_code,barcode_kind) "
                 "VALUES ('6901234567892','I001','A1','Z1','G1','EAN13'),('4006381333931','I001','A2','Z1','G1','EAN13')");
        const QList<QStringList> rows{{"项目代码", "颜色", "尺寸", "等级", "条码"},
                                      {"I001", "红色", "S码", "G1", "6901234567892"}, // the same variant: unchanged
                                      {"I001", "A1", "Z2", "G1", "ab-1"},
                                      {"I001", "A1", "Z3", "G1", "AB-1"},            // other case: another code
                                      {"I002", "A1", "Z1", "G1", "6901234567891"},   // bad check digit
                                      {"I002", "A1", "Z2", "G1", "ab-1"},            // twice in the file
                                      {"I003", "A1", "Z1", "G1", "4006381333931"}};  // held by I001
        const Sheet s = sheetOf(rows);
        QCOMPARE(messages(run(Kind::Barcodes, s, detect(Kind::Barcodes, s), {})),
                 (QStringList{"5|条码|条码校验位错误", "6|条码|与文件第 3 行重复", "7|条码|条码已被 I001 蓝色 S码 使用"}));
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_barcode"), 2);
        const Sheet good = sheetOf(QList<QStringList>{rows[0], rows[1], rows[2], rows[3], rows[6]});
        Options update;
        update.update = true;
        const Check c = run(Kind::Barcodes, good, detect(Kind::Barcodes, good), update);
        QVERIFY2(c.ok(), qPrintable(messages(c).join('\n')));
        QCOMPARE(c.counts.added, 2);
        QCOMPARE(c.counts.unchanged, 1);
        QCOMPARE(c.counts.changed, 1);
        QCOMPARE(TestDb::value("SELECT item_code FROM kesp_item_barcode WHERE barcode='4006381333931'").toString(),
                 QString("I003"));
        QCOMPARE(TestDb::value("SELECT size_code FROM kesp_item_barcode WHERE barcode='AB-1'").toString(), QString("Z3"));
    }

    // Levels: colour and size empty for the whole item, by code or name; max below min, a key
    // twice and an unknown colour are problems and nothing is written; then added and updated.
    void stockLevelsImport() {
        Sql::run("INSERT INTO kesp_stock_level(warehouse,item_code,attr_code,size_code,min_qty,max_qty) "
                 "VALUES ('W01','I001','A1','Z1',1,2)");
        const QList<QStringList> rows{{"仓库", "项目代码", "颜色", "尺寸", "下限", "上限"},
                                      {"W01", "I001", "", "", "20", "100"},
                                      {"一号仓库", "i001", "红色", "S码", "3", "12.0004"}, // the stored level
                                      {"W02", "I002", "A1", "", "5", "4"},
                                      {"W01", "I001", "A1", "Z1", "1", "2"},
                                      {"W01", "I003", "紫色", "", "1", "2"}};
        const Sheet s = sheetOf(rows);
        QCOMPARE(messages(run(Kind::StockLevels, s, detect(Kind::StockLevels, s), {})),
                 (QStringList{"4|上限|上限不能小于下限", "5|项目代码|与文件第 3 行重复", "6|颜色|颜色不存在"}));
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_stock_level"), 1);
        const Sheet good = sheetOf(rows.mid(0, 3));
        Options update;
        update.update = true;
        const Check c = run(Kind::StockLevels, good, detect(Kind::StockLevels, good), update);
        QVERIFY2(c.ok(), qPrintable(messages(c).join('\n')));
        QCOMPARE(c.counts.added, 1);
        QCOMPARE(c.counts.changed, 1);
        QCOMPARE(TestDb::value("SELECT max_qty FROM kesp_stock_level WHERE attr_code='A1' AND size_code='Z1'").toDouble(),
                 12.0);
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_stock_level WHERE warehouse='W01' AND item_code='I001' "
                               "AND attr_code='' AND size_code='' AND min_qty=20 AND max_qty=100"),
                 1);
    }

    // A count sheet goes into the user's count of the sealed warehouse: by key or by code alone,
    // rows of one key added up, goods the books do not know as found rows; add or replace.
    void countSheetImport() {
        TestDb::seedStock();
        Sql::run("INSERT INTO kesp_item_barcode(barcode,item_code,attr_code,size_code,stage_code,barcode_kind) "
                 "VALUES ('C-Z2','I001','A1','Z2','G1','CODE128'),('C-NEW','I003','A2','Z1','G1','CODE128')");
        const Sheet s = sheetOf({{"项目代码", "颜色", "尺寸", "等级", "条码", "盘点数量"},
                                 {"I001", "A1", "Z1", "G1", "", "4"},
                                 {"", "", "", "", "C-Z2", "1"},
                                 {"", "", "", "", "C-Z2", "1"},
                                 {"", "", "", "", "C-NEW", "2"},
                                 {"", "", "", "", "NOPE", "1"}});
        QCOMPARE(messages(check(Kind::CountSheet, s, detect(Kind::CountSheet, s), {})),
                 QStringList{"0||请先在“设置盘点”中封帐要盘点的仓库"});
        QCOMPARE(int(Stocktake::seal("W01")), int(Stocktake::SealResult::Sealed));
        Stocktake::load({"W01", {}, {}, {}});
        QCOMPARE(messages(check(Kind::CountSheet, s, detect(Kind::CountSheet, s), {})), QStringList{"6|条码|未知条码"});
        const Sheet good = sheetOf(s.rows.mid(0, 5));
        Check c = run(Kind::CountSheet, good, detect(Kind::CountSheet, good), {});
        QVERIFY2(c.ok(), qPrintable(messages(c).join('\n')));
        QCOMPARE(c.counts.changed, 2);
        QCOMPARE(c.counts.added, 1);
        const QString at = "SELECT %1 FROM kesp_check_temp WHERE login_id='abc' AND item_code=? AND size_code=?";
        QCOMPARE(TestDb::value(at.arg("qty"), {"I001", "Z2"}).toDouble(), 2.0);
        QCOMPARE(TestDb::value(at.arg("remaind_qty"), {"I003", "Z1"}).toDouble(), 0.0);
        Options replace;
        replace.replaceCounts = true;
        QVERIFY(run(Kind::CountSheet, good, detect(Kind::CountSheet, good), replace).ok());
        QCOMPARE(TestDb::value(at.arg("qty"), {"I001", "Z1"}).toDouble(), 4.0);
        QVERIFY(run(Kind::CountSheet, good, detect(Kind::CountSheet, good), {}).ok());
        QCOMPARE(TestDb::value(at.arg("qty"), {"I001", "Z1"}).toDouble(), 8.0);
    }

    void templateReadsBack() {
        for (Kind k : kinds()) {
            const QString path = db->dir() + QStringLiteral("/t%1.xlsx").arg(int(k));
            QString error;
            QVERIFY2(writeTemplate(k, path, &error), qPrintable(error));
            const Sheet s = read(path);
            const Layout l = detect(k, s);
            for (const Field& f : fields(k)) QVERIFY2(l.column(f.key) >= 0, qPrintable(f.caption));
            QCOMPARE(s.rows.size(), 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
