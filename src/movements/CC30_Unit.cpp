#include "movements/CC30_Unit.h"

#include "barcodes/barcodes.h"
#include "movements/posting.h"

#include "data/DataConnect1_Unit.h"
#include "data/numbers.h"
#include "fields/cascade.h"
#include "fields/datepicker.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "ui/messages.h"
#include "security/rights.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CC30_form::CC30_form(QWidget* parent)
    : EntryScreen(parent, LineKind::Transfer, QStringLiteral("CC30_form"), QStringLiteral("转库操作")) {
    build();
    setFixedSize(980, 620);
    if (parent) move(parent->geometry().center() - rect().center());
    fullReset();
    guarded(this, [&] {
        reloadGrid();
        const Rights::List list = Rights::warehouseList(Rights::Access::Operate);
        warehouse_a->setList(list.sql, list.params);
        warehouse_b->setList(list.sql, list.params);
    });
}

void CC30_form::build() {
    auto* upper = new QWidget(this);
    upper->setObjectName(QStringLiteral("Panel1"));
    auto* g = new QGridLayout(upper);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(8);
    const auto box = [&](const char* name) { return nameBox(upper, QString::fromLatin1(name)); };
    const auto hidden = [&](const char* name) { return hiddenField(upper, QString::fromLatin1(name)); };

    bill_no_a = new QLineEdit(upper);
    bill_no_a->setObjectName(QStringLiteral("bill_no_a"));
    bill_no_a->setMaxLength(10);
    watchBillNo(bill_no_a);
    procure_date_a = new DatePicker(upper);
    procure_date_a->setObjectName(QStringLiteral("procure_date_a"));
    const QStringList whColumns = {"warehouse", "warehouse_name"};
    warehouse_a = lookupField(upper, QStringLiteral("warehouse_a"), whColumns);
    warehouse_a->setListColumns(whColumns, {}, {60, 120});
    warehouse_name_a = box("warehouse_name_a");
    warehouse_b = lookupField(upper, QStringLiteral("warehouse_b"), whColumns);
    warehouse_b->setListColumns(whColumns, {}, {60, 120});
    warehouse_name_b = box("warehouse_name_b");
    bindNameBox(warehouse_a, warehouse_name_a, QStringLiteral("warehouse_name"));
    bindNameBox(warehouse_b, warehouse_name_b, QStringLiteral("warehouse_name"));

    arrage_code_b_a = lookupField(upper, QStringLiteral("arrage_code_b_a"), {"arrage_code_b", "arrage_name_b"});
    arrage_name_b_a = box("arrage_name_b_a");
    arrage_code_s_a = lookupField(upper, QStringLiteral("arrage_code_s_a"), {"arrage_code_s", "arrage_name_s"});
    arrage_name_s_a = box("arrage_name_s_a");
    item_code_a = lookupField(upper, QStringLiteral("item_code_a"), {});
    item_name_a = box("item_name_a");
    item_model_a = box("item_model_a");
    item_spec_a = box("item_spec_a");
    ID_a = hidden("ID_a");
    attr_code_a = hidden("attr_code_a");
    size_code_a = hidden("size_code_a");
    stage_code_a = hidden("stage_code_a");
    attr_name_a = box("attr_name_a");
    size_name_a = box("size_name_a");
    stage_name_a = box("stage_name_a");
    qty_b = box("qty_b");
    qty_b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    qty_a = new NumericEdit(upper);
    qty_a->setObjectName(QStringLiteral("qty_a"));
    Focus_flag = hidden("Focus_flag");

    PanelGrid p{upper, g};
    p.add(QStringLiteral("转库单号："), bill_no_a, nullptr, 0);
    p.add(QStringLiteral("转库日期："), procure_date_a, nullptr, 3);
    p.next();
    p.add(QStringLiteral("转入仓库："), warehouse_a, warehouse_name_a, 0);
    p.add(QStringLiteral("转出仓库："), warehouse_b, warehouse_name_b, 3);
    p.separator();
    g->addWidget(createScanField(upper), p.row, 0, 1, 9);
    p.next();
    p.add(QStringLiteral("大类："), arrage_code_b_a, arrage_name_b_a, 0);
    p.add(QStringLiteral("小类："), arrage_code_s_a, arrage_name_s_a, 3);
    p.next();
    p.add(QStringLiteral("项目代码："), item_code_a, item_name_a, 0);
    p.add(QStringLiteral("型号："), item_model_a, nullptr, 3);
    p.add(QStringLiteral("规格："), item_spec_a, nullptr, 6);
    p.next();
    p.add(QStringLiteral("属性："), attr_name_a, nullptr, 0);
    p.add(QStringLiteral("尺寸："), size_name_a, nullptr, 3);
    p.add(QStringLiteral("等级："), stage_name_a, nullptr, 6);
    p.next();
    p.add(QStringLiteral("可转库数量："), qty_b, nullptr, 0);
    p.add(QStringLiteral("转库数量："), qty_a, nullptr, 3);
    createButtons(upper);
    g->addWidget(BitBtn1, p.row, 7);
    g->addWidget(BitBtn2, p.row, 8);

    // The stock rows listed are the issuing warehouse's; the guard asks for the receiving one.
    m_cascade = new CategoryCascade(
        this,
        {arrage_code_b_a, arrage_name_b_a, arrage_code_s_a, arrage_name_s_a, item_code_a, item_name_a, item_model_a,
         item_spec_a, Focus_flag},
        {warehouse_a, [this] { return warehouse_b->text(); }, ID_a, attr_code_a, attr_name_a, size_code_a, size_name_a,
         stage_code_a, stage_name_a, qty_b});
    m_cascade->beforeBigChange = [this](const QString&) { return !refuseSealed(warehouse_b); };
    m_cascade->beforeSmallChange = [this](const QString&) { return !refuseSealed(warehouse_a); };
    connect(qty_b, &QLineEdit::textChanged, this, [this](const QString& t) {
        const auto v = Numbers::parse(t);
        const QString shown = v ? Numbers::entry(*v) : QStringLiteral("0.00");
        if (shown != t) qty_b->setText(shown);
    });

    createGrid({{"item_code", "项目代码", 80},
                {"item_name", "项目名称", 150},
                {"item_model", "型号", 100},
                {"item_spec", "规格", 100},
                {"qty", "转库数量", 100, "#,##0.##"},
                {"attr_name", "属性", 100},
                {"size_name", "尺寸", 100},
                {"stage_name", "等级", 100},
                {"arrage_name_b", "大类", 100},
                {"arrage_name_s", "小类", 100}},
               QStringLiteral("qty"));
    assemble(upper);

    const QList<QWidget*> order = {BitBtn1,         BitBtn2,         bill_no_a,   procure_date_a, warehouse_a,
                                   warehouse_b,     arrage_code_b_a, arrage_code_s_a, item_code_a, qty_a};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

bool CC30_form::refuseSealed(LookupField* warehouse) {
    bool sealed = false;
    guarded(this, [&] { sealed = DataConnect1::IsWarehouseSealed(warehouse->text()) == QLatin1String("Y"); });
    if (!sealed) return false;
    Msg::confirm(this, Transfer::Sealed, true);
    warehouse->setText(QString()); // empties its name box
    return true;
}

QString CC30_form::fillFromScan(const Barcodes::Variant& v) {
    // The balance row of that key in the issuing warehouse.
    if (warehouse_b->text().isEmpty()) return QStringLiteral("转出仓库 不能为空");
    const auto id = Barcodes::balanceRow(warehouse_b->text(), v.key());
    if (!id) return Barcodes::NoStockMessage;
    m_cascade->pick(*id);
    qty_a->setText(QStringLiteral("1"));
    qty_a->reformat();
    return {};
}

void CC30_form::lineReset() {
    m_cascade->reset();
    qty_b->setText(QStringLiteral("0.00"));
    qty_a->reset();
}

void CC30_form::fullReset() {
    bill_no_a->clear();
    warehouse_a->setText(QString());
    warehouse_b->setText(QString());
    warehouse_name_a->clear();
    warehouse_name_b->clear();
    procure_date_a->setToday();
    lineReset();
}

void CC30_form::lockHeader(bool on) {
    bill_no_a->setReadOnly(on);
    Forms::showLocked(bill_no_a, on);
    warehouse_a->setReadOnly(on);
    warehouse_b->setReadOnly(on);
    procure_date_a->setEnabled(!on);
}

Transfer::Line CC30_form::gathered() const {
    Transfer::Line l;
    l.billNo = bill_no_a->text();
    l.date = procure_date_a->dateText();
    l.toWarehouse = warehouse_a->text();
    l.toWarehouseName = warehouse_name_a->text();
    l.fromWarehouse = warehouse_b->text();
    l.fromWarehouseName = warehouse_name_b->text();
    l.item = gatheredItem();
    l.qty = qty_a->text();
    return l;
}

void CC30_form::addLine() {
    // What leaving the bill field would check runs first.
    if (!checkBill()) return;
    const Transfer::Line line = gathered();
    if (const auto qty = Numbers::parse(line.qty); qty && *qty > 0 && !line.fromWarehouse.isEmpty())
        if (!acceptShortfall(line.fromWarehouse, line.item, -Numbers::round3(*qty))) return;
    stageLine([&] { return Transfer::stage(line); });
}
