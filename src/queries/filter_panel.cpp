#include "queries/filter_panel.h"

#include "fields/cascade.h"
#include "fields/datepicker.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "security/rights.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>

FilterPanel::FilterPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel1"));
    grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    warehouse_a = addLookup(QStringLiteral("仓库代码："), QStringLiteral("warehouse_a"), {"warehouse", "warehouse_name"},
                            &warehouse_name_a, 0, 0);
    warehouse_name_a->setObjectName(QStringLiteral("warehouse_name_a"));
    arrage_code_b_a = addLookup(QStringLiteral("大类："), QStringLiteral("arrage_code_b_a"),
                                {"arrage_code_b", "arrage_name_b"}, &arrage_name_b_a, 1, 0);
    arrage_code_s_a = addLookup(QStringLiteral("小类："), QStringLiteral("arrage_code_s_a"),
                                {"arrage_code_s", "arrage_name_s"}, &arrage_name_s_a, 1, 1);
    item_code_a = addLookup(QStringLiteral("项目代码："), QStringLiteral("item_code_a"), {}, &item_name_a, 2, 0);
    item_model_a = new NameBox(this);
    item_model_a->setObjectName(QStringLiteral("item_model_a"));
    item_spec_a = new NameBox(this);
    item_spec_a->setObjectName(QStringLiteral("item_spec_a"));
    grid->addWidget(item_model_a, 2, 4);
    grid->addWidget(item_spec_a, 2, 5);
    attr_code_a = addLookup(QStringLiteral("属性："), QStringLiteral("attr_code_a"), {"attr_code", "attr_name"},
                            &attr_name_a, 3, 0);
    size_code_a = addLookup(QStringLiteral("尺寸："), QStringLiteral("size_code_a"), {"size_code", "size_name"},
                            &size_name_a, 3, 1);
    stage_code_a = addLookup(QStringLiteral("等级："), QStringLiteral("stage_code_a"), {"stage_code", "stage_name"},
                             &stage_name_a, 3, 2);
    Focus_flag = new QLineEdit(this);
    Focus_flag->setObjectName(QStringLiteral("Focus_flag"));
    Focus_flag->hide();
    bindNameBox(warehouse_a, warehouse_name_a, QStringLiteral("warehouse_name"));
    bindNameBox(attr_code_a, attr_name_a, QStringLiteral("attr_name"));
    bindNameBox(size_code_a, size_name_a, QStringLiteral("size_name"));
    bindNameBox(stage_code_a, stage_name_a, QStringLiteral("stage_name"));
    m_cascade = new CategoryCascade(this, {arrage_code_b_a, arrage_name_b_a, arrage_code_s_a, arrage_name_s_a,
                                           item_code_a, item_name_a, item_model_a, item_spec_a, Focus_flag});
}

LookupField* FilterPanel::addLookup(const QString& caption, const QString& name, const QStringList& columns,
                                    NameBox** nameBox, int row, int group) {
    auto* l = new QLabel(caption, this);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* f = new LookupField(this);
    f->setObjectName(name);
    f->setListColumns(columns);
    f->setMinimumWidth(90);
    grid->addWidget(l, row, group * 3);
    grid->addWidget(f, row, group * 3 + 1);
    if (nameBox) {
        *nameBox = new NameBox(this);
        (*nameBox)->setObjectName(QString(name).replace(QStringLiteral("_code"), QStringLiteral("_name")));
        (*nameBox)->setMinimumWidth(110);
        grid->addWidget(*nameBox, row, group * 3 + 2);
    }
    return f;
}

void FilterPanel::addDateRange(const QString& caption, int row, int group, DatePicker** from, DatePicker** to) {
    auto* label = new QLabel(caption, this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    *from = new DatePicker(this);
    (*from)->setObjectName(QStringLiteral("procure_date_a"));
    *to = new DatePicker(this);
    (*to)->setObjectName(QStringLiteral("Procure_date_b"));
    auto* toLabel = new QLabel(QStringLiteral("至："), this);
    toLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, group * 3);
    grid->addWidget(*from, row, group * 3 + 1);
    grid->addWidget(toLabel, row, group * 3 + 2);
    grid->addWidget(*to, row, group * 3 + 3);
    DatePicker* second = *to;
    connect(*from, &QDateEdit::dateChanged, second, [second](const QDate& d) { second->setDate(d); });
}

void FilterPanel::reset() {
    for (LookupField* f : {warehouse_a, attr_code_a, size_code_a, stage_code_a}) f->setText(QString());
    m_cascade->reset();
    for (QLineEdit* n : std::initializer_list<QLineEdit*>{warehouse_name_a, attr_name_a, size_name_a, stage_name_a})
        n->clear();
}

void FilterPanel::openLists(Rights::Access least) {
    const Rights::List warehouses = Rights::warehouseList(least);
    warehouse_a->setDeferredList(warehouses.sql, warehouses.params);
    m_cascade->openBigList();
    arrage_code_s_a->closeList();
    item_code_a->closeList();
    attr_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_attr ORDER BY attr_code"));
    size_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_size ORDER BY size_code"));
    stage_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_stage ORDER BY stage_code"));
}

void FilterPanel::hideGrade() {
    const int row = grid->indexOf(stage_code_a);
    int r = 0, c = 0, rs = 0, cs = 0;
    grid->getItemPosition(row, &r, &c, &rs, &cs);
    if (QLayoutItem* caption = grid->itemAtPosition(r, c - 1)) caption->widget()->hide();
    stage_code_a->hide();
    stage_name_a->hide();
}

QueryBuilders::Criteria FilterPanel::criteria() const {
    return {{"warehouse", warehouse_a->text()},         {"arrage_code_b", arrage_code_b_a->text()},
            {"arrage_code_s", arrage_code_s_a->text()}, {"item_code", item_code_a->text()},
            {"attr_code", attr_code_a->text()},         {"size_code", size_code_a->text()},
            {"stage_code", stage_code_a->text()}};
}

void FilterPanel::addButtons(QDialog* window, int row, QPushButton** group, QPushButton** query, QPushButton** exit) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto make = [&](const QString& text, const QString& name) { return Forms::button(buttons, this, text, name); };
    if (group) *group = make(QStringLiteral("分类汇总"), QStringLiteral("Cmd_group"));
    *query = make(QStringLiteral("查询"), QStringLiteral("Cmd_Query"));
    (*query)->setDefault(true);
    *exit = make(QStringLiteral("关闭"), QStringLiteral("Cmd_Exit"));
    connect(*exit, &QPushButton::clicked, window, &QDialog::accept);
    grid->addLayout(buttons, row, 0, 1, 9);
}
