#include "movements/reversal_form.h"

#include "movements/posting.h"

#include "data/numbers.h"
#include "fields/datepicker.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "ui/messages.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
bool isOut(LineKind kind) { return kind == LineKind::OutReversal; }
} // namespace

ReversalForm::ReversalForm(QWidget* parent, LineKind kind)
    : EntryScreen(parent, kind, isOut(kind) ? QStringLiteral("TDD20_form") : QStringLiteral("TCC20_form"),
                  isOut(kind) ? QStringLiteral("出库红冲操作") : QStringLiteral("入库红冲操作")) {
    build();
    setFixedSize(980, 620);
    if (parent) move(parent->geometry().center() - rect().center());
    fullReset();
    guarded(this, [&] {
        reloadGrid();
        // A bounded number of bills, narrowed to those starting with the typed text only when the
        // rows read do not hold them all.
        const ListQuery bills = Reversal::billSource(kind);
        bill_no_a->setPrefixList(bills.sql, bills.params, QStringLiteral("h.bill_no"), Reversal::BillListLimit,
                                 Reversal::billOrder(kind));
    });
}

void ReversalForm::build() {
    const bool out = isOut(kind());
    const QString d = out ? QStringLiteral("出库") : QStringLiteral("入库");
    const QString partner = Reversal::partnerColumn(kind());
    auto* upper = new QWidget(this);
    upper->setObjectName(QStringLiteral("Panel1"));
    auto* g = new QGridLayout(upper);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(8);
    const auto box = [&](const char* name) { return nameBox(upper, QString::fromLatin1(name)); };

    // The bills differ by warehouse and partner as well, so the list shows their names beside the number.
    bill_no_a = lookupField(upper, QStringLiteral("bill_no_a"), {"bill_no", "warehouse_name", partner + "_name"});
    bill_no_a->setKeyField(QStringLiteral("bill_no"));
    operation_code_a = hiddenField(upper, QStringLiteral("operation_code_a"));
    operation_name_a = box("operation_name_a");
    procure_date_a = new DatePicker(upper);
    procure_date_a->setObjectName(QStringLiteral("procure_date_a"));
    partner_a = nameBox(upper, partner + QStringLiteral("_a"));
    partner_name_a = nameBox(upper, partner + QStringLiteral("_name_a"));
    warehouse_a = box("warehouse_a");
    warehouse_name_a = box("warehouse_name_a");
    item_code_a = lookupField(upper, QStringLiteral("item_code_a"), {});
    item_code_a->setListColumns({"item_code", "item_name", "arrage_name_b", "arrage_name_s", "attr_name", "size_name",
                                 "stage_name", "price", "qty"},
                                {"代码", "名称", "大类", "小类", "属性", "尺寸", "等级", d + "价格", d + "数量"});
    item_code_a->setHeaderVisible(true);
    item_code_a->setKeyField(QStringLiteral("order_no"));
    item_code_a->setTextField(QStringLiteral("item_code"));
    item_name_a = box("item_name_a");
    item_model_a = box("item_model_a");
    item_spec_a = box("item_spec_a");
    order_no_a = hiddenField(upper, QStringLiteral("order_no_a"));
    arrage_code_b_a = box("arrage_code_b_a");
    arrage_name_b_a = box("arrage_name_b_a");
    arrage_code_s_a = box("arrage_code_s_a");
    arrage_name_s_a = box("arrage_name_s_a");
    attr_code_a = box("attr_code_a");
    attr_name_a = box("attr_name_a");
    size_code_a = box("size_code_a");
    size_name_a = box("size_name_a");
    stage_code_a = box("stage_code_a");
    stage_name_a = box("stage_name_a");
    price_a_tmp = box("price_a_tmp");
    qty_a_tmp = box("qty_a_tmp");
    for (NameBox* e : {price_a_tmp, qty_a_tmp}) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    price_a = new NumericEdit(upper);
    price_a->setObjectName(QStringLiteral("price_a"));
    qty_a = new NumericEdit(upper);
    qty_a->setObjectName(QStringLiteral("qty_a"));
    operation_code_a->setText(Reversal::operationCode(kind()));
    operation_name_a->setText(Reversal::operationName(kind()));

    PanelGrid p{upper, g};
    p.add(QStringLiteral("红字单号："), bill_no_a, nullptr, 0);
    p.add(QStringLiteral("操作类型："), operation_name_a, nullptr, 3);
    p.add(QStringLiteral("红冲日期："), procure_date_a, nullptr, 6);
    p.next();
    p.add(out ? QStringLiteral("客户代码：") : QStringLiteral("供应商代码："), partner_a, partner_name_a, 0);
    p.add(QStringLiteral("仓库代码："), warehouse_a, warehouse_name_a, 3);
    p.separator();
    p.add(out ? QStringLiteral("项目列表：") : QStringLiteral("项目代码："), item_code_a, item_name_a, 0);
    p.add(QStringLiteral("型号："), item_model_a, nullptr, 3);
    p.add(QStringLiteral("规格："), item_spec_a, nullptr, 6);
    p.next();
    p.add(QStringLiteral("大类："), arrage_code_b_a, arrage_name_b_a, 0);
    p.add(QStringLiteral("小类："), arrage_code_s_a, arrage_name_s_a, 3);
    p.next();
    p.add(QStringLiteral("属性："), attr_code_a, attr_name_a, 0);
    p.add(QStringLiteral("尺寸："), size_code_a, size_name_a, 3);
    p.add(QStringLiteral("等级："), stage_code_a, stage_name_a, 6);
    p.next();
    p.add(d + QStringLiteral("价格："), price_a_tmp, nullptr, 0);
    p.add(d + QStringLiteral("数量："), qty_a_tmp, nullptr, 3);
    p.next();
    p.add(QStringLiteral("红冲价格："), price_a, nullptr, 0);
    p.add(QStringLiteral("红冲数量："), qty_a, nullptr, 3);
    createButtons(upper);
    g->addWidget(BitBtn1, p.row, 7);
    g->addWidget(BitBtn2, p.row, 8);

    createGrid({{"item_code", "项目代码", 80},
                {"item_name", "项目名称", 150},
                {"item_model", "型号", 80},
                {"item_spec", "规格", 80},
                {"price", "红冲价格", 80},
                {"qty", "红冲数量", 80, "#,##0.##"},
                {"attr_name", "属性", 80},
                {"size_name", "尺寸", 80},
                {"stage_name", "等级", 80},
                {"arrage_name_b", "大类", 80},
                {"arrage_name_s", "小类", 80}},
               QStringLiteral("item_code"));
    Forms::showPrices(this, {price_a_tmp, price_a});
    assemble(upper);

    connect(bill_no_a, &LookupField::changed, this, &ReversalForm::onBillChanged);
    // The bill's lines are listed as soon as the bill is chosen, whatever way the focus comes back.
    connect(bill_no_a, &LookupField::committed, this, &ReversalForm::loadLines);
    connect(item_code_a, &LookupField::entered, this, &ReversalForm::onLineEntered);
    connect(item_code_a, &LookupField::changed, this, &ReversalForm::fillLine);
    connect(item_code_a, &LookupField::picked, this, &ReversalForm::fillLine);

    const QList<QWidget*> order = {BitBtn1, BitBtn2, bill_no_a, item_code_a, procure_date_a, price_a, qty_a};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

Reversal::Bill ReversalForm::chosenBill() const {
    return {bill_no_a->text(), warehouse_a->text(), warehouse_name_a->text(), partner_a->text(), partner_name_a->text()};
}

void ReversalForm::onBillChanged(const QString& bill) {
    if (bill.isEmpty()) {
        for (QLineEdit* e : {warehouse_a, warehouse_name_a, partner_a, partner_name_a}) e->clear();
        lineReset();
        clearLineDetails(QString());
        return;
    }
    item_code_a->setText(QString()); // empties the picked line's details
    item_code_a->closeList();
    m_linesOf.clear();
    // The bill as picked: the list row under the cursor, else the first row with that number.
    const int row = bill_no_a->pickedRow();
    const QString partner = Reversal::partnerColumn(kind());
    const auto val = [&](const QString& f) { return bill_no_a->rowValue(row, f).toString(); };
    warehouse_a->setText(val(QStringLiteral("warehouse")));
    warehouse_name_a->setText(val(QStringLiteral("warehouse_name")));
    partner_a->setText(val(partner));
    partner_name_a->setText(val(partner + QStringLiteral("_name")));
}

void ReversalForm::onLineEntered() {
    if (m_refusingEntry) return;
    if (bill_no_a->text().isEmpty()) {
        m_refusingEntry = true;
        item_code_a->hidePopup();
        Msg::dravont(this, QStringLiteral("请输入 红字单据号"));
        bill_no_a->setFocus();
        m_refusingEntry = false;
        return;
    }
    loadLines();
}

void ReversalForm::loadLines() {
    if (bill_no_a->text().isEmpty()) return;
    // The list is built once per chosen bill: the focus coming back from the list's own popup must
    // not rebuild it under the row being picked.
    const Reversal::Bill bill = chosenBill();
    const QString key = QStringList{bill.billNo, bill.warehouse, bill.partner}.join(QChar(0x1f));
    if (key == m_linesOf && item_code_a->listRowCount() > 0) return;
    if (guarded(this, [&] {
            const ListQuery lines = Reversal::lineList(kind(), bill);
            item_code_a->setList(lines.sql, lines.params);
        }))
        m_linesOf = key;
}

void ReversalForm::fillLine() {
    const int row = item_code_a->text().isEmpty() ? -1 : item_code_a->pickedRow();
    if (row < 0) {
        clearLineDetails(QString());
        return;
    }
    const auto val = [&](const char* f) { return item_code_a->rowValue(row, QString::fromLatin1(f)).toString(); };
    order_no_a->setText(val("order_no"));
    const struct {
        QLineEdit* box;
        const char* field;
    } fills[] = {{item_name_a, "item_name"},         {item_model_a, "item_model"},   {item_spec_a, "item_spec"},
                 {arrage_code_b_a, "arrage_code_b"}, {arrage_name_b_a, "arrage_name_b"},
                 {arrage_code_s_a, "arrage_code_s"}, {arrage_name_s_a, "arrage_name_s"},
                 {attr_code_a, "attr_code"},         {attr_name_a, "attr_name"},     {size_code_a, "size_code"},
                 {size_name_a, "size_name"},         {stage_code_a, "stage_code"},   {stage_name_a, "stage_name"}};
    for (const auto& f : fills) f.box->setText(val(f.field).trimmed());
    price_a_tmp->setText(val("price"));
    qty_a_tmp->setText(val("qty"));
    // A clerk who does not see prices reverses at the posted price.
    if (price_a->isHidden()) price_a->setText(val("price"));
}

void ReversalForm::clearLineDetails(const QString& postedFigures) {
    const QList<QLineEdit*> details = {item_name_a,     item_model_a,    item_spec_a,   order_no_a,  arrage_code_b_a,
                                       arrage_name_b_a, arrage_code_s_a, arrage_name_s_a, attr_code_a, attr_name_a,
                                       size_code_a,     size_name_a,     stage_code_a,    stage_name_a};
    for (QLineEdit* e : details) e->clear();
    price_a_tmp->setText(postedFigures);
    qty_a_tmp->setText(postedFigures);
}

void ReversalForm::lineReset() {
    item_code_a->setText(QString());
    clearLineDetails(QString());
    price_a->reset();
    qty_a->reset();
}

void ReversalForm::fullReset() {
    bill_no_a->setText(QString());
    for (QLineEdit* e : {warehouse_a, warehouse_name_a, partner_a, partner_name_a}) e->clear();
    procure_date_a->setToday();
    lineReset();
    clearLineDetails(QStringLiteral("0.00"));
}

void ReversalForm::lockHeader(bool on) { bill_no_a->setReadOnly(on); }

Reversal::RedLine ReversalForm::gathered() const {
    Reversal::RedLine l;
    l.kind = kind();
    l.bill = chosenBill();
    l.sourceOrderNo = order_no_a->text();
    l.price = price_a->text();
    l.item = gatheredItem();
    l.qty = qty_a->text();
    l.date = procure_date_a->dateText();
    return l;
}

void ReversalForm::addLine() {
    const Reversal::RedLine line = gathered();
    // A red stock-in line takes the goods out again.
    if (const auto qty = Numbers::parse(line.qty); qty && *qty > 0 && !line.bill.warehouse.isEmpty())
        if (!acceptShortfall(line.bill.warehouse, line.item, Posting::sign(kind()) * Numbers::round3(*qty))) return;
    stageLine([&] { return Reversal::stage(line); });
}
