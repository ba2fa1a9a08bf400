#include "queries/Group_Grid_Unit.h"

#include "ui/messages.h"
#include "data/session.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "queries/crosstab.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Group_Grid_form::Group_Grid_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Group_Grid_form"));
    setWindowTitle(QStringLiteral("分类汇总表"));
    setSizeGripEnabled(true);
    resize(900, 560);
    auto* top = new QWidget(this);
    auto* g = new QGridLayout(top);
    const auto range = [&](const QString& caption, const QString& code, const QString& name, int row,
                           NameBox** box) {
        auto* l = new QLabel(caption, top);
        auto* f = new LookupField(top);
        f->setObjectName(code);
        f->setHeaderVisible(true);
        *box = new NameBox(top);
        (*box)->setObjectName(name);
        g->addWidget(l, row, 0);
        g->addWidget(f, row, 1);
        g->addWidget(*box, row, 2);
        return f;
    };
    col_code_a = range(QStringLiteral("列标题范围（从）："), QStringLiteral("col_code_a"), QStringLiteral("col_name_a"), 0,
                       &col_name_a);
    col_code_b = range(QStringLiteral("列标题范围（止）："), QStringLiteral("col_code_b"), QStringLiteral("col_name_b"), 1,
                       &col_name_b);
    Cmd_fresh = new QPushButton(QStringLiteral("刷新"), top);
    Cmd_fresh->setObjectName(QStringLiteral("Cmd_fresh"));
    g->addWidget(Cmd_fresh, 1, 4);
    g->setColumnStretch(3, 1);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSortingByClick(true);
    cmd_exit = new QPushButton(QStringLiteral("关闭"), this);
    cmd_exit->setObjectName(QStringLiteral("cmd_exit"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmd_exit);
    auto* v = new QVBoxLayout(this);
    v->addWidget(top);
    v->addWidget(DBGrid1, 1);
    v->addLayout(bottom);

    connect(col_code_a, &LookupField::changed, this, [this](const QString& code) {
        if (code.isEmpty()) {
            col_name_a->clear();
            return;
        }
        col_name_a->setText(col_code_a->lookupFor(code, Crosstab::heading(m_col).name));
        col_code_b->setText(code);
    });
    connect(col_code_b, &LookupField::changed, this, [this](const QString& code) {
        col_name_b->setText(code.isEmpty() ? QString() : col_code_b->lookupFor(code, Crosstab::heading(m_col).name));
    });
    connect(Cmd_fresh, &QPushButton::clicked, this, &Group_Grid_form::refresh);
    connect(cmd_exit, &QPushButton::clicked, this, &QDialog::accept);
}

void Group_Grid_form::prepare(const QString& colCaption, const QString& rowCaption) {
    m_col = colCaption;
    m_row = rowCaption;
    col_code_a->setText(QString());
    col_code_b->setText(QString());
    col_name_a->clear();
    col_name_b->clear();
    build(true);
    const Crosstab::Heading col = Crosstab::heading(m_col);
    for (LookupField* f : {col_code_a, col_code_b}) {
        f->setListColumns({col.code, col.name}, {QStringLiteral("代码"), QStringLiteral("名称")}, {70, 150});
        f->setKeyField(col.code);
        f->setDeferredList(Crosstab::rangeListStatement(col), Crosstab::current().params);
    }
}

void Group_Grid_form::refresh() {
    guarded(this, [&] { build(false); });
}

void Group_Grid_form::dropColumns() {
    DBGrid1->clear();
    DBGrid1->setColumns({});
}

void Group_Grid_form::build(bool first) {
    const Crosstab::Heading col = Crosstab::heading(m_col);
    const Crosstab::Heading row = Crosstab::heading(m_row);
    const Crosstab::Result r = Crosstab::build(col, row, first ? QString() : col_code_a->text(),
                                               first ? QString() : col_code_b->text(), FieldLimit - 2 + 1);
    int values = r.totalColumns;
    if (2 + r.totalColumns >= FieldLimit) {
        Msg::notice(this, QStringLiteral("列数超过20，请指定列标题范围！"));
        values = std::min(r.totalColumns, FieldLimit - 2);
    }
    QList<GridColumn> columns;
    columns.append({QStringLiteral("c0"), QStringLiteral("分类汇总"), 100});
    columns.append({QStringLiteral("c1"), QStringLiteral("行小计"), first ? 90 : 0,
                    first ? QStringLiteral("合计：#.##") : QStringLiteral("#.##")});
    for (int i = 0; i < values; ++i)
        columns.append({QStringLiteral("c%1").arg(i + 2), r.columns[i], 0, QStringLiteral("#.##")});
    DBGrid1->setUpdatesEnabled(false);
    dropColumns();
    DBGrid1->setColumns(columns);
    // The crosstab statement ran once, in the build; the grid shows its rows as they came.
    QStringList fields{QStringLiteral("c0"), QStringLiteral("c1")};
    for (int i = 0; i < r.columns.size(); ++i) fields << QStringLiteral("c%1").arg(i + 2);
    QVector<QVector<QVariant>> rows;
    rows.reserve(r.rows.size());
    for (const Crosstab::Row& x : r.rows) {
        QVector<QVariant> row{x.name, x.sum};
        row += x.cells;
        rows.append(std::move(row));
    }
    DBGrid1->showRows(fields, rows);
    DBGrid1->setUpdatesEnabled(true);
}
