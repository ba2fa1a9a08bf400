// Renders the windows and shared widgets on a seeded demo database into PNG files, so their look
// can be checked as pictures: yicang_gallery OUTDIR [--main-only]
#include "app/main_form.h"
#include "ui/messages.h"
#include "ui/screens.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "security/AA20_Unit.h"
#include "security/Login_Unit.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QAbstractItemView>
#include <QTimer>
#include <cstdio>

namespace {
QString g_out;

void save(QWidget* w, const QString& name) {
    w->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    w->grab().save(QDir(g_out).filePath(name + ".png"));
    std::printf("%s.png\n", name.toLocal8Bit().constData());
}

void seed() {
    for (const char* s :
         {"INSERT INTO kesp_warehouse_ini(warehouse,warehouse_name,warehouse_desc) VALUES ('W01','成品一号仓','主仓库'),('W02','成品二号仓',NULL)",
          "INSERT INTO kesp_item_arrage_b VALUES ('B1','上衣',NULL),('B2','裤装',NULL)",
          "INSERT INTO kesp_item_arrage_s VALUES ('S1','衬衫',NULL,'B1'),('S2','夹克',NULL,'B1'),('S3','西裤',NULL,'B2')",
          "INSERT INTO kesp_item_attr VALUES ('A1','白色',NULL),('A2','藏青',NULL)",
          "INSERT INTO kesp_item_size VALUES ('Z1','S',NULL),('Z2','M',NULL),('Z3','L',NULL),('Z4','XL',NULL)",
          "INSERT INTO kesp_item_stage VALUES ('G1','一等品',NULL),('G2','二等品',NULL)",
          "INSERT INTO kesp_item_unit VALUES ('U1','件'),('U2','条')",
          "INSERT INTO kesp_operation_ini VALUES ('in1','采购入库','i'),('out1','销售出库','o')",
          "INSERT INTO kesp_vendor_ini(vendor,vendor_name,address) VALUES ('V01','华纺制衣厂','杭州市')",
          "INSERT INTO kesp_customer_ini(customer,customer_name) VALUES ('C01','东方百货')",
          "INSERT INTO kesp_item_master VALUES ('1001','男式长袖衬衫','CS-01','纯棉','U1','件','B1','上衣','S1','衬衫'),"
          "('1002','休闲夹克','JK-2',NULL,'U1','件','B1','上衣','S2','夹克'),"
          "('2001','商务西裤','XK-8','毛涤','U2','条','B2','裤装','S3','西裤')"})
        Sql::run(QString::fromUtf8(s));
    struct L {
        const char *item, *attr, *size;
        double qty;
    };
    const L lines[] = {{"1001", "A1", "Z2", 120}, {"1001", "A1", "Z3", 80}, {"1001", "A2", "Z2", 60},
                       {"1002", "A2", "Z3", 45},  {"2001", "A2", "Z4", 30}};
    for (const L& l : lines)
        OrderNumbers::stageWithNumber([&](const QString& no) {
            Staging::insert({{"order_no", no}, {"login_id", "abc"}, {"item_code", l.item}, {"attr_code", l.attr},
                             {"size_code", l.size}, {"stage_code", "G1"}, {"qty", l.qty}, {"price", 58.5},
                             {"bill_no", "RK0001"}, {"operation_code", "in1"}, {"operation_name", "采购入库"},
                             {"warehouse", "W01"}, {"warehouse_name", "成品一号仓"},
                             {"procure_date", QDate::currentDate().toString("yyyy/MM/dd")}, {"vendor", "V01"}});
        });
    Posting::post(LineKind::StockIn);
    OrderNumbers::stageWithNumber([&](const QString& no) {
        Staging::insert({{"order_no", no}, {"login_id", "abc"}, {"item_code", "1001"}, {"attr_code", "A1"},
                         {"size_code", "Z2"}, {"stage_code", "G1"}, {"qty", 20}, {"price", 58.5}, {"red_flag", "Y"},
                         {"bill_no", "RK0001"}, {"operation_code", "i_r"}, {"warehouse", "W01"},
                         {"procure_date", QDate::currentDate().toString("yyyy/MM/dd")}, {"vendor", "V01"}});
    });
    Posting::post(LineKind::InReversal);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(g_out);
    QTemporaryDir dir;
    DataConnect1::create(dir.filePath("DATA/quorvel.mdb"));
    Screens::registerAll();
    Login_Form* login = longLived<Login_Form>();
    login->prepare();
    seed();

    MainForm main;
    main.resize(1024, 700);
    main.show();
    main.placeImage2();
    save(&main, "mainform");
    if (app.arguments().contains("--main-only")) return 0;
    save(login, "login");
    login->hide();

    // Shared widgets: lookup fields with their lists and name boxes, a numeric field, a grid
    // with footer sums and red/blue rows.
    QWidget fields;
    fields.resize(760, 420);
    auto* g = new QGridLayout(&fields);
    auto* wh = new LookupField(&fields);
    wh->setListColumns({"warehouse", "warehouse_name"});
    wh->setList("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse");
    auto* whName = new NameBox(&fields);
    bindNameBox(wh, whName, "warehouse_name");
    wh->setText("W01");
    auto* qty = new NumericEdit(&fields);
    qty->setText("12.3456");
    qty->reformat();
    g->addWidget(new QLabel("仓库代码："), 0, 0);
    g->addWidget(wh, 0, 1);
    g->addWidget(whName, 0, 2);
    g->addWidget(new QLabel("入库数量："), 0, 3);
    g->addWidget(qty, 0, 4);
    auto* grid = new DataGrid(&fields);
    grid->setColumns({{"item_code", "项目代码", 80}, {"item_name", "项目名称", 120}, {"qty", "数量", 80, "#,##0.##"},
                      {"size_name", "尺寸", 60}, {"bill_no", "单据号", 80}, {"operation_name", "入库名称", 90}});
    grid->model()->setRowColor([](const GridModel& m, int row) -> std::optional<QColor> {
        return m.value(row, "red_flag").toString() == "Y" ? QColor(255, 0, 0) : QColor(0, 0, 255);
    });
    grid->model()->setSort("item_code", Qt::AscendingOrder);
    grid->open("SELECT * FROM kesp_post_history_v");
    g->addWidget(grid, 1, 0, 1, 5);
    save(&fields, "widgets");
    wh->showPopup();
    QApplication::processEvents();
    wh->view()->window()->grab().save(QDir(g_out).filePath("lookup_popup.png"));
    wh->hidePopup();

    const QStringList screens = {"AA10", "AA20", "CC10", "CC20", "CC30", "DD10", "DD20", "EE10", "CC40", "DD30", "BB10",
                                 "BB20", "BB30", "BB40", "BB50", "BB60", "BB70", "FF10", "FF20", "FF30"};
    for (const QString& code : screens) {
        if (!Screens::has(code)) continue;
        class Once : public MessageSeam {
        public:
            QString code;
            void notice(QWidget*, const QString&) override {}
            void dravont(QWidget*, const QString&) override {}
            bool askDravont(QWidget*, const QString&) override { return false; }
            bool confirm(QWidget*, const QString&, bool) override { return false; }
            void error(QWidget*, const QString& t) override { std::fprintf(stderr, "%s\n", t.toLocal8Bit().constData()); }
            int runModal(QDialog* dlg) override {
                save(dlg, code);
                return QDialog::Rejected;
            }
            QString chooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
        } seam;
        seam.code = code;
        Msg::install(&seam);
        Screens::open(code, &main);
        Msg::install(nullptr);
    }
    return 0;
}
