#include "masterdata/BB20_Unit.h"

#include "fields/datagrid.h"

#include <QAction>

TBB20_form::TBB20_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("BB20_form"), QStringLiteral("仓库定义"), QStringLiteral("仓  库 列 表"),
                     QSize(500, 380), Master::warehouses(), QStringLiteral("仓库代码"), QStringLiteral("仓库名称")) {
    DBGrid1->setColumns({{"仓库名称", "仓库名称", 80},
                         {"仓库代码", "仓库代码", 80},
                         {"仓库说明", "仓库说明", 220},
                         {"禁止负库存", "禁止负库存", 70}});
    useStartupDialogs<TBB201_form, TBB202_form>();
    guardAction = addContextEntry(QStringLiteral("禁止负库存"));
    guardAction->setObjectName(QStringLiteral("N3"));
    connect(guardAction, &QAction::triggered, this, &TBB20_form::toggleGuard);
    reload();
}

void TBB20_form::toggleGuard() {
    const QString code = currentCode();
    if (code.isEmpty()) return;
    const bool on = DBGrid1->currentValue(QStringLiteral("禁止负库存")).toString().isEmpty();
    const QString question = on ? QStringLiteral("仓库 %1 禁止负库存：出库、入库红冲和转出的单据使库存小于零时不能过帐。确定？")
                                : QStringLiteral("仓库 %1 允许负库存？");
    if (!Msg::askDravont(this, question.arg(code))) return;
    guarded(this, [&] {
        const Master::Result r = Master::update(masterTable(), code, {{QStringLiteral("forbid_negative"), on}});
        if (!r.done()) Msg::notice(this, r.message);
        reload();
    });
}

void TBB20_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT warehouse AS 仓库代码, warehouse_name AS 仓库名称, warehouse_desc AS 仓库说明, "
                                 "CASE WHEN forbid_negative THEN '是' END AS 禁止负库存 FROM kesp_warehouse_ini"));
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
