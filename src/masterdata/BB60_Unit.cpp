#include "masterdata/BB60_Unit.h"

#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const PartnerTwin& PartnerTwin::vendors() {
    static const PartnerTwin t{"BB60", Master::vendors(), "供 应 商 列 表 窗 口", "供 应 商 列 表", "定义供应商窗口",
                               "供应商删除确认窗口"};
    return t;
}

const PartnerTwin& PartnerTwin::customers() {
    static const PartnerTwin t{"BB70", Master::customers(), "客户列表窗口", "客 户 列 表", "定义客户窗口",
                               "客户删除确认窗口"};
    return t;
}

QString PartnerTwin::windowName(int dialog) const {
    return dialog ? QStringLiteral("%1%2_form").arg(code).arg(dialog) : code + QStringLiteral("_form");
}

QStringList PartnerListForm::columns() { return Master::partnerColumns(); }

QStringList PartnerListForm::captions(const PartnerTwin& twin) { return Master::partnerCaptions(twin.table); }

PartnerListForm::PartnerListForm(QWidget* parent, const PartnerTwin& twin)
    : MasterListForm(parent, twin.windowName(), twin.caption, twin.title, QSize(900, 520), twin.table,
                     twin.table.codeColumn, twin.table.nameColumn, Frame::Resizable),
      m_twin(twin) {
    const QStringList caps = captions(twin);
    QStringList cols{twin.table.codeColumn, twin.table.nameColumn};
    cols += columns();
    QList<GridColumn> grid;
    for (int i = 0; i < cols.size(); ++i) grid.append({cols[i], caps[i], i < 2 ? 90 : 80});
    DBGrid1->setColumns(grid);
    DBGrid1->model()->setSort(twin.table.codeColumn, Qt::AscendingOrder);
    columnsAction = addContextEntry(QStringLiteral("列表设定"));
    modifyAction = addContextEntry(QStringLiteral("修改"));
    columnsAction->setObjectName(QStringLiteral("N3"));
    modifyAction->setObjectName(QStringLiteral("N4"));
    connect(modifyAction, &QAction::triggered, this, [this] {
        if (DBGrid1->currentRow() < 0) return;
        PartnerEditDialog d(this);
        Msg::runModal(&d);
    });
    reload();
    applyStoredColumns();
}

void PartnerListForm::reload() {
    DBGrid1->open(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(m_twin.table.table, m_twin.table.codeColumn));
}

void PartnerListForm::applyStoredColumns() {
    const QString stored = Sql::scalar(QStringLiteral("SELECT fields_show FROM kesp_window_fields_set WHERE login_id=? "
                                                      "AND window_code=? ORDER BY %1")
                                           .arg(DataConnect1::rowIdColumn()),
                                       {Session::userCode(), m_twin.windowName()})
                               .toString();
    // Each stored caption is compared whole, so "联系人电话" does not hide "联系人".
    const QStringList hidden = stored.split(QLatin1Char(','), Qt::SkipEmptyParts);
    setUpdatesEnabled(false);
    for (const QString& caption : DBGrid1->captions()) {
        const QString c = caption.trimmed();
        DBGrid1->setColumnVisible(caption, c.isEmpty() || !hidden.contains(c));
    }
    setUpdatesEnabled(true);
}

TBB60_form::TBB60_form(QWidget* parent) : PartnerListForm(parent, PartnerTwin::vendors()) {
    useTwinDialogs<TBB601_form, TBB602_form, TBB603_form>();
}

TBB70_form::TBB70_form(QWidget* parent) : PartnerListForm(parent, PartnerTwin::customers()) {
    useTwinDialogs<TBB701_form, TBB702_form, TBB703_form>();
}

PartnerAddDialog::PartnerAddDialog(QWidget* parent, const PartnerTwin& twin)
    : MasterAddDialog(parent, twin.windowName(1), twin.addCaption,
                      {{twin.table.word + QStringLiteral("代码："), twin.table.codeColumn + QStringLiteral("_a"), 15},
                       {twin.table.word + QStringLiteral("名称："), twin.table.nameColumn + QStringLiteral("_a"), 60}},
                      QSize(380, 150)) {}

PartnerDeleteDialog::PartnerDeleteDialog(QWidget* parent, const PartnerTwin& twin)
    : MasterDeleteDialog(parent, twin.windowName(2), twin.deleteCaption,
                         QStringLiteral("被删除%1代码：").arg(twin.table.word),
                         QStringLiteral("被删除%1名称：").arg(twin.table.word), QSize(325, 208)) {}

