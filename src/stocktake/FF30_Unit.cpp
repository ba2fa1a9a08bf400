#include "stocktake/FF30_Unit.h"

#include "documents/document_printer.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "queries/filter_panel.h"
#include "stocktake/stocktake.h"
#include "ui/messages.h"

#include <QAction>

FF30_form::FF30_form(QWidget* parent)
    : QueryScreen(parent, QStringLiteral("FF30_form"), QStringLiteral("盘点记录查询"), QSize(1100, 620)) {
    filters->addDateRange(QStringLiteral("盘点日期从："), 4, 0, &procure_date_a, &Procure_date_b);
    addButtons(5, false);
    const QString sum = QStringLiteral("#,##0.##");
    DBGrid1->setColumns({{"item_code", "项目代码", 80},
                         {"item_name", "项目名称", 150},
                         {"item_model", "型号", 100},
                         {"item_spec", "规格", 100},
                         {"remaind_qty", "调帐前数量", 100, sum},
                         {"qty", "调帐后数量", 100, sum},
                         {"attr_name", "属性", 100},
                         {"size_name", "尺寸", 100},
                         {"stage_name", "等级", 100},
                         {"arrage_name_b", "大类", 100},
                         {"arrage_name_s", "小类", 100},
                         {"unit_name", "单位名称", 50},
                         {"warehouse_name", "仓库名称"},
                         {"procure_date", "盘点日期"}});
    auto* printBill = new QAction(QStringLiteral("打印单据…"), this);
    printBill->setObjectName(QStringLiteral("printBill"));
    DBGrid1->addContextAction(printBill);
    connect(printBill, &QAction::triggered, this, [this] { DocumentPrinter::previewBillOf(DBGrid1); });
    filters->reset();
    procure_date_a->setToday();
    Procure_date_b->setToday();
    guarded(this, [&] { filters->openLists(); });
}

void FF30_form::query() {
    if (!warehouseChosen()) return;
    const auto s = Stocktake::historyQuery(filters->criteria(), procure_date_a->dateText(), Procure_date_b->dateText());
    guarded(this, [&] { DBGrid1->open(s.sql, s.params); });
}
