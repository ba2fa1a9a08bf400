#include "masterdata/BB40_Unit.h"

#include "fields/datagrid.h"

TBB40_form::TBB40_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("BB40_form"), QStringLiteral("计量单位定义"),
                     QStringLiteral("计 量 单 位 列 表"), QSize(420, 380), Master::units(),
                     QStringLiteral("计量单位代码"), QStringLiteral("计量单位名称")) {
    DBGrid1->setColumns({{"计量单位代码", "计量单位代码", 180}, {"计量单位名称", "计量单位名称", 180}});
    useStartupDialogs<TBB401_form, TBB402_form>();
    reload();
}

void TBB40_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT unit_code AS 计量单位代码, unit_name AS 计量单位名称 FROM kesp_item_unit "
                                 "ORDER BY unit_code"));
}

TBB401_form::TBB401_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB401_form"), QStringLiteral("计量单位定义"),
                      {{QStringLiteral("单位代码："), QStringLiteral("unit_code_a"), 10},
                       {QStringLiteral("单位名称："), QStringLiteral("unit_name_a"), 25}},
                      QSize(330, 150)) {}

TBB402_form::TBB402_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB402_form"), QStringLiteral("计量单位删除窗口"),
                         QStringLiteral("被删除单位代码："), QStringLiteral("被删除单位名称："), QSize(325, 208)) {}
