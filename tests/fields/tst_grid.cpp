// The data grid: binding by field name, footer sums, sort, row colours, visibility, runtime
// columns, editing, and lazy fetching of large results.
#include "data/sql.h"
#include "fields/datagrid.h"
#include "data/DataConnect1_Unit.h"
#include "support/testdb.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTableView>
#include <QTest>

namespace {
void fill(int n) {
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', " + TestDb::padded("I", "i", 6) + ", 'A1', 'Z1', 'G1', (i % 7) * 0.5 FROM c",
             {n});
}
} // namespace

class TstGrid : public QObject {
    Q_OBJECT
private slots:
    void bindsByNameWithFooterAndSort();
    void rowColoursFromHiddenColumn();
    void visibilityAndRuntimeColumns();
    void editableAndCheckBoxColumns();
    void largeResultIsFetchedLazily();
    void keyedPagesAndRowsGiven();
    void pagedThroughWithBoundedRows_data();
    void pagedThroughWithBoundedRows();
    void selectedRowKeepsItsColourAndRowsFitText();
    void openedAfterItsWrite_data();
    void openedAfterItsWrite();
};

void TstGrid::bindsByNameWithFooterAndSort() {
    TestDb db;
    Sql::run("INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,qty,price) VALUES "
             "('3','abc','C',1000.5,1),('1','abc','A',2.25,2),('2','abc','B',0.004,3)");
    DataGrid g;
    g.setColumns({{"item_code", "项目代码", 80}, {"qty", "数量", 100, "#,##0.##"}, {"price", "价格", 100}});
    g.model()->setSort("item_code", Qt::AscendingOrder);
    g.open("SELECT * FROM kesp_post_temp_a WHERE login_id=?", {"abc"});
    QCOMPARE(g.rowCount(), 3);
    QCOMPARE(g.value(0, "ITEM_CODE").toString(), QString("A"));
    QCOMPARE(g.value(2, "order_no").toString(), QString("3")); // fields beyond the columns stay readable
    QCOMPARE(g.footerText("qty"), QString("1,002.75"));
    QCOMPARE(g.footerText("price"), QString());
    QCOMPARE(g.view()->columnWidth(0), 80);
    QCOMPARE(g.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("数量"));
    g.model()->sort(0, Qt::DescendingOrder);
    QCOMPARE(g.value(0, "item_code").toString(), QString("C"));
    g.clear();
    QCOMPARE(g.rowCount(), 0);
}