PartnerEditDialog::PartnerEditDialog(PartnerListForm* list) : QDialog(list), m_list(list) {
    const PartnerTwin& t = list->twin();
    setObjectName(t.windowName(4));
    setWindowTitle(QStringLiteral("修改%1资料").arg(t.table.word));
    auto* g = new QGridLayout(this);
    const QStringList caps = PartnerListForm::captions(t);
    QStringList cols{t.table.codeColumn, t.table.nameColumn};
    cols += PartnerListForm::columns();
    for (int i = 0; i < cols.size(); ++i) {
        auto* l = new QLabel(caps[i] + QStringLiteral("："), this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* e = new QLineEdit(this);
        e->setObjectName(cols[i] + QStringLiteral("_a"));
        const int row = i < 2 ? i : 2 + (i - 2) / 2;
        const int col = i < 2 ? 0 : ((i - 2) % 2) * 2;
        g->addWidget(l, row, col);
        g->addWidget(e, row, col + 1, 1, i < 2 ? 3 : 1);
        fields << e;
        e->setText(list->DBGrid1->currentValue(cols[i]).toString());
        if (i < 2) {
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
        }
    }
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    g->addLayout(buttons, 12, 0, 1, 4);
    connect(ok, &QPushButton::clicked, this, &PartnerEditDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    fields[2]->setFocus();
}

void PartnerEditDialog::save() {
    const PartnerTwin& t = m_list->twin();
    Master::Values further;
    const QStringList cols = PartnerListForm::columns();
    for (int i = 0; i < cols.size(); ++i) further.append({cols[i], Master::optional(fields[2 + i]->text())});
    guarded(this, [&] {
        const Master::Result r = Master::update(t.table, fields[0]->text(), further);
        if (!r.done()) Msg::notice(this, r.message);
        m_list->reload();
        if (r.done()) accept();
    });
}

PartnerColumnsDialog::PartnerColumnsDialog(PartnerListForm* list) : QDialog(list), m_list(list) {
    setObjectName(list->twin().windowName(3));
    setWindowTitle(QStringLiteral("列表项目选定窗口"));
    const QStringList caps = list->DBGrid1->captions();
    for (int k = 1; k <= caps.size() && k <= 50; ++k) {
        auto* box = new QCheckBox(caps[k - 1].trimmed(), this);
        box->setObjectName(QStringLiteral("Checked%1").arg(k));
        box->setChecked(list->DBGrid1->isColumnVisible(caps[k - 1]));
        box->setGeometry(24 + 112 * ((k - 1) % 5), 20 + 32 * ((k - 1) / 5), 100, 24);
        boxes << box;
    }
    const int rows = (int(boxes.size()) + 4) / 5;
    setFixedSize(24 + 112 * 5, 20 + 32 * rows + 60);
    Forms::okCancel(this, QStringLiteral("确定"), QStringLiteral("取消"), height() - 44, [this] { confirm(); });
}

void PartnerColumnsDialog::confirm() {
    QString text;
    for (QCheckBox* b : boxes)
        if (!b->isChecked()) text += b->text() + QStringLiteral(",");
    const QString window = m_list->twin().windowName();
    const QString user = Session::userCode();
    guarded(this, [&] {
        Transaction tx;
        const QString rowid = DataConnect1::rowIdColumn();
        const QVariant first = Sql::scalar(QStringLiteral("SELECT %1 FROM kesp_window_fields_set WHERE login_id=? AND "
                                                          "window_code=? ORDER BY %1 LIMIT 1")
                                               .arg(rowid),
                                           {user, window});
        const QVariant null(QMetaType(QMetaType::QString));
        const QVariantList values = text.isEmpty() ? QVariantList{null, null, null} : QVariantList{user, window, text};
        if (first.isValid()) {
            QVariantList params = values;
            params << first;
            Sql::run(QStringLiteral("UPDATE kesp_window_fields_set SET login_id=?, window_code=?, fields_show=? "
                                    "WHERE %1=?")
                         .arg(rowid),
                     params);
        } else {
            Sql::run(QStringLiteral("INSERT INTO kesp_window_fields_set(login_id, window_code, fields_show) "
                                    "VALUES (?, ?, ?)"),
                     values);
        }
        tx.commit();
        accept();
    });
}

void PartnerColumnsDialog::done(int r) {
    // Whatever closes the window, the open list shows the columns as the boxes say.
    const QStringList caps = m_list->DBGrid1->captions();
    for (int i = 0; i < boxes.size() && i < caps.size(); ++i) m_list->DBGrid1->setColumnVisible(caps[i], boxes[i]->isChecked());
    QDialog::done(r);
}
