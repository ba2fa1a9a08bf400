#include "masterdata/BB20_Unit.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

using MasterRepo::trimmed;

TBB20_form::TBB20_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("TBB20_form"), QStringLiteral("仓库定义"), QStringLiteral("仓  库 列 表"),
                     QSize(500, 380)) {
    DBGrid1->setColumns({{"仓库名称", "仓库名称", 80}, {"仓库代码", "仓库代码", 80}, {"仓库说明", "仓库说明", 280}});
    useStartupDialogs<BB201_form, BB202_form>();
    reload();
}

TBB20_form* TBB20_form::current() { return qobject_cast<TBB20_form*>(Screens::current(QStringLiteral("BB20"))); }

void TBB20_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT warehouse AS 仓库代码, warehouse_name AS 仓库名称, warehouse_desc AS 仓库说明 "
                                 "FROM kesp_warehouse_ini"));
}

BB201_form::BB201_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB201_form"), QStringLiteral("新增仓库"),
                      {{QStringLiteral("仓库代码："), QStringLiteral("warehouse_a"), 4},
                       {QStringLiteral("仓库名称："), QStringLiteral("warehouse_name_a"), 25},
                       {QStringLiteral("仓库说明："), QStringLiteral("warehouse_desc_a"), 255}},
                      QSize(360, 190)) {}

void BB201_form::save() {
    saveRefusingEither(this, QStringLiteral("kesp_warehouse_ini"), QStringLiteral("warehouse"),
                       QStringLiteral("warehouse_name"), typed(0), typed(1),
                       QStringLiteral("已经存在相同 仓库代码 或 仓库名称"),
                       {{"warehouse", trimmed(typed(0))},
                        {"warehouse_name", trimmed(typed(1))},
                        {"warehouse_desc", MasterRepo::optional(typed(2))}},
                       TBB20_form::current());
}

BB202_form::BB202_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB202_form"), QStringLiteral("仓库删除确认窗口"),
                         QStringLiteral("被删除仓库代码："), QStringLiteral("被删除仓库名称："), QSize(325, 208)) {}

void BB202_form::prepare() { showRow(TBB20_form::current(), QStringLiteral("仓库代码"), QStringLiteral("仓库名称")); }

void BB202_form::remove() {
    guarded(this, [&] {
        MasterRepo::remove(QStringLiteral("kesp_warehouse_ini"),
                           {{"warehouse", Label4->text()}, {"warehouse_name", Label5->text()}});
        if (TBB20_form* list = TBB20_form::current()) list->reload();
        accept();
    });
}
