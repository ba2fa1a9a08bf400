#include "masterdata/BB50_Unit.h"

#include "fields/datagrid.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QString g_direction = QStringLiteral("i");
}

TBB50_form::TBB50_form(QWidget* parent)
    : MasterListForm(parent, QStringLiteral("BB50_form"), QStringLiteral("操作类型定义"),
                     QStringLiteral("操 作 类 型 列 表"), QSize(420, 420), Master::operations(),
                     QStringLiteral("操作代码"), QStringLiteral("操作名称")) {
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
    const auto choose = [this](const char* direction) {
        g_direction = QString::fromLatin1(direction);
        guarded(this, [&] { reload(); });
    };
    connect(inType, &QRadioButton::clicked, this, [choose] { choose("i"); });
    connect(outType, &QRadioButton::clicked, this, [choose] { choose("o"); });
    useOwnDialogs<TBB501_form, TBB502_form>();
    reload();
}

QString TBB50_form::direction() { return g_direction; }

Master::Values TBB50_form::extraValues() const { return {{QStringLiteral("i_o_flag"), g_direction}}; }

void TBB50_form::reload() {
    DBGrid1->open(QStringLiteral("SELECT i_o_flag AS 入出代码, operation_code AS 操作代码, operation_name AS 操作名称 "
                                 "FROM kesp_operation_ini WHERE i_o_flag=? AND operation_code<>'i_r' AND "
                                 "operation_code<>'o_r' AND operation_code<>'i_t' AND operation_code<>'o_t' "
                                 "ORDER BY operation_code"),
                  {g_direction});
}

TBB501_form::TBB501_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB501_form"), QStringLiteral("操作类型定义"),
                      {{QStringLiteral("操作代码："), QStringLiteral("operation_code_a"), 10},
                       {QStringLiteral("操作名称："), QStringLiteral("operation_name_a"), 20}},
                      QSize(330, 150)) {}

TBB502_form::TBB502_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB502_form"), QStringLiteral("操作类型删除窗口"),
                         QStringLiteral("被删除操作代码："), QStringLiteral("被删除操作名称："), QSize(325, 208)) {}
