#include "queries/EE10_Unit.h"

#include "app/messages.h"
#include "app/screens.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "queries/Group_style_select_Unit.h"
#include "queries/filter_panel.h"
#include "queries/query_builders.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>


TEE10_form::TEE10_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TEE10_form"));
    setWindowTitle(QStringLiteral("当前库存查询"));
    setSizeGripEnabled(true);
    resize(1000, 620);
    filters = new FilterPanel(this);
    filters->addButtons(this, 4, &Cmd_group, &Cmd_Query, &Cmd_Exit);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
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
    DBGrid1->model()->setSort(QStringLiteral("item_code"), Qt::AscendingOrder);
    auto* v = new QVBoxLayout(this);
    v->addWidget(filters);
    v->addWidget(DBGrid1, 1);
    connect(Cmd_Query, &QPushButton::clicked, this, &TEE10_form::query);
    connect(Cmd_group, &QPushButton::clicked, this, &TEE10_form::group);
    filters->reset();
    guarded(this, [&] { filters->openLists(); });
}

void TEE10_form::query() {
    if (filters->warehouse_a->text().isEmpty()) {
        Msg::notice(this, QStringLiteral("请选择仓库."));
        filters->warehouse_a->setFocus();
        return;
    }
    const QueryBuilders::Statement s = QueryBuilders::stockQuery({{"warehouse", filters->warehouse_a->text()},
                                                                  {"arrage_code_b", filters->arrage_code_b_a->text()},
                                                                  {"arrage_code_s", filters->arrage_code_s_a->text()},
                                                                  {"attr_code", filters->attr_code_a->text()},
                                                                  {"size_code", filters->size_code_a->text()},
                                                                  {"stage_code", filters->stage_code_a->text()}});
    Forms::WaitCursor wait;
    guarded(this, [&] {
        DBGrid1->open(s.sql, s.params);
        QueryBuilders::refillWorkTable(s);
    });
}

void TEE10_form::group() {
    if (!DBGrid1->model()->isOpen() || !DBGrid1->hasRows()) return;
    Msg::runModal(longLived<Group_style_select_form>());
}
