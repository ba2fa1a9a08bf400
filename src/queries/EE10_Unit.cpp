#include "queries/EE10_Unit.h"

#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "ui/messages.h"
#include "queries/filter_panel.h"

TEE10_form::TEE10_form(QWidget* parent)
    : QueryScreen(parent, QStringLiteral("TEE10_form"), QStringLiteral("当前库存查询"), QSize(1000, 620)) {
    addButtons(4);
    DBGrid1->setColumns({{"item_code", "项目代码", 80},
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
                         {"unit_name", "单位名称"}});
    filters->reset();
    guarded(this, [&] { filters->openLists(); });
}

void TEE10_form::query() {
    if (!warehouseChosen()) return;
    const QueryBuilders::Statement s = QueryBuilders::stockQuery({{"warehouse", filters->warehouse_a->text()},
                                                                  {"arrage_code_b", filters->arrage_code_b_a->text()},
                                                                  {"arrage_code_s", filters->arrage_code_s_a->text()},
                                                                  {"attr_code", filters->attr_code_a->text()},
                                                                  {"size_code", filters->size_code_a->text()},
                                                                  {"stage_code", filters->stage_code_a->text()}});
    Forms::WaitCursor wait;
    showResult(s);
}
