#include "masterdata/BB60_Unit.h"

#include "ui/messages.h"
#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "masterdata/master_repo.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using MasterRepo::trimmed;

const PartnerTwin& PartnerTwin::vendors() {
    static const PartnerTwin t{"BB60", "kesp_vendor_ini", "vendor", "vendor_name", "供应商", "供 应 商 列 表 窗 口",
                               "供 应 商 列 表", "定义供应商窗口", "供应商删除确认窗口", true};
    return t;
}

const PartnerTwin& PartnerTwin::customers() {
    static const PartnerTwin t{"BB70", "kesp_customer_ini", "customer", "customer_name", "客户", "客户列表窗口",
                               "客 户 列 表", "定义客户窗口", "客户删除确认窗口", false};
    return t;
}

QStringList PartnerListForm::columns() {
    return {"address", "phone1", "phone2", "telegraph", "fax", "zipcode", "area", "connection_man", "conn_phone",
            "business_man", "busin_phone", "delegate", "manager", "bank", "account_no", "taxation_no", "compendium"};
}

QStringList PartnerListForm::captions(const PartnerTwin& twin) {
    return {twin.word + "代码", twin.word + "名称", "地址", "电话1", "电话2", "电报", "传真", "邮编", "地区", "联系人",
            "联系人电话", "业务员", "业务员电话", "法人代表", "经理", "开户银行", "帐号", "税号", "摘要"};
}

PartnerListForm::PartnerListForm(QWidget* parent, const PartnerTwin& twin) : QDialog(parent), m_twin(twin) {
    setObjectName(QStringLiteral("T%1_form").arg(twin.code));
    setWindowTitle(twin.caption);
    setSizeGripEnabled(true);
    resize(900, 520);
    auto* title = Forms::heading(this, twin.title);
    auto* band = new QWidget(this);
    band->setFixedHeight(8);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    const QStringList caps = captions(twin);
    QStringList cols{twin.codeColumn, twin.nameColumn};
    cols += columns();
    QList<GridColumn> grid;
    for (int i = 0; i < cols.size(); ++i) grid.append({cols[i], caps[i], i < 2 ? 90 : 80});
    DBGrid1->setColumns(grid);
    DBGrid1->model()->setSort(twin.codeColumn, Qt::AscendingOrder);
    addAction = new QAction(QStringLiteral("新增"), this);
    modifyAction = new QAction(QStringLiteral("修改"), this);
    deleteAction = new QAction(QStringLiteral("删除"), this);
    columnsAction = new QAction(QStringLiteral("列表设定"), this);
    DBGrid1->addContextAction(addAction);
    DBGrid1->addContextAction(modifyAction);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(deleteAction);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(columnsAction);
    auto* v = new QVBoxLayout(this);
    v->addWidget(title);
    v->addWidget(band);
    v->addWidget(DBGrid1, 1);
    connect(addAction, &QAction::triggered, this, [this] {
        PartnerEditDialog d(this, false);
        Msg::runModal(&d);
    });
    connect(modifyAction, &QAction::triggered, this, [this] {
        if (DBGrid1->currentRow() < 0) return;
        PartnerEditDialog d(this, true);
        Msg::runModal(&d);
    });
    connect(deleteAction, &QAction::triggered, this, [this] {
        PartnerDeleteDialog d(this);
        Msg::runModal(&d);
    });
    connect(columnsAction, &QAction::triggered, this, [this] {
        PartnerColumnsDialog d(this);
        Msg::runModal(&d);
    });
    reload();
    applyStoredColumns();
}

void PartnerListForm::reload() {
    DBGrid1->open(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(m_twin.table, m_twin.codeColumn));
}

