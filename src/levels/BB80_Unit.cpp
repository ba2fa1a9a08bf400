#include "levels/BB80_Unit.h"

#include "data/numbers.h"
#include "fields/cascade.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/numericedit.h"
#include "queries/filter_panel.h"
#include "ui/messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TBB80_form::TBB80_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TBB80_form"));
    setWindowTitle(QStringLiteral("库存上下限"));
    setSizeGripEnabled(true);
    resize(1000, 620);
    filters = new FilterPanel(this);
    filters->hideGrade();
    auto* row = new QHBoxLayout;
    const auto numeric = [&](const QString& caption, const QString& name) {
        row->addWidget(Forms::caption(caption, filters));
        auto* e = new NumericEdit(filters);
        e->setObjectName(name);
        e->reset();
        e->setMaximumWidth(110);
        row->addWidget(e);
        return e;
    };
    min_qty_a = numeric(QStringLiteral("下限："), QStringLiteral("min_qty_a"));
    max_qty_a = numeric(QStringLiteral("上限："), QStringLiteral("max_qty_a"));
    row->addStretch();
    BitBtn1 = Forms::button(row, filters, QStringLiteral("新增"), QStringLiteral("BitBtn1"));
    BitBtn2 = Forms::button(row, filters, QStringLiteral("修改"), QStringLiteral("BitBtn2"));
    BitBtn3 = Forms::button(row, filters, QStringLiteral("删除"), QStringLiteral("BitBtn3"));
    filters->grid->addLayout(row, 4, 0, 1, 9);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"warehouse", "仓库代码", 70},
                         {"warehouse_name", "仓库名称", 90},
                         {"item_code", "项目代码", 80},
                         {"item_name", "项目名称", 150},
                         {"item_model", "型号", 80},
                         {"attr_name", "属性", 80},
                         {"size_name", "尺寸", 80},
                         {"min_qty", "下限", 80, {}, false, false, true, "#,##0.###"},
                         {"max_qty", "上限", 80, {}, false, false, true, "#,##0.###"},
                         {"login_id", "操作员", 70},
                         {"operation_date", "日期", 80},
                         {"attr_code", "attr_code", 0, {}, false, false, false},
                         {"size_code", "size_code", 0, {}, false, false, false}});
    DBGrid1->setFooterVisible(false);

    auto* v = new QVBoxLayout(this);
    v->addWidget(filters);
    v->addWidget(DBGrid1, 1);
    v->addLayout(Forms::closeRow(this, QStringLiteral("BitBtn4")));

    connect(BitBtn1, &QPushButton::clicked, this, &TBB80_form::addLevel);
    connect(BitBtn2, &QPushButton::clicked, this, &TBB80_form::changeLevel);
    connect(BitBtn3, &QPushButton::clicked, this, &TBB80_form::deleteLevel);
    connect(DBGrid1, &DataGrid::cellClicked, this, &TBB80_form::showRow);

    filters->reset();
    guarded(this, [&] { filters->openLists(Rights::Access::Operate); });
    query();
}

void TBB80_form::query() {
    guarded(this, [&] {
        const QueryBuilders::Statement s = StockLevels::list();
        DBGrid1->open(s.sql, s.params);
    });
}

StockLevels::Level TBB80_form::typed() const {
    for (LookupField* f : {filters->warehouse_a, filters->item_code_a, filters->attr_code_a, filters->size_code_a})
        f->flushCommit();
    return {filters->warehouse_a->text(), filters->item_code_a->text(), filters->attr_code_a->text(),
            filters->size_code_a->text(), min_qty_a->value().value_or(0), max_qty_a->value().value_or(0)};
}

StockLevels::Level TBB80_form::rowKey(int row) const {
    const auto v = [&](const char* f) { return DBGrid1->value(row, QString::fromLatin1(f)).toString(); };
    return {v("warehouse"), v("item_code"), v("attr_code"), v("size_code"),
            DBGrid1->value(row, QStringLiteral("min_qty")).toDouble(),
            DBGrid1->value(row, QStringLiteral("max_qty")).toDouble()};
}

void TBB80_form::showRow(int row) {
    if (row < 0 || row >= DBGrid1->rowCount()) return;
    const StockLevels::Level l = rowKey(row);
    guarded(this, [&] {
        filters->warehouse_a->setText(l.warehouse);
        filters->cascade()->pick(l.item);
        filters->attr_code_a->setText(l.attr);
        filters->size_code_a->setText(l.size);
    });
    min_qty_a->setText(Numbers::entry(l.minQty));
    max_qty_a->setText(Numbers::entry(l.maxQty));
}

void TBB80_form::answered(const QString& refusal, const StockLevels::Level& select) {
    if (!refusal.isEmpty()) {
        Msg::notice(this, refusal);
        return;
    }
    query();
    for (int r = 0; r < DBGrid1->rowCount(); ++r) {
        const StockLevels::Level k = rowKey(r);
        if (k.warehouse.compare(select.warehouse, Qt::CaseInsensitive) == 0 &&
            k.item.compare(select.item, Qt::CaseInsensitive) == 0 &&
            k.attr.compare(select.attr.trimmed(), Qt::CaseInsensitive) == 0 &&
            k.size.compare(select.size.trimmed(), Qt::CaseInsensitive) == 0) {
            DBGrid1->setCurrentRow(r);
            return;
        }
    }
}

void TBB80_form::addLevel() {
    const StockLevels::Level l = typed();
    QString refusal;
    if (guarded(this, [&] { refusal = StockLevels::add(l); })) answered(refusal, l);
}

void TBB80_form::changeLevel() {
    const int row = DBGrid1->currentRow();
    if (row < 0) {
        Msg::notice(this, Msg::NoRowChosen);
        return;
    }
    const StockLevels::Level l = typed();
    QString refusal;
    if (guarded(this, [&] { refusal = StockLevels::change(rowKey(row), l); })) answered(refusal, l);
}

void TBB80_form::deleteLevel() {
    const int row = DBGrid1->currentRow();
    if (row < 0) {
        Msg::notice(this, Msg::NoRowChosen);
        return;
    }
    const StockLevels::Level key = rowKey(row);
    if (!Msg::confirm(this, QStringLiteral("确定删除吗？"))) return;
    bool removed = false;
    if (guarded(this, [&] { removed = StockLevels::remove(key); }))
        answered(removed ? QString() : StockLevels::GoneMessage, {});
}
