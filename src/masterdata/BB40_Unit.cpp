#include "masterdata/BB40_Unit.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"

#include <QAction>
#include <QLabel>

using MasterRepo::trimmed;

TBB40_form::TBB40_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("TBB40_form"), QStringLiteral("计量单位定义"),
                     QStringLiteral("计 量 单 位 列 表"), QSize(420, 380)) {
    DBGrid1->setColumns({{"计量单位代码", "计量单位代码", 180}, {"计量单位名称", "计量单位名称", 180}});
    useStartupDialogs<BB401_form, BB402_form>();
    reload();
}

TBB40_form* TBB40_form::current() { return qobject_cast<TBB40_form*>(Screens::current(QStringLiteral("BB40"))); }

void TBB40_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT unit_code AS 计量单位代码, unit_name AS 计量单位名称 FROM kesp_item_unit "
                                 "ORDER BY unit_code"));
}

BB401_form::BB401_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB401_form"), QStringLiteral("计量单位定义"),
                      {{QStringLiteral("单位代码："), QStringLiteral("unit_code_a"), 10},
                       {QStringLiteral("单位名称："), QStringLiteral("unit_name_a"), 25}},
                      QSize(330, 150)) {}

void BB401_form::save() {
    saveRefusingEither(this, QStringLiteral("kesp_item_unit"), QStringLiteral("unit_code"), QStringLiteral("unit_name"),
                       typed(0), typed(1), QStringLiteral("已经存在相同 单位代码 或 单位名称"),
                       {{"unit_code", trimmed(typed(0))}, {"unit_name", trimmed(typed(1))}}, TBB40_form::current());
}

BB402_form::BB402_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB402_form"), QStringLiteral("计量单位删除窗口"),
                         QStringLiteral("被删除单位代码："), QStringLiteral("被删除单位名称："), QSize(325, 208)) {}

void BB402_form::prepare() {
    showRow(TBB40_form::current(), QStringLiteral("计量单位代码"), QStringLiteral("计量单位名称"));
}

void BB402_form::remove() {
    guarded(this, [&] {
        MasterRepo::remove(QStringLiteral("kesp_item_unit"), {{"unit_code", Label4->text()}});
        if (TBB40_form* list = TBB40_form::current()) list->reload();
        accept();
    });
}
