#include "masterdata/BB10_Unit.h"

#include "barcodes/BB102_Unit.h"
#include "data/sql.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using Master::trimmed;

namespace {
QLineEdit* edit(QWidget* parent, const QString& name, int limit) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(limit);
    return e;
}
LookupField* lookup(QWidget* parent, const QString& name, const QStringList& cols, const QStringList& captions = {}) {
    auto* f = new LookupField(parent);
    f->setObjectName(name);
    f->setListColumns(cols, captions);
    f->setMinimumWidth(110);
    return f;
}
QLabel* right(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}
} // namespace

TBB10_form::TBB10_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BB10_form"));
    setWindowTitle(QStringLiteral("新项目定义窗口"));
    resize(900, 560);
    auto* title = Forms::heading(this, QStringLiteral("新 项 目 定 义"));
    PC1 = new QTabWidget(this);
    PC1->setObjectName(QStringLiteral("PC1"));
    TS1 = new QWidget;
    TS1->setObjectName(QStringLiteral("TS1"));
    TS2 = new QWidget;
    TS2->setObjectName(QStringLiteral("TS2"));
    PC1->addTab(TS1, QStringLiteral("编   辑   页   面"));
    PC1->addTab(TS2, QStringLiteral("浏   览   页   面"));

    // Edit page.
    auto* g = new QGridLayout(TS1);
    item_code_a = edit(TS1, QStringLiteral("item_code_a"), 25);
    item_name_a = edit(TS1, QStringLiteral("item_name_a"), 50);
    item_model_a = edit(TS1, QStringLiteral("item_model_a"), 25);
    item_spec_a = edit(TS1, QStringLiteral("item_spec_a"), 25);
    Unit_code_a = lookup(TS1, QStringLiteral("Unit_code_a"), {"unit_code", "unit_name"}, {"代码", "名称"});
    unit_name_a = new NameBox(TS1);
    unit_name_a->setObjectName(QStringLiteral("unit_name_a"));
    arrage_code_b_a = lookup(TS1, QStringLiteral("arrage_code_b_a"), {"arrage_code_b", "arrage_name_b"}, {"代码", "名称"});
    arrage_name_b_a = new NameBox(TS1);
    arrage_name_b_a->setObjectName(QStringLiteral("arrage_name_b_a"));
    arrage_code_s_a = lookup(TS1, QStringLiteral("arrage_code_s_a"), {"arrage_code_s", "arrage_name_s"}, {"代码", "名称"});
    arrage_name_s_a = new NameBox(TS1);
    arrage_name_s_a->setObjectName(QStringLiteral("arrage_name_s_a"));
    const QList<QPair<QString, QWidget*>> rows = {{"项目代码：", item_code_a},  {"项目名称：", item_name_a},
                                                  {"项目型号：", item_model_a}, {"项目规格：", item_spec_a},
                                                  {"计量单位：", Unit_code_a},  {"所属大类：", arrage_code_b_a},
                                                  {"所属小类：", arrage_code_s_a}};
    for (int r = 0; r < rows.size(); ++r) {
        g->addWidget(right(rows[r].first, TS1), r, 0);
        g->addWidget(rows[r].second, r, 1);
    }
    g->addWidget(unit_name_a, 4, 2);
    g->addWidget(arrage_name_b_a, 5, 2);
    g->addWidget(arrage_name_s_a, 6, 2);
    okButton = new QPushButton(QStringLiteral("确定"), TS1);
    okButton->setObjectName(QStringLiteral("BitBtn1"));
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("&取消"), TS1);
    cancelButton->setObjectName(QStringLiteral("BitBtn2"));
    cancelButton->setAutoDefault(false);
    deleteButton = new QPushButton(QStringLiteral("删除"), TS1);
    deleteButton->setObjectName(QStringLiteral("BitBtn3"));
    deleteButton->setAutoDefault(false);
    barcodeButton = new QPushButton(QStringLiteral("条码…"), TS1);
    barcodeButton->setObjectName(QStringLiteral("BitBtn6"));
    barcodeButton->setAutoDefault(false);
    auto* eb = new QHBoxLayout;
    eb->addStretch();
    eb->addWidget(okButton);
    eb->addWidget(cancelButton);
    eb->addWidget(deleteButton);
    eb->addWidget(barcodeButton);
    g->addLayout(eb, 7, 0, 1, 4);
    g->setColumnStretch(3, 1);
    g->setRowStretch(8, 1);
    setTabOrder(item_code_a, item_name_a);
    setTabOrder(item_name_a, item_model_a);
    setTabOrder(item_model_a, item_spec_a);
    setTabOrder(item_spec_a, Unit_code_a);
    setTabOrder(Unit_code_a, arrage_code_b_a);
    setTabOrder(arrage_code_b_a, arrage_code_s_a);

    // Browse page.
    auto* b = new QGridLayout(TS2);
    F1 = lookup(TS2, QStringLiteral("F1"), {"arrage_code_b", "arrage_name_b"});
    F2 = lookup(TS2, QStringLiteral("F2"), {"arrage_code_s", "arrage_name_s"});
    F3 = lookup(TS2, QStringLiteral("F3"), {"item_code", "item_name", "item_model", "item_spec"});
    F4 = lookup(TS2, QStringLiteral("F4"), {"item_code", "item_name", "item_model", "item_spec"});
    Label13 = new QLabel(TS2);
    Label14 = new QLabel(TS2);
    Label15 = new QLabel(TS2);
    Label16 = new QLabel(TS2);
    const QList<std::tuple<QString, LookupField*, QLabel*, QString>> filters = {
        {"所属大类：", F1, Label13, "Label13"},
        {"所属小类：", F2, Label14, "Label14"},
        {"起始代码：", F3, Label15, "Label15"},
        {"终止代码：", F4, Label16, "Label16"}};
    for (int i = 0; i < filters.size(); ++i) {
        const auto& [caption, field, label, name] = filters[i];
        label->setObjectName(name);
        label->setMinimumWidth(120);
        b->addWidget(right(caption, TS2), i / 2, (i % 2) * 3);
        b->addWidget(field, i / 2, (i % 2) * 3 + 1);
        b->addWidget(label, i / 2, (i % 2) * 3 + 2);
    }
    queryButton = new QPushButton(QStringLiteral("查询"), TS2);
    queryButton->setObjectName(QStringLiteral("BitBtn4"));
    queryButton->setAutoDefault(false);
    b->addWidget(queryButton, 1, 6);
    DBGrid1 = new DataGrid(TS2);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"item_code", "项目代码", 90},
                         {"item_name", "项目名称", 140},
                         {"item_model", "项目型号", 80},
                         {"item_spec", "项目规格", 80},
                         {"unit_code", "单位代码", 60},
                         {"unit_name", "单位名称", 60},
                         {"arrage_code_b", "大类代码", 60},
                         {"arrage_name_b", "大类名称", 80},
                         {"arrage_code_s", "小类代码", 60},
                         {"arrage_name_s", "小类名称", 80}});
    DBGrid1->model()->setSort(QStringLiteral("item_code"), Qt::DescendingOrder);
    b->addWidget(DBGrid1, 2, 0, 1, 7);
    b->setRowStretch(2, 1);
    addAction = new QAction(QStringLiteral("新增"), this);
    modifyAction = new QAction(QStringLiteral("修改"), this);
    deleteAction = new QAction(QStringLiteral("删除"), this);
    addAction->setObjectName(QStringLiteral("N1"));
    modifyAction->setObjectName(QStringLiteral("N2"));
    deleteAction->setObjectName(QStringLiteral("N3"));
    DBGrid1->addContextAction(addAction);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(modifyAction);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(deleteAction);
    barcodeAction = new QAction(QStringLiteral("条码…"), this);
    barcodeAction->setObjectName(QStringLiteral("N4"));
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(barcodeAction);
    modifyAction->setEnabled(false);
    deleteAction->setEnabled(false);

    auto* v = new QVBoxLayout(this);
    v->addWidget(title);
    v->addWidget(PC1, 1);
    v->addLayout(Forms::closeRow(this, QStringLiteral("BitBtn5")));

    // Edit page fields.
    connect(Unit_code_a, &LookupField::entered, this,
            [this] { guarded(this, [&] { Unit_code_a->setList(QStringLiteral("SELECT * FROM kesp_item_unit")); }); });
    connect(arrage_code_b_a, &LookupField::entered, this, [this] {
        guarded(this, [&] { arrage_code_b_a->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_b")); });
    });
    connect(arrage_code_s_a, &LookupField::entered, this, &TBB10_form::reloadSmallList);
    bindNameBox(Unit_code_a, unit_name_a, QStringLiteral("unit_name"));
    bindNameBox(arrage_code_s_a, arrage_name_s_a, QStringLiteral("arrage_name_s"));
    connect(arrage_code_b_a, &LookupField::changed, this, [this](const QString& code) {
        arrage_name_b_a->setText(code.isEmpty() ? QString() : arrage_code_b_a->lookup(QStringLiteral("arrage_name_b")));
        arrage_code_s_a->setText(QString());
    });
    // Choosing the same big category again from the list empties the small category as well.
    connect(arrage_code_b_a, &QComboBox::activated, this, [this] { arrage_code_s_a->setText(QString()); });

    // Browse page fields.
    connect(F1, &LookupField::entered, this,
            [this] { guarded(this, [&] { F1->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_b")); }); });
    connect(F2, &LookupField::entered, this, &TBB10_form::reloadSmallList);
    connect(F3, &LookupField::entered, this, &TBB10_form::reloadItemList);
    connect(F4, &LookupField::entered, this, &TBB10_form::reloadItemList);
    connect(F1, &LookupField::changed, this, [this](const QString& code) {
        if (code.isEmpty()) {
            Label13->clear();
            F2->setText(QString());
            return;
        }
        Label13->setText(F1->lookup(QStringLiteral("arrage_name_b")));
        F2->setText(QString());
        F3->setText(QString());
        F4->setText(QString());
    });
    connect(F2, &LookupField::changed, this, [this](const QString& code) {
        if (code.isEmpty()) {
            Label14->clear();
            return;
        }
        Label14->setText(F2->lookup(QStringLiteral("arrage_name_s"), false));
        F3->setText(QString());
        F4->setText(QString());
    });
    connect(F3, &LookupField::changed, this, [this](const QString& code) {
        if (code.isEmpty()) {
            Label15->clear();
            F4->setText(QString());
            return;
        }
        Label15->setText(F3->lookup(QStringLiteral("item_name")));
        F4->setText(code);
    });
    connect(F4, &LookupField::changed, this, [this](const QString& code) {
        Label16->setText(code.isEmpty() ? QString() : F4->lookupFor(code, QStringLiteral("item_name"), false));
    });

    connect(okButton, &QPushButton::clicked, this, &TBB10_form::save);
    connect(cancelButton, &QPushButton::clicked, this, [this] { item_code_a->setEnabled(true); });
    connect(deleteButton, &QPushButton::clicked, this, [this] {
        item_code_a->setEnabled(true);
        longLived<TBB101_form>()->openFrom(this, QStringLiteral("AA"));
    });
    connect(queryButton, &QPushButton::clicked, this, &TBB10_form::query);
    connect(barcodeButton, &QPushButton::clicked, this,
            [this] { openBarcodes(item_code_a->text().trimmed(), item_name_a->text().trimmed()); });
    connect(barcodeAction, &QAction::triggered, this, [this] { openBarcodes(currentCode(), currentName()); });
    connect(DBGrid1, &DataGrid::mousePressed, this, [this] {
        const bool rows = DBGrid1->hasRows();
        modifyAction->setEnabled(rows);
        deleteAction->setEnabled(rows);
    });
    connect(addAction, &QAction::triggered, this, [this] {
        PC1->setCurrentWidget(TS1);
        emptyEditFields();
        item_code_a->setEnabled(true); // a new item is added, not the last one modified
        item_code_a->setFocus();
    });
    connect(modifyAction, &QAction::triggered, this, &TBB10_form::modify);
    connect(DBGrid1, &DataGrid::cellDoubleClicked, this, [this] {
        if (modifyAction->isEnabled()) modify();
    });
    connect(deleteAction, &QAction::triggered, this,
            [this] { longLived<TBB101_form>()->openFrom(this, QStringLiteral("BB")); });

    PC1->setCurrentWidget(TS1);
    emptyEditFields();
    for (LookupField* f : {F1, F2, F3, F4}) f->setText(QString());
    for (QLabel* l : {Label13, Label14, Label15, Label16}) l->clear();
    guarded(this, [&] { DBGrid1->open(QStringLiteral("SELECT * FROM kesp_item_master WHERE 1=0")); });
}

void TBB10_form::openBarcodes(const QString& code, const QString& name) {
    if (code.isEmpty()) {
        Msg::notice(this, Msg::NoRowChosen);
        return;
    }
    bool known = false;
    guarded(this, [&] { known = Sql::exists(QStringLiteral("SELECT 1 FROM kesp_item_master WHERE item_code=?"), {code}); });
    if (!known) {
        Msg::notice(this, QStringLiteral("项目代码 不存在"));
        return;
    }
    BB102_form dialog(this, code, name);
    Msg::runModal(&dialog);
}

QString TBB10_form::currentCode() const { return DBGrid1->currentValue(QStringLiteral("item_code")).toString(); }
QString TBB10_form::currentName() const { return DBGrid1->currentValue(QStringLiteral("item_name")).toString(); }

void TBB10_form::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (PC1->currentWidget() == TS1 && item_code_a->isEnabled()) item_code_a->setFocus();
}

bool TBB10_form::modifyMode() const { return !item_code_a->isEnabled(); }

void TBB10_form::emptyEditFields() {
    for (QLineEdit* e : {item_code_a, item_name_a, item_model_a, item_spec_a}) e->clear();
    for (LookupField* f : {Unit_code_a, arrage_code_b_a, arrage_code_s_a}) f->setText(QString());
    for (NameBox* n : {unit_name_a, arrage_name_b_a, arrage_name_s_a}) n->clear();
}

void TBB10_form::reloadSmallList() {
    // One list serves the edit page's small category and the browse page's F2.
    guarded(this, [&] {
        const QString big = sender() == F2 ? F1->text() : arrage_code_b_a->text();
        for (LookupField* f : {arrage_code_s_a, F2}) {
            if (big.isEmpty())
                f->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_s WHERE 1=0"));
            else
                f->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_s WHERE arrage_code_b=? ORDER BY arrage_code_s"),
                           {big});
        }
    });
}

void TBB10_form::reloadItemList() {
    const bool first = sender() == F3;
    QString sql = QStringLiteral("SELECT * FROM kesp_item_master WHERE 1=1");
    QVariantList params;
    if (!F2->text().isEmpty()) {
        sql += QStringLiteral(" AND arrage_code_s=?");
        params << F2->text();
        if (first) {
            sql += QStringLiteral(" AND arrage_code_b=?");
            params << F1->text();
        }
    } else if (!F1->text().isEmpty()) {
        sql += QStringLiteral(" AND arrage_code_b=?");
        params << F1->text();
    }
    // The catalogue is large: both range fields read it by their typed prefix only.
    guarded(this, [&] {
        F3->setPrefixList(sql, params, QStringLiteral("item_code"));
        F4->setPrefixList(sql, params, QStringLiteral("item_code"));
    });
}

void TBB10_form::query() {
    QString sql = QStringLiteral("SELECT * FROM kesp_item_master WHERE 1=1");
    QVariantList params;
    const QList<std::pair<LookupField*, QString>> conds = {{F1, " AND arrage_code_b=?"},
                                                           {F2, " AND arrage_code_s=?"},
                                                           {F3, " AND item_code>=?"},
                                                           {F4, " AND item_code<=?"}};
    for (const auto& [field, cond] : conds) {
        if (field->text().isEmpty()) continue;
        sql += cond;
        params << field->text();
    }
    sql += QStringLiteral(" ORDER BY item_code");
    guarded(this, [&] { DBGrid1->open(sql, params); });
}

void TBB10_form::rerunGrid() {
    guarded(this, [&] { DBGrid1->refresh(); });
}

void TBB10_form::modify() {
    if (!modifyAction->isEnabled() || DBGrid1->currentRow() < 0) return;
    PC1->setCurrentWidget(TS1);
    item_code_a->setText(DBGrid1->currentValue(QStringLiteral("item_code")).toString());
    item_name_a->setText(DBGrid1->currentValue(QStringLiteral("item_name")).toString());
    item_model_a->setText(DBGrid1->currentValue(QStringLiteral("item_model")).toString());
    item_spec_a->setText(DBGrid1->currentValue(QStringLiteral("item_spec")).toString());
    const QString big = DBGrid1->currentValue(QStringLiteral("arrage_code_b")).toString();
    guarded(this, [&] {
        Unit_code_a->setList(QStringLiteral("SELECT * FROM kesp_item_unit"));
        arrage_code_b_a->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_b"));
        Unit_code_a->setText(DBGrid1->currentValue(QStringLiteral("unit_code")).toString());
        arrage_code_b_a->setText(big);
        arrage_code_s_a->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_s WHERE arrage_code_b=?"), {big});
        arrage_code_s_a->setText(DBGrid1->currentValue(QStringLiteral("arrage_code_s")).toString());
    });
    item_code_a->setEnabled(false);
}

Master::Item TBB10_form::typedItem() const {
    return {item_code_a->text(),     item_name_a->text(),    item_model_a->text(),     item_spec_a->text(),
            Unit_code_a->text(),     unit_name_a->text(),    arrage_code_b_a->text(), arrage_name_b_a->text(),
            arrage_code_s_a->text(), arrage_name_s_a->text()};
}

void TBB10_form::save() {
    const bool modify = modifyMode();
    Master::Result r;
    try {
        r = modify ? Master::updateItem(typedItem()) : Master::addItem(typedItem());
    } catch (const DbError&) {
        Msg::notice(this, modify ? QStringLiteral("记录更新失败！") : QStringLiteral("记录新增失败！"));
        return;
    }
    if (r.outcome == Master::Outcome::Ignored) return;
    if (!r.done()) {
        Msg::notice(this, r.message);
        return;
    }
    emptyEditFields();
    Msg::notice(this, modify ? QStringLiteral("记录更新成功！") : QStringLiteral("记录新增成功！"));
    query();
    if (!modify) item_code_a->setFocus(); // the next item starts with its code
}

void TBB10_form::reject() {
    // Esc: "删除" on the edit page, "查询" on the browse page.
    if (PC1->currentWidget() == TS1) deleteButton->click();
    else queryButton->click();
}

void TBB10_form::closeEvent(QCloseEvent* e) {
    e->accept(); // the close box closes; only Esc has the page's meaning
    done(QDialog::Rejected);
}

TBB101_form::TBB101_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB101_form"), QStringLiteral("项目删除窗口"),
                         QStringLiteral("被删除项目代码："), QStringLiteral("被删除项目名称："), QSize(325, 208)) {}

int TBB101_form::openFrom(TBB10_form* form, const QString& origin) {
    m_origin = origin;
    m_form = form;
    const bool editPage = origin == QLatin1String("AA");
    const int r = openWith(form, editPage ? form->item_code_a->text() : form->currentCode(),
                           editPage ? form->item_name_a->text() : form->currentName());
    m_form = nullptr;
    return r;
}

void TBB101_form::deleted(MasterList* list) {
    if (m_form && m_origin == QLatin1String("AA")) m_form->emptyEditFields();
    list->reload();
}