void TstGrid::rowColoursFromHiddenColumn() {
    TestDb db;
    Sql::run("INSERT INTO kesp_post_history(order_no,item_code,qty,red_flag) VALUES ('1','A',5,NULL),('2','A',-2,'Y')");
    DataGrid g;
    g.setColumns({{"item_code", "项目代码"}, {"qty", "数量", 0, "#,##0.##"}, {"red_flag", "", 0, {}, false, false, false}});
    g.model()->setRowColor([](const GridModel& m, int row) -> std::optional<QColor> {
        return m.value(row, "red_flag").toString() == "Y" ? QColor(255, 0, 0) : QColor(0, 0, 255);
    });
    g.model()->setSort("order_no", Qt::AscendingOrder);
    g.open("SELECT * FROM kesp_post_history");
    QCOMPARE(g.model()->data(g.model()->index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
    QCOMPARE(g.model()->data(g.model()->index(1, 1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    QVERIFY(g.view()->isColumnHidden(2));
    QCOMPARE(g.footerText("qty"), QString("3"));
}

void TstGrid::visibilityAndRuntimeColumns() {
    TestDb db;
    DataGrid g;
    g.setColumns({{"vendor", "供应商代码"}, {"address", "地址"}, {"fax", "传真"}});
    g.open("SELECT * FROM kesp_vendor_ini");
    g.setColumnVisible("地址", false);
    QVERIFY(!g.isColumnVisible("地址"));
    QVERIFY(g.isColumnVisible("传真"));
    // Columns replaced at run time, as the crosstab does.
    g.setColumns({{"c0", "分类汇总", 100}, {"c1", "行小计", 90, "合计：#.##"}, {"c2", "S码", 0, "#.##"}});
    g.open("SELECT 'x' AS c0, 3.5 AS c1, 1.25 AS c2 UNION ALL SELECT 'y', 1, NULL");
    QCOMPARE(g.captions(), (QStringList{"分类汇总", "行小计", "S码"}));
    QCOMPARE(g.footerText("c1"), QString("合计：4.5"));
    QCOMPARE(g.footerText("c2"), QString("1.25"));
}

void TstGrid::editableAndCheckBoxColumns() {
    TestDb db;
    Sql::run("INSERT INTO kesp_check_temp(login_id,item_code,remaind_qty) VALUES ('abc','A',5),('abc','B',6)");
    DataGrid g;
    g.setColumns({{"item_code", "项目代码"}, {"qty", "调帐数量", 80, "#,##0.##", true}, {"check_flag", "审核", 50, {}, false, true}});
    g.open(QString("SELECT %1 AS rid, * FROM kesp_check_temp").arg(DataConnect1::rowIdColumn()));
    QList<int> left;
    connect(&g, &DataGrid::rowLeft, [&](int r) { left << r; });
    GridModel* m = g.model();
    QVERIFY(m->flags(m->index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(m->setData(m->index(0, 1), "4.1234", Qt::EditRole));
    QCOMPARE(m->value(0, "qty").toDouble(), 4.123);
    QVERIFY(!m->setData(m->index(0, 1), "abc", Qt::EditRole));
    QVERIFY(m->setData(m->index(0, 2), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(m->value(0, "check_flag").toBool(), true);
    g.setCurrentRow(0);
    g.setCurrentRow(1);
    QCOMPARE(left, QList<int>{0});
}

void TstGrid::largeResultIsFetchedLazily() {
    TestDb db;
    fill(200000);
    DataGrid g;
    g.setColumns({{"item_code", "项目代码", 80}, {"qty", "数量", 80, "#,##0.##"}});
    g.model()->setSort("item_code", Qt::DescendingOrder);
    g.open("SELECT * FROM kesp_inv_detail_tree_v WHERE warehouse=?", {"W01"});
    QCOMPARE(g.rowCount(), GridModel::FetchChunk);
    QVERIFY(g.model()->canFetchMore());
    QCOMPARE(g.value(0, "item_code").toString(), QString("I200000"));
    // Sum over all 200,000 rows: each block of 7 rows adds 0+0.5+...+3 = 10.5.
    const double expected = TestDb::value("SELECT sum(qty) FROM kesp_inv_detail_tree").toDouble();
    QCOMPARE(g.model()->sum("qty"), expected);
    g.model()->fetchMore();
    QCOMPARE(g.rowCount(), 2 * GridModel::FetchChunk);
    // Another copy commits while the grid still has rows to fetch; this copy's writes go through,
    // since no page keeps a read open on the connection.
    {
        QSqlDatabase other = TestDb::connectOwn(db.path(), "other copy");
        QSqlQuery q(other);
        QVERIFY(q.exec("INSERT INTO kesp_check_set VALUES ('u2','W02','y','Y')"));
    }
    QSqlDatabase::removeDatabase("other copy");
    {
        Transaction tx;
        Sql::run("INSERT INTO kesp_check_set VALUES ('abc','W01','x','Y')");
        tx.commit();
    }
    g.model()->fetchMore();
    QCOMPARE(g.rowCount(), 3 * GridModel::FetchChunk);
    QCOMPARE(g.value(3 * GridModel::FetchChunk - 1, "item_code").toString(),
             QString("I%1").arg(200000 - 3 * GridModel::FetchChunk + 1, 6, 10, QChar('0')));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_check_set"), 2);
}

void TstGrid::keyedPagesAndRowsGiven() {
    TestDb db;
    fill(1000);
    DataGrid g;
    g.setColumns({{"item_code", "项目代码"}, {"qty", "数量", 0, "#,##0.##"}});
    // Keyed pages read every row once, in key order, across page boundaries.
    g.openKeyed("SELECT ID AS k, * FROM kesp_inv_detail_tree WHERE qty>0", {}, "k");
    g.model()->fetchAll();
    QCOMPARE(g.rowCount(), TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE qty>0"));
    for (int r = 1; r < g.rowCount(); ++r) QVERIFY(g.value(r - 1, "k").toLongLong() < g.value(r, "k").toLongLong());
    QCOMPARE(g.model()->sum("qty"), TestDb::value("SELECT sum(qty) FROM kesp_inv_detail_tree").toDouble());
    // Rows given: summed and sorted without a statement.
    g.setColumns({{"c0", "分类汇总"}, {"c1", "行小计", 0, "合计：#.##"}});
    g.showRows({"c0", "c1"}, {{"b", 1.5}, {"a", 2.0}, {"c", QVariant()}});
    QCOMPARE(g.footerText("c1"), QString("合计：3.5"));
    g.model()->sort(0, Qt::DescendingOrder);
    QCOMPARE(g.value(0, "c0").toString(), QString("c"));
    QCOMPARE(g.value(2, "c0").toString(), QString("a"));
}

void TstGrid::pagedThroughWithBoundedRows_data() {
    QTest::addColumn<bool>("keyed");
    QTest::newRow("pages by position") << false;
    QTest::newRow("keyed pages") << true;
}

// A result paged through to its end holds a bounded number of rows: the early ones are read
// again when asked for, edited ones are kept, the footer still sums every row.
void TstGrid::pagedThroughWithBoundedRows() {
    QFETCH(bool, keyed);
    TestDb db;
    const int n = (GridModel::ResidentPages + 20) * GridModel::FetchChunk + 7;
    fill(n);
    DataGrid g;
    g.setColumns({{"item_code", "项目代码"}, {"qty", "数量", 0, "#,##0.##", true}});
    if (keyed) g.openKeyed("SELECT ID AS k, * FROM kesp_inv_detail_tree", {}, "k");
    else g.open("SELECT * FROM kesp_inv_detail_tree ORDER BY item_code");
    g.model()->setData(g.model()->index(3, 1), 99.0, Qt::EditRole); // an edit on the first page
    g.model()->fetchAll();
    QCOMPARE(g.rowCount(), n);
    for (int r : {n - 1, 5, 3, 0, GridModel::FetchChunk * 40 + 1, n - 1})
        QCOMPARE(g.value(r, "item_code").toString(), QString("I%1").arg(r + 1, 6, 10, QChar('0')));
    QCOMPARE(g.value(3, "qty").toDouble(), 99.0);
    QCOMPARE(g.model()->sum("qty"), TestDb::value("SELECT sum(qty) FROM kesp_inv_detail_tree").toDouble() + 99.0 -
                                        TestDb::value("SELECT qty FROM kesp_inv_detail_tree WHERE ID=4").toDouble());
    int rows = 0;
    QVERIFY(g.model()->readPages(1000, [&](const GridModel& page) {
        for (int r = 0; r < page.rowCount(); ++r, ++rows)
            if (page.value(r, "item_code").toString() != QString("I%1").arg(rows + 1, 6, 10, QChar('0'))) return false;
        return true;
    }));
    QCOMPARE(rows, n);
}

void TstGrid::selectedRowKeepsItsColourAndRowsFitText() {
    TestDb db;
    Sql::run("INSERT INTO kesp_post_temp_a(order_no,item_code,item_name,red_flag) VALUES "
             "('1','A','短',NULL),('2','B','一件很长很长的男式纯棉长袖衬衫带口袋和刺绣图案','Y'),('3','C','短','Y')");
    DataGrid g;
    g.setColumns({{"item_code", "项目代码", 60}, {"item_name", "项目名称", 90}, {"red_flag", "", 0, {}, false, false, false}});
    g.model()->setRowColor([](const GridModel& m, int row) -> std::optional<QColor> {
        return m.value(row, "red_flag").toString() == "Y" ? QColor(255, 0, 0) : QColor(0, 0, 255);
    });
    g.model()->setSort("order_no", Qt::AscendingOrder);
    g.setRowsFitText(true);
    g.resize(400, 300);
    g.open("SELECT * FROM kesp_post_temp_a");
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    // The long name wraps: its row is taller than the short ones, which keep one line.
    QVERIFY(g.view()->rowHeight(1) > g.view()->rowHeight(0));
    // The selected red row still paints red text.
    g.setCurrentRow(2);
    QApplication::processEvents();
    const QImage shot = g.view()->viewport()->grab().toImage();
    const QRect row = g.view()->visualRect(g.model()->index(2, 0)).united(g.view()->visualRect(g.model()->index(2, 1)));
    int red = 0;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = row.left(); x <= row.right(); ++x) {
            const QColor c = shot.pixelColor(x * shot.width() / g.view()->viewport()->width(),
                                             y * shot.height() / g.view()->viewport()->height());
            if (c.red() > 170 && c.green() < 110 && c.blue() < 110) ++red;
        }
    QVERIFY2(red > 5, "red text in the selected row");
}

QTEST_MAIN(TstGrid)
void TstGrid::openedAfterItsWrite_data() {
    QTest::addColumn<bool>("writeFails");
    QTest::newRow("written") << false;
    QTest::newRow("write refused") << true;
}

// The rows and footer come with the write's COMMIT; a write refused before its reads leaves the
// rows shown as they were, and their statement for the next refresh.
void TstGrid::openedAfterItsWrite() {
    QFETCH(bool, writeFails);
    TestDb db;
    Sql::run("INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,qty) VALUES ('1','abc','A',2)");
    DataGrid g;
    g.setColumns({{"item_code", "项目代码", 80}, {"qty", "数量", 100, "#,##0.##"}});
    const QString sql = "SELECT * FROM kesp_post_temp_a WHERE login_id=? ORDER BY order_no";
    g.open(sql, {"abc"});
    try {
        g.open(sql, {"abc"}, [&](const QList<Sql::Bound>& reads, const GridModel::Reader& take) {
            Transaction tx;
            Sql::run("INSERT INTO kesp_post_temp_a(order_no,login_id,item_code,qty) VALUES ('2','abc','B',3)");
            if (writeFails) throw DbError("refused");
            tx.commit(reads, take);
        });
    } catch (const DbError&) {
        QVERIFY(writeFails);
    }
    QCOMPARE(g.rowCount(), writeFails ? 1 : 2);
    QCOMPARE(g.footerText("qty"), QString(writeFails ? "2" : "5"));
    g.refresh();
    QCOMPARE(g.value(0, "item_code").toString(), QString("A"));
}

#include "tst_grid.moc"
