#include "masterdata/BB50_Unit.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"

#include <QAction>
#include <QLabel>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

using MasterRepo::trimmed;

namespace {
QString g_direction = QStringLiteral("i");
}

TBB50_form::TBB50_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("TBB50_form"), QStringLiteral("操作类型定义"),
                     QStringLiteral("操 作 类 型 列 表"), QSize(420, 420)) {
    auto* group = new QGroupBox(QStringLiteral("入出类型"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    inType = new QRadioButton(QStringLiteral("入库类型"), group);
    outType = new QRadioButton(QStringLiteral("出库类型"), group);
    auto* h = new QHBoxLayout(group);
    h->addWidget(inType);
    h->addWidget(outType);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, group);
    DBGrid1->setColumns({{"操作代码", "操作代码", 120}, {"操作名称", "操作名称", 180}});
    g_direction = QStringLiteral("i");
    inType->setChecked(true);
    connect(inType, &QRadioButton::clicked, this, [this] {
        g_direction = QStringLiteral("i");
        guarded(this, [&] { reload(); });
    });
    connect(outType, &QRadioButton::clicked, this, [this] {
        g_direction = QStringLiteral("o");
        guarded(this, [&] { reload(); });
    });
    connect(addAction, &QAction::triggered, this, [this] {
        BB501_form d(this);
        d.prepare();
        Msg::runModal(&d);
    });
    connect(deleteAction, &QAction::triggered, this, [this] {
        BB502_form d(this);
        Msg::runModal(&d);
    });
    reload();
}

TBB50_form* TBB50_form::current() { return qobject_cast<TBB50_form*>(Screens::current(QStringLiteral("BB50"))); }
QString TBB50_form::direction() { return g_direction; }

void TBB50_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT i_o_flag AS 入出代码, operation_code AS 操作代码, operation_name AS 操作名称 "
                                 "FROM kesp_operation_ini WHERE i_o_flag=? AND operation_code<>'i_r' AND "
                                 "operation_code<>'o_r' AND operation_code<>'i_t' AND operation_code<>'o_t' "
                                 "ORDER BY operation_code"),
                  {g_direction});
}

BB501_form::BB501_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB501_form"), QStringLiteral("操作类型定义"),
                      {{QStringLiteral("操作代码："), QStringLiteral("operation_code_a"), 10},
                       {QStringLiteral("操作名称："), QStringLiteral("operation_name_a"), 20}},
                      QSize(330, 150)) {}

void BB501_form::save() {
    auto* list = qobject_cast<TBB50_form*>(parentWidget());
    saveRefusingEither(this, QStringLiteral("kesp_operation_ini"), QStringLiteral("operation_code"),
                       QStringLiteral("operation_name"), typed(0), typed(1),
                       QStringLiteral("已经存在相同 操作代码 或 操作名称"),
                       {{"operation_code", trimmed(typed(0))},
                        {"operation_name", trimmed(typed(1))},
                        {"i_o_flag", TBB50_form::direction()}},
                       list ? list : TBB50_form::current());
}

BB502_form::BB502_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB502_form"), QStringLiteral("操作类型删除窗口"),
                         QStringLiteral("被删除操作代码："), QStringLiteral("被删除操作名称："), QSize(325, 208)) {
    auto* list = qobject_cast<TBB50_form*>(parent);
    showRow(list, QStringLiteral("操作代码"), QStringLiteral("操作名称"));
}

void BB502_form::remove() {
    guarded(this, [&] {
        MasterRepo::remove(QStringLiteral("kesp_operation_ini"), {{"operation_code", Label4->text()}});
        if (auto* list = qobject_cast<TBB50_form*>(parentWidget())) list->reload();
        accept();
    });
}
