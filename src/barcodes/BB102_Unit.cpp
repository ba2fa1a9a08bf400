#include "barcodes/BB102_Unit.h"

#include "barcodes/barcodes.h"
#include "barcodes/label_printer.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "ui/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

BB102_form::BB102_form(QWidget* parent, const QString& itemCode, const QString& itemName)
    : QDialog(parent), m_item(itemCode) {
    setObjectName(QStringLiteral("BB102_form"));
    setWindowTitle(QStringLiteral("项目条码"));
    resize(820, 560);
    item_m = new QLabel(QStringLiteral("项目：%1 %2").arg(itemCode, itemName), this);
    item_m->setObjectName(QStringLiteral("item_m"));
    show_all = new QCheckBox(QStringLiteral("显示全部"), this);
    show_all->setObjectName(QStringLiteral("show_all"));
    auto* top = new QHBoxLayout;
    top->addWidget(item_m, 1);
    top->addWidget(show_all);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"attr_code", "属性代码", 70},
                         {"attr_name", "属性", 90},
                         {"size_code", "尺寸代码", 70},
                         {"size_name", "尺寸", 80},
                         {"stage_name", "等级", 80},
                         {"barcode", "条码", 160},
                         {"barcode_kind", "类型", 80},
                         {"label_qty", "标签张数", 80, {}, true},
                         {"stage_code", "stage_code", 0, {}, false, false, false}});
    DBGrid1->model()->setSort(QStringLiteral("attr_code, size_code, stage_code, barcode"), Qt::AscendingOrder);
    DBGrid1->setMultiSelect(true);
    auto* labels = new QAction(QStringLiteral("打印标签…"), this);
    labels->setObjectName(QStringLiteral("printLabels"));
    DBGrid1->addContextAction(labels);

    barcode_b = new QLineEdit(this);
    barcode_b->setObjectName(QStringLiteral("barcode_b"));
    barcode_b->setMaxLength(Barcodes::MaxLength);
    auto* row = new QHBoxLayout;
    row->addWidget(Forms::caption(QStringLiteral("条码："), this));
    row->addWidget(barcode_b);
    BitBtn1 = Forms::button(row, this, QStringLiteral("新增"), QStringLiteral("BitBtn1"));
    BitBtn2 = Forms::button(row, this, QStringLiteral("修改"), QStringLiteral("BitBtn2"));
    BitBtn3 = Forms::button(row, this, QStringLiteral("删除"), QStringLiteral("BitBtn3"));
    row->addStretch();
    BitBtn4 = Forms::button(row, this, QStringLiteral("生成条码"), QStringLiteral("BitBtn4"));
    BitBtn5 = Forms::button(row, this, QStringLiteral("打印标签…"), QStringLiteral("BitBtn5"));

    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addWidget(DBGrid1, 1);
    v->addLayout(row);
    v->addLayout(Forms::closeRow(this, QStringLiteral("BitBtn6")));

    connect(show_all, &QCheckBox::toggled, this, &BB102_form::query);
    connect(BitBtn1, &QPushButton::clicked, this, &BB102_form::addCode);
    connect(BitBtn2, &QPushButton::clicked, this, &BB102_form::changeCode);
    connect(BitBtn3, &QPushButton::clicked, this, &BB102_form::deleteCode);
    connect(BitBtn4, &QPushButton::clicked, this, &BB102_form::generate);
    connect(BitBtn5, &QPushButton::clicked, this, &BB102_form::printLabels);
    connect(labels, &QAction::triggered, this, &BB102_form::printLabels);
    // A maker's code scanned into the field goes to the chosen variant.
    connect(barcode_b, &QLineEdit::returnPressed, this, &BB102_form::addCode);
    query();
}

void BB102_form::query() {
    guarded(this, [&] {
        const Barcodes::Statement s = Barcodes::variantsOf(m_item, show_all->isChecked());
        DBGrid1->open(QStringLiteral("SELECT v.*, 0 AS label_qty FROM (%1) AS v").arg(s.sql), s.params);
    });
}

void BB102_form::answered(const QString& refusal, const QString& selectCode) {
    if (!refusal.isEmpty()) {
        Msg::notice(this, refusal);
        barcode_b->setFocus();
        barcode_b->selectAll();
        return;
    }
    barcode_b->clear();
    const int keep = DBGrid1->currentRow();
    query();
    GridModel* m = DBGrid1->model();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->value(r, QStringLiteral("barcode")).toString() == selectCode) {
            DBGrid1->setCurrentRow(r);
            return;
        }
    DBGrid1->setCurrentRow(std::min(keep, m->rowCount() - 1));
}

void BB102_form::addCode() {
    if (DBGrid1->currentRow() < 0) {
        Msg::notice(this, Msg::NoRowChosen);
        return;
    }
    const QString code = barcode_b->text().trimmed();
    const auto v = [this](const char* f) { return DBGrid1->currentValue(QString::fromLatin1(f)).toString(); };
    QString refusal;
    if (guarded(this, [&] {
            refusal = Barcodes::add(code, {m_item, v("attr_code"), v("size_code"), v("stage_code")});
        }))
        answered(refusal, code);
}

void BB102_form::changeCode() {
    const QString old = DBGrid1->currentValue(QStringLiteral("barcode")).toString();
    if (old.isEmpty()) {
        addCode(); // a variant without a code: the typed one is its first
        return;
    }
    const QString code = barcode_b->text().trimmed();
    QString refusal;
    if (guarded(this, [&] { refusal = Barcodes::change(old, code); })) answered(refusal, code);
}

void BB102_form::deleteCode() {
    const QString old = DBGrid1->currentValue(QStringLiteral("barcode")).toString();
    if (old.isEmpty()) {
        Msg::notice(this, QStringLiteral("请先选择一个条码。"));
        return;
    }
    if (!Msg::confirm(this, QStringLiteral("确定删除条码 %1 吗？").arg(old))) return;
    bool removed = false;
    if (guarded(this, [&] { removed = Barcodes::remove(old); }))
        answered(removed ? QString() : QStringLiteral("该条码已不存在。"), QString());
}

void BB102_form::generate() {
    int made = 0;
    if (!guarded(this, [&] { made = Barcodes::generate(m_item, show_all->isChecked()); })) return;
    query();
    Msg::dravont(this, made ? QStringLiteral("已生成 %1 个条码。").arg(made) : QStringLiteral("每个项目都已有条码。"));
}

void BB102_form::printLabels() {
    DBGrid1->commitEdit();
    GridModel* m = DBGrid1->model();
    QList<Barcodes::Wanted> wanted;
    const auto wantedOf = [&](int r, double n) {
        const auto v = [&](const char* f) { return m->value(r, QString::fromLatin1(f)).toString(); };
        wanted.append({{m_item, v("attr_code"), v("size_code"), v("stage_code")}, n, v("barcode")});
    };
    // The numbers typed in the grid; without any, one label of each chosen variant.
    for (int r = 0; r < m->rowCount(); ++r)
        if (const double n = m->value(r, QStringLiteral("label_qty")).toDouble(); n > 0) wantedOf(r, n);
    if (wanted.isEmpty())
        for (int r : DBGrid1->chosenRows()) wantedOf(r, 1);
    if (wanted.isEmpty()) {
        Msg::notice(this, Msg::NoRowChosen);
        return;
    }
    LabelPrinter::preview(this, wanted);
}