void PartnerListForm::applyStoredColumns() {
    const QString stored = Sql::scalar(QStringLiteral("SELECT fields_show FROM kesp_window_fields_set WHERE login_id=? "
                                                      "AND window_code=? ORDER BY rowid LIMIT 1"),
                                       {Session::userCode(), m_twin.code + QStringLiteral("_form")})
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

PartnerEditDialog::PartnerEditDialog(PartnerListForm* list, bool modify)
    : QDialog(list), m_list(list), m_modify(modify) {
    const PartnerTwin& t = list->twin();
    const QString number = t.code.mid(2);
    setObjectName(modify ? QStringLiteral("BB%1_edit").arg(number) : QStringLiteral("BB%11_form").arg(number));
    setWindowTitle(modify ? QStringLiteral("修改%1资料").arg(t.word) : t.addCaption);
    auto* g = new QGridLayout(this);
    const QStringList caps = PartnerListForm::captions(t);
    QStringList cols{t.codeColumn, t.nameColumn};
    cols += PartnerListForm::columns();
    for (int i = 0; i < cols.size(); ++i) {
        auto* l = new QLabel(caps[i] + QStringLiteral("："), this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* e = new QLineEdit(this);
        e->setObjectName(cols[i] + QStringLiteral("_a"));
        if (i == 0) e->setMaxLength(15);
        if (i == 1) e->setMaxLength(60);
        const int row = i < 2 ? i : 2 + (i - 2) / 2;
        const int col = i < 2 ? 0 : ((i - 2) % 2) * 2;
        g->addWidget(l, row, col);
        g->addWidget(e, row, col + 1, 1, i < 2 ? 3 : 1);
        fields << e;
        if (modify) {
            e->setText(list->DBGrid1->currentValue(cols[i]).toString());
            if (i < 2) e->setReadOnly(true);
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
}

void PartnerEditDialog::save() {
    const PartnerTwin& t = m_list->twin();
    const QString code = fields[0]->text(), name = fields[1]->text();
    const auto stored = [&](const QString& typed) -> QVariant {
        if (typed.isEmpty()) return QVariant(QMetaType(QMetaType::QString));
        return t.trimValues ? trimmed(typed) : typed;
    };
    MasterRepo::Values further;
    const QStringList cols = PartnerListForm::columns();
    for (int i = 0; i < cols.size(); ++i) further.append({cols[i], stored(fields[2 + i]->text())});
    if (m_modify) {
        guarded(this, [&] {
            MasterRepo::update(t.table, further, {{t.codeColumn, code}});
            m_list->reload();
            accept();
        });
        return;
    }
    if (code.isEmpty() || name.isEmpty()) return;
    guarded(this, [&] {
        if (MasterRepo::existsAny(t.table, {{t.codeColumn, code}, {t.nameColumn, name}})) {
            Msg::notice(this, QStringLiteral("已经存在相同 %1代码 或 %1名称").arg(t.word));
            return;
        }
        MasterRepo::Values values{{t.codeColumn, t.trimValues ? trimmed(code) : code},
                                  {t.nameColumn, t.trimValues ? trimmed(name) : name}};
        values += further;
        MasterRepo::insert(t.table, values);
        m_list->reload();
        accept();
    });
}

PartnerDeleteDialog::PartnerDeleteDialog(PartnerListForm* list) : QDialog(list), m_list(list) {
    const PartnerTwin& t = list->twin();
    setObjectName(QStringLiteral("BB%12_form").arg(t.code.mid(2)));
    setWindowTitle(t.deleteCaption);
    setFixedSize(325, 208);
    Label4 = Forms::valueLabel(this, QStringLiteral("被删除%1代码：").arg(t.word), QStringLiteral("Label4"), 24);
    Label5 = Forms::valueLabel(this, QStringLiteral("被删除%1名称：").arg(t.word), QStringLiteral("Label5"), 60);
    Forms::question(this, 100);
    Forms::okCancel(this, QStringLiteral("&删除"), QStringLiteral("&取消"), 164, [this] { remove(); });
    Label4->setText(list->DBGrid1->currentValue(t.codeColumn).toString());
    Label5->setText(list->DBGrid1->currentValue(t.nameColumn).toString());
}

void PartnerDeleteDialog::remove() {
    const PartnerTwin& t = m_list->twin();
    guarded(this, [&] {
        MasterRepo::remove(t.table, {{t.codeColumn, Label4->text()}});
        m_list->reload();
        accept();
    });
}

PartnerColumnsDialog::PartnerColumnsDialog(PartnerListForm* list) : QDialog(list), m_list(list) {
    setObjectName(QStringLiteral("BB%13_form").arg(list->twin().code.mid(2)));
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
    const QString window = m_list->twin().code + QStringLiteral("_form");
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
