#include "queries/EE10_Unit.h"

#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "ui/messages.h"
#include "queries/filter_panel.h"

TEE10_form::TEE10_form(QWidget* parent)
    : QueryScreen(parent, QStringLiteral("TEE10_form"), QStringLiteral("当前库存查询"), QSize(1000, 620)) {
    addButtons(4);
    DBGrid1->setColumns(stockColumns());
    filters->reset();
    guarded(this, [&] { filters->openLists(); });
}

QList<GridColumn> TEE10_form::stockColumns() {
    return {{"item_code", "项目代码", 80},
            {"item_name", "项目名称", 150},
            {"item_model", "型号", 80},
            {"item_spec", "规格", 80},
            {"qty", "数量", 80, "#,##0.##"},
            {"attr_name", "属性", 80},
            {"size_name", "尺寸", 80},
            {"stage_name", "等级", 80},
            {"arrage_name_b", "大类", 80},
            {"arrage_name_s", "小类", 80},
            {"warehouse_name", "仓库名称", 80},
            {"unit_name", "单位名称"}};
}

void TEE10_form::query() {
    if (!warehouseChosen()) return;
    const QueryBuilders::Statement s = QueryBuilders::stockQuery(filters->criteria());
    Forms::WaitCursor wait;
    showResult(s);
}
