// Benchmark (not a test): the current stock of one warehouse with 200,000 balance rows exported
// from its grid to Excel and CSV, read a page at a time, beside the floor: one statement over the
// same rows written straight to the same kind of file.
//   yicang_export_bench [rows]
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "export/table_file.h"
#include "fields/datagrid.h"
#include "fields/grid_export.h"
#include "fields/lookupfield.h"
#include "queries/EE10_Unit.h"
#include "queries/filter_panel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <cstdio>
#include <xlsxwriter.h>

namespace {
void line(const char* what, qint64 ms, qint64 floor) {
    std::printf("%-44s %7lld ms   floor %7lld ms   ratio %5.2f\n", what, static_cast<long long>(ms),
                static_cast<long long>(floor), floor > 0 ? double(ms) / double(floor) : 0.0);
}

void build(int rows) {
    Transaction tx;
    Sql::run(
        "WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<9999) "
        "INSERT INTO kesp_item_master(item_code,item_name,item_model,unit_name,arrage_code_b,arrage_name_b,"
        "arrage_code_s,arrage_name_s) SELECT printf('%05d',i), '品名'||(i%500), 'M-'||(i%40), '件', "
        "'B'||(i%5), "
        "'大类'||(i%5), 'S'||(i%20), '小类'||(i%20) FROM c");
    Sql::run("INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name,warehouse_desc) VALUES ('W01','一号仓库',NULL)");
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A1','白',NULL)");
    Sql::run("INSERT INTO kesp_item_stage VALUES ('G1','一等',NULL)");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<19) "
             "INSERT INTO kesp_item_size SELECT printf('Z%02d',i), printf('尺%02d',i), NULL FROM c");
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<?) "
             "INSERT INTO "
             "kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "SELECT 'W01', '一号仓库', printf('%05d',i%10000), 'A1', printf('Z%02d',i/10000), 'G1', "
             "1+(i%50)*0.5 FROM c",
             {rows - 1});
    tx.commit();
}

// The floor: every row of the grid's statement in one read, cells straight into the file.
qint64 floorCsv(const QString& sql, const QStringList& fields, const QString& path,
                const QString& order = QStringLiteral("grid_row")) {
    QElapsedTimer t;
    t.start();
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QSqlQuery q = Sql::run(sql + " ORDER BY " + order);
    QList<int> idx;
    for (const QString& n : fields)
        idx << q.record().indexOf(n);
    while (q.next()) {
        QStringList cells;
        for (int i : idx)
            cells << q.value(i).toString();
        f.write((cells.join(',') + "\r\n").toUtf8());
    }
    return t.elapsed();
}

qint64 floorXlsx(const QString& sql, const QStringList& fields, const QString& path) {
    QElapsedTimer t;
    t.start();
    lxw_workbook_options o{};
    o.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.toLocal8Bit().constData(), &o);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    QSqlQuery q = Sql::run(sql + " ORDER BY grid_row");
    QList<int> idx;
    for (const QString& n : fields)
        idx << q.record().indexOf(n);
    int r = 0;
    while (q.next()) {
        for (int c = 0; c < idx.size(); ++c) {
            const QVariant v = q.value(idx[c]);
            if (TableFile::isNumber(v))
                worksheet_write_number(sheet, r, c, v.toDouble(), nullptr);
            else if (!v.isNull())
                worksheet_write_string(sheet, r, c, v.toString().toUtf8().constData(), nullptr);
        }
        ++r;
    }
    workbook_close(book);
    return t.elapsed();
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("YC_BENCH_KEEP")) { // keeps the files to look at
        dir.setAutoRemove(false);
        std::printf("files in %s\n", qPrintable(dir.path()));
    }
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Session::setUserCode("abc");
    build(rows);
    std::printf("current stock of one warehouse: %d rows\n", rows);

    TEE10_form f;
    f.filters->warehouse_a->setText("W01");
    QElapsedTimer t;
    t.start();
    f.Cmd_Query->click();
    std::printf("%-44s %7lld ms\n", "query into the snapshot, first page",
                static_cast<long long>(t.elapsed()));
    GridExport* e = GridExport::of(f.DBGrid1);
    QStringList fields;
    for (const GridColumn& c : f.DBGrid1->model()->columns())
        fields << c.field;
    const QString sql = f.DBGrid1->model()->statement();

    t.restart();
    const bool xlsx = e->exportTo(GridExport::Format::Xlsx, dir.filePath("stock.xlsx"));
    const qint64 xlsxMs = t.elapsed();
    line(xlsx ? "export to Excel (pages of 1,000 rows)" : "export to Excel FAILED", xlsxMs,
         floorXlsx(sql, fields, dir.filePath("floor.xlsx")));
    t.restart();
    const bool csv = e->exportTo(GridExport::Format::Csv, dir.filePath("stock.csv"));
    const qint64 csvMs = t.elapsed();
    line(csv ? "export to CSV (pages of 1,000 rows)" : "export to CSV FAILED", csvMs,
         floorCsv(sql, fields, dir.filePath("floor.csv")));

    // Sorted by a click on "数量": pages by position over the sorted result.
    f.DBGrid1->model()->sort(4, Qt::DescendingOrder);
    t.restart();
    e->exportTo(GridExport::Format::Csv, dir.filePath("sorted.csv"));
    line("export to CSV, sorted by quantity", t.elapsed(),
         floorCsv(sql, fields, dir.filePath("floor2.csv"), "qty DESC, grid_row"));
    std::printf("rows in the grid itself after the exports: %d\n", f.DBGrid1->rowCount());
    return 0;
}
