#include "masterdata/BB20_Unit.h"

#include "fields/datagrid.h"

TBB20_form::TBB20_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("BB20_form"), QStringLiteral("仓库定义"), QStringLiteral("仓  库 列 表"),
                     QSize(500, 380), Master::warehouses(), QStringLiteral("仓库代码"), QStringLiteral("仓库名称")) {
    DBGrid1->setColumns({{"仓库名称", "仓库名称", 80}, {"仓库代码", "仓库代码", 80}, {"仓库说明", "仓库说明", 280}});
    useStartupDialogs<TBB201_form, TBB202_form>();
    reload();
}

void TBB20_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT warehouse AS 仓库代码, warehouse_name AS 仓库名称, warehouse_desc AS 仓库说明 "
                                 "FROM kesp_warehouse_ini"));
}

TBB201_form::TBB201_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB201_form"), QStringLiteral("新增仓库"),
                      {{QStringLiteral("仓库代码："), QStringLiteral("warehouse_a"), 4},
                       {QStringLiteral("仓库名称："), QStringLiteral("warehouse_name_a"), 25},
                       {QStringLiteral("仓库说明："), QStringLiteral("warehouse_desc_a"), 255}},
                      QSize(360, 190)) {}

TBB202_form::TBB202_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB202_form"), QStringLiteral("仓库删除确认窗口"),
                         QStringLiteral("被删除仓库代码："), QStringLiteral("被删除仓库名称："), QSize(325, 208)) {}
