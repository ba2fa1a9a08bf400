#include "queries/CC40_Unit.h"

#include "barcodes/label_printer.h"

#include "documents/document_printer.h"
#include "ui/messages.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "queries/filter_panel.h"
#include "queries/query_builders.h"
#include "security/rights.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

RecordQueryForm::RecordQueryForm(QWidget* parent, char direction)
    : QueryScreen(parent, direction == 'i' ? QStringLiteral("TCC40_form") : QStringLiteral("TDD30_form"),
                  direction == 'i' ? QStringLiteral("入库记录查询") : QStringLiteral("出库记录查询"), QSize(1100, 660)),
      m_dir(direction) {
    const bool in = direction == 'i';
    const QString d = in ? QStringLiteral("入库") : QStringLiteral("出库");
    const QString partner = in ? QStringLiteral("vendor") : QStringLiteral("customer");
    operation_code_a = filters->addLookup(d + QStringLiteral("类型："), QStringLiteral("operation_code_a"),
                                          {"operation_code", "operation_name"}, &operation_name_a, 0, 1);
    partner_a = filters->addLookup(in ? QStringLiteral("供应商代码：") : QStringLiteral("客户代码："), partner + "_a",
                                   {partner, partner + "_name"}, &partner_name_a, 0, 2);
    partner_name_a->setObjectName(partner + QStringLiteral("_name_a"));
    bindNameBox(operation_code_a, operation_name_a, QStringLiteral("operation_name"));
    bindNameBox(partner_a, partner_name_a, partner + QStringLiteral("_name"));

    filters->addDateRange(d + QStringLiteral("日期从："), 4, 0, &procure_date_a, &Procure_date_b);
    auto* billLabel = new QLabel(d + QStringLiteral("单从："), filters);
    billLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bill_no_a = new LookupField(filters);
    bill_no_a->setObjectName(QStringLiteral("bill_no_a"));
    bill_no_a->setListColumns({"bill_no"});
    bill_no_b = new LookupField(filters);
    bill_no_b->setObjectName(QStringLiteral("bill_no_b"));
    bill_no_b->setListColumns({"bill_no"});
    filters->grid->addWidget(billLabel, 4, 4);
    filters->grid->addWidget(bill_no_a, 4, 5);
    auto* to2 = new QLabel(QStringLiteral("至："), filters);
    to2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    filters->grid->addWidget(to2, 4, 6);
    filters->grid->addWidget(bill_no_b, 4, 7);
    connect(bill_no_a, &LookupField::changed, this, [this](const QString& t) { bill_no_b->setText(t); });

    addButtons(5);
    DBGrid1->setColumns({{"item_code", "项目代码", 80},
                         {"item_name", "项目名称", 150},
                         {"item_model", "型号", 100},
                         {"item_spec", "规格", 100},
                         {"qty", "数量", 100, "#,##0.##"},
                         {"price", "价格", 100},
                         {"attr_name", "属性", 100},
                         {"size_name", "尺寸", 100},
                         {"stage_name", "等级", 100},
                         {"arrage_name_b", "大类", 100},
                         {"arrage_name_s", "小类", 100},
                         {"unit_name", "单位名称", 50},
                         {partner + "_name", in ? "供应商名称" : "客户名称"},
                         {"bill_no", "单据号"},
                         {"operation_name", d + "名称"},
                         {"warehouse_name", "仓库名称"},
                         {"procure_date", d + "日期", 80},
                         {"red_flag", "red_flag", 0, {}, false, false, false}});
    auto* printBill = new QAction(QStringLiteral("打印单据…"), this);
    printBill->setObjectName(QStringLiteral("printBill"));
    DBGrid1->addContextAction(printBill);
    connect(printBill, &QAction::triggered, this, [this] { DocumentPrinter::previewBillOf(DBGrid1); });
    if (in) {
        auto* labels = new QAction(QStringLiteral("打印标签…"), this);
        labels->setObjectName(QStringLiteral("printLabels"));
        DBGrid1->addContextAction(labels);
        DBGrid1->setMultiSelect(true);
        connect(labels, &QAction::triggered, this, [this] { LabelPrinter::previewChosenLines(DBGrid1); });
    }
    DBGrid1->model()->setRowColor([](const GridModel& m, int row) -> std::optional<QColor> {
        return m.value(row, QStringLiteral("red_flag")).toString() == QLatin1String("Y") ? QColor(255, 0, 0)
                                                                                         : QColor(0, 0, 255);
    });

    filters->reset();
    guarded(this, [&] {
        const QString dir(QChar::fromLatin1(direction));
        operation_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_operation_ini WHERE i_o_flag=?"), {dir});
        filters->openLists();
        partner_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_%1_ini ORDER BY %1").arg(partner));
        // Posted bills are many: both bill fields read the bills of the direction by the typed
        // prefix, from the history's bill index.
        QVariantList params{dir};
        const QString bills = QStringLiteral(
            "SELECT DISTINCT bill_no FROM kesp_post_history WHERE operation_code IN "
            "(SELECT operation_code FROM kesp_operation_ini WHERE i_o_flag=?) AND ") +
                              Rights::warehouseCondition(QStringLiteral("warehouse"), params);
        bill_no_a->setPrefixList(bills, params, QStringLiteral("bill_no"));
        bill_no_b->setPrefixList(bills, params, QStringLiteral("bill_no"));
    });
}

void RecordQueryForm::query() {
    if (!warehouseChosen()) return;
    const QString partner = m_dir == 'i' ? QStringLiteral("vendor") : QStringLiteral("customer");
    QueryBuilders::Criteria criteria = filters->criteria();
    criteria.insert(1, {QStringLiteral("operation_code"), operation_code_a->text()});
    criteria.append({partner, partner_a->text()});
    const QueryBuilders::Statement s = QueryBuilders::movementQuery(
        m_dir, criteria, procure_date_a->dateText(), Procure_date_b->dateText(), bill_no_a->text(), bill_no_b->text());
    showResult(s);
}
