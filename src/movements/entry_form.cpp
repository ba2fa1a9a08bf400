#include "movements/entry_form.h"

#include "barcodes/barcodes.h"
#include "barcodes/label_printer.h"
#include "ui/messages.h"
#include "ui/screens.h"
#include "data/numbers.h"
#include "data/session.h"
#include "fields/cascade.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "movements/matrix_entry.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "security/rights.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const auto caption = &EntryScreen::captionLabel;
const auto lookup = &EntryScreen::lookupField;
const auto nameBox = &EntryScreen::nameBox;
const auto hidden = &EntryScreen::hiddenField;
} // namespace

EntryForm::EntryForm(QWidget* parent, const Config& cfg)
    : EntryScreen(parent, cfg.kind, cfg.objectName, cfg.caption), m_cfg(cfg) {
    build();
    setFixedSize(980, 640);
    if (parent) move(parent->geometry().center() - rect().center());
    fullReset();
    guarded(this, [&] {
        reloadGrid();
        operation_code_a->setDeferredList(cfg.typeList);
        const Rights::List warehouses = Rights::warehouseList(Rights::Access::Operate);
        warehouse_a->setDeferredList(warehouses.sql, warehouses.params);
        partner_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_%1_ini ORDER BY %1").arg(cfg.partner));
        if (!cfg.stockRows) {
            m_cascade->openBigList();
            attr_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_attr ORDER BY attr_code"));
            size_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_size ORDER BY size_code"));
            stage_code_a->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_stage ORDER BY stage_code"));
        }
    });
    Screens::focusFirstField(this);
}

void EntryForm::build() {
    const QString d = m_cfg.direction;
    auto* upper = new QWidget(this);
    upper->setObjectName(QStringLiteral("Panel1"));
    auto* g = new QGridLayout(upper);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(8);

    bill_no_a = new QLineEdit(upper);
    bill_no_a->setObjectName(QStringLiteral("bill_no_a"));
    bill_no_a->setMaxLength(10);
    watchBillNo(bill_no_a);
    operation_code_a = lookup(upper, QStringLiteral("operation_code_a"), {"operation_code", "operation_name"});
    operation_name_a = nameBox(upper, QStringLiteral("operation_name_a"));
    warehouse_a = lookup(upper, QStringLiteral("warehouse_a"), {"warehouse", "warehouse_name"});
    warehouse_name_a = nameBox(upper, QStringLiteral("warehouse_name_a"));
    procure_date_a = new DatePicker(upper);
    procure_date_a->setObjectName(QStringLiteral("procure_date_a"));
    partner_a = lookup(upper, m_cfg.partner + QStringLiteral("_a"), {m_cfg.partner, m_cfg.partner + "_name"});
    partner_name_a = nameBox(upper, m_cfg.partner + QStringLiteral("_name_a"));
    arrage_code_b_a = lookup(upper, QStringLiteral("arrage_code_b_a"), {"arrage_code_b", "arrage_name_b"});
    arrage_name_b_a = nameBox(upper, QStringLiteral("arrage_name_b_a"));
    arrage_code_s_a = lookup(upper, QStringLiteral("arrage_code_s_a"), {"arrage_code_s", "arrage_name_s"});
    arrage_name_s_a = nameBox(upper, QStringLiteral("arrage_name_s_a"));
    item_code_a = lookup(upper, QStringLiteral("item_code_a"), {});
    item_name_a = nameBox(upper, QStringLiteral("item_name_a"));
    item_model_a = nameBox(upper, QStringLiteral("item_model_a"));
    item_spec_a = nameBox(upper, QStringLiteral("item_spec_a"));
    attr_name_a = nameBox(upper, QStringLiteral("attr_name_a"));
    size_name_a = nameBox(upper, QStringLiteral("size_name_a"));
    stage_name_a = nameBox(upper, QStringLiteral("stage_name_a"));
    price_a = new NumericEdit(upper);
    price_a->setObjectName(QStringLiteral("price_a"));
    qty_a = new NumericEdit(upper);
    qty_a->setObjectName(QStringLiteral("qty_a"));
    Focus_flag = hidden(upper, QStringLiteral("Focus_flag"));

    int r = 0;
    g->addWidget(caption(d + QStringLiteral("单号："), upper), r, 0);
    g->addWidget(bill_no_a, r, 1);
    g->addWidget(caption(d + QStringLiteral("类型："), upper), r, 3);
    g->addWidget(operation_code_a, r, 4);
    g->addWidget(operation_name_a, r, 5);
    g->addWidget(caption(QStringLiteral("仓库代码："), upper), r, 6);
    g->addWidget(warehouse_a, r, 7);
    g->addWidget(warehouse_name_a, r, 8);
    ++r;
    g->addWidget(caption(d + QStringLiteral("日期："), upper), r, 0);
    g->addWidget(procure_date_a, r, 1);
    g->addWidget(caption(m_cfg.partnerLabel + QStringLiteral("："), upper), r, 3);
    g->addWidget(partner_a, r, 4);
    g->addWidget(partner_name_a, r, 5);
    ++r;
    auto* line = new QFrame(upper);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    g->addWidget(line, r, 0, 1, 9);
    ++r;
    g->addWidget(createScanField(upper), r, 0, 1, 9);
    ++r;
    g->addWidget(caption(QStringLiteral("大类："), upper), r, 0);
    g->addWidget(arrage_code_b_a, r, 1);
    g->addWidget(arrage_name_b_a, r, 2);
    g->addWidget(caption(QStringLiteral("小类："), upper), r, 3);
    g->addWidget(arrage_code_s_a, r, 4);
    g->addWidget(arrage_name_s_a, r, 5);
    ++r;
    g->addWidget(caption(QStringLiteral("项目代码："), upper), r, 0);
    g->addWidget(item_code_a, r, 1);
    g->addWidget(item_name_a, r, 2);
    g->addWidget(caption(QStringLiteral("型号："), upper), r, 3);
    g->addWidget(item_model_a, r, 4, 1, 2);
    g->addWidget(caption(QStringLiteral("规格："), upper), r, 6);
    g->addWidget(item_spec_a, r, 7, 1, 2);
    ++r;
    if (m_cfg.stockRows) {
        ID_a = hidden(upper, QStringLiteral("ID_a"));
        attr_hidden = hidden(upper, QStringLiteral("attr_code_a"));
        size_hidden = hidden(upper, QStringLiteral("size_code_a"));
        stage_hidden = hidden(upper, QStringLiteral("stage_code_a"));
        g->addWidget(caption(QStringLiteral("属性："), upper), r, 0);
        g->addWidget(attr_name_a, r, 1, 1, 2);
        g->addWidget(caption(QStringLiteral("尺寸："), upper), r, 3);
        g->addWidget(size_name_a, r, 4, 1, 2);
        g->addWidget(caption(QStringLiteral("等级："), upper), r, 6);
        g->addWidget(stage_name_a, r, 7, 1, 2);
    } else {
        attr_code_a = lookup(upper, QStringLiteral("attr_code_a"), {"attr_code", "attr_name"});
        size_code_a = lookup(upper, QStringLiteral("size_code_a"), {"size_code", "size_name"});
        stage_code_a = lookup(upper, QStringLiteral("stage_code_a"), {"stage_code", "stage_name"});
        bindNameBox(attr_code_a, attr_name_a, QStringLiteral("attr_name"));
        bindNameBox(size_code_a, size_name_a, QStringLiteral("size_name"));
        bindNameBox(stage_code_a, stage_name_a, QStringLiteral("stage_name"));
        g->addWidget(caption(QStringLiteral("属性："), upper), r, 0);
        g->addWidget(attr_code_a, r, 1);
        g->addWidget(attr_name_a, r, 2);
        g->addWidget(caption(QStringLiteral("尺寸："), upper), r, 3);
        g->addWidget(size_code_a, r, 4);
        g->addWidget(size_name_a, r, 5);
        g->addWidget(caption(QStringLiteral("等级："), upper), r, 6);
        g->addWidget(stage_code_a, r, 7);
        g->addWidget(stage_name_a, r, 8);
    }
    ++r;
    g->addWidget(caption(d + QStringLiteral("价格："), upper), r, 0);
    g->addWidget(price_a, r, 1);
    g->addWidget(caption(d + QStringLiteral("数量："), upper), r, 3);
    g->addWidget(qty_a, r, 4);
    createButtons(upper);
    g->addWidget(BitBtn1, r, 7);
    g->addWidget(BitBtn2, r, 8);
    BitBtn5 = new QPushButton(QStringLiteral("矩阵录入…"), upper);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    BitBtn5->setAutoDefault(false);
    BitBtn5->setEnabled(false);
    g->addWidget(BitBtn5, r, 6);
    connect(item_code_a, &LookupField::changed, BitBtn5, [this](const QString& t) { BitBtn5->setEnabled(!t.isEmpty()); });
    connect(BitBtn5, &QPushButton::clicked, this, &EntryForm::openMatrix);

    operation_code_a->setMinimumWidth(90);
    bindNameBox(operation_code_a, operation_name_a, QStringLiteral("operation_name"));
    bindSealedWarehouse(warehouse_a, warehouse_name_a);
    bindNameBox(partner_a, partner_name_a, m_cfg.partner + QStringLiteral("_name"));

    CategoryCascade::Fields f{arrage_code_b_a, arrage_name_b_a, arrage_code_s_a, arrage_name_s_a, item_code_a,
                              item_name_a,     item_model_a,    item_spec_a,     Focus_flag};
    if (m_cfg.stockRows)
        m_cascade = new CategoryCascade(this, f,
                                        {warehouse_a, [this] { return warehouse_a->text(); }, ID_a, attr_hidden,
                                         attr_name_a, size_hidden, size_name_a, stage_hidden, stage_name_a, qty_a});
    else
        m_cascade = new CategoryCascade(this, f);

    createGrid({{"item_code", "项目代码", 80},
                {"item_name", "项目名称", 150},
                {"item_model", "型号", 100},
                {"item_spec", "规格", 100},
                {"price", "价格", 100},
                {"qty", "数量", 100, "#,##0.##"},
                {"attr_name", "属性", 100},
                {"size_name", "尺寸", 100},
                {"stage_name", "等级", 100},
                {"arrage_name_b", "大类", 100},
                {"arrage_name_s", "小类", 100}},
               QStringLiteral("item_code"));
    if (m_cfg.kind == LineKind::StockIn) {
        auto* labels = new QAction(QStringLiteral("打印标签…"), this);
        labels->setObjectName(QStringLiteral("N3"));
        DBGrid1->addContextAction(labels);
        DBGrid1->setMultiSelect(true);
        connect(labels, &QAction::triggered, this, [this] { LabelPrinter::previewChosenLines(DBGrid1); });
    }
    assemble(upper);
    m_prices = Forms::showPrices(this, {price_a});

    QList<QWidget*> order = {BitBtn1, BitBtn2, operation_code_a, warehouse_a, partner_a, arrage_code_b_a,
                             arrage_code_s_a, item_code_a};
    if (!m_cfg.stockRows) order << attr_code_a << size_code_a << stage_code_a;
    order << procure_date_a << bill_no_a << price_a << qty_a << BitBtn5;
    connect(item_code_a, &LookupField::entered, this, [this] { setFilledByScan(false); });
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QString EntryForm::attrCode() const { return m_cfg.stockRows ? attr_hidden->text() : attr_code_a->text(); }
QString EntryForm::sizeCode() const { return m_cfg.stockRows ? size_hidden->text() : size_code_a->text(); }
QString EntryForm::stageCode() const { return m_cfg.stockRows ? stage_hidden->text() : stage_code_a->text(); }

QString EntryForm::fillFromScan(const Barcodes::Variant& v) {
    if (m_cfg.stockRows) {
        // A stock-out takes the balance row of that key in the chosen warehouse.
        if (warehouse_a->text().isEmpty()) return QStringLiteral("仓库代码 不能为空");
        const auto id = Barcodes::balanceRow(warehouse_a->text(), v.key());
        if (!id) return Barcodes::NoStockMessage;
        m_cascade->pick(*id);
    } else {
        m_cascade->pick(v.item.itemCode);
        attr_code_a->setText(v.item.attrCode);
        size_code_a->setText(v.item.sizeCode);
        stage_code_a->setText(v.item.stageCode);
    }
    qty_a->setText(QStringLiteral("1"));
    qty_a->reformat();
    return {};
}

void EntryForm::lineReset() {
    setFilledByScan(false);
    m_cascade->reset();
    if (!m_cfg.stockRows) {
        attr_code_a->setText(QString());
        size_code_a->setText(QString());
        stage_code_a->setText(QString());
    }
    attr_name_a->clear();
    size_name_a->clear();
    stage_name_a->clear();
    price_a->reset();
    qty_a->reset();
    Focus_flag->clear();
}

void EntryForm::fullReset() {
    bill_no_a->clear();
    operation_code_a->setText(QString());
    warehouse_a->setText(QString());
    partner_a->setText(QString());
    operation_name_a->clear();
    warehouse_name_a->clear();
    partner_name_a->clear();
    procure_date_a->setToday();
    lineReset();
}

void EntryForm::lockHeader(bool on) {
    bill_no_a->setReadOnly(on);
    Forms::showLocked(bill_no_a, on);
    operation_code_a->setReadOnly(on);
    warehouse_a->setReadOnly(on);
    partner_a->setReadOnly(on);
    procure_date_a->setEnabled(!on);
}

bool EntryForm::checkHeader(bool lineCodes) {
    // What leaving a field would check runs first: the bill number (unless this number was
    // checked already), a sealed warehouse.
    if (!checkBill()) return false;
    warehouse_a->flushCommit();
    const struct {
        QString text;
        QString message;
    } checks[] = {
        {bill_no_a->text(), m_cfg.billEmpty},
        {operation_code_a->text(), m_cfg.direction + QStringLiteral("类型 不能为空")},
        {warehouse_a->text(), QStringLiteral("仓库代码 不能为空")},
        {partner_a->text(), m_cfg.partnerLabel + QStringLiteral(" 不能为空")},
        {arrage_code_b_a->text(), QStringLiteral("大类 不能为空")},
        {arrage_code_s_a->text(), QStringLiteral("小类 不能为空")},
        {item_code_a->text(), QStringLiteral("项目代码 不能为空")},
        // The matrix takes attribute and size from its cells: those two checks pass for it.
        {lineCodes ? attrCode() : QStringLiteral("-"), QStringLiteral("属性 不能为空")},
        {lineCodes ? sizeCode() : QStringLiteral("-"), QStringLiteral("尺寸 不能为空")},
        {stageCode(), QStringLiteral("等级 不能为空")},
    };
    for (const auto& c : checks) {
        if (c.text.isEmpty()) {
            Msg::notice(this, c.message);
            return false;
        }
    }
    // A type typed by hand that is not one of this screen's types would post with the other
    // direction's sign: refused.
    if (operation_code_a->findRow(QStringLiteral("operation_code"), operation_code_a->text()) < 0) {
        Msg::notice(this, m_cfg.direction + QStringLiteral("类型 不存在"));
        operation_code_a->setFocus();
        return false;
    }
    // Every code must be one of its list: a code typed by hand that no record holds, or an item
    // of another category, is refused at its field.
    QWidget* lineField = m_cfg.stockRows ? static_cast<QWidget*>(item_code_a) : nullptr;
    const struct {
        const char* column;
        QString code;
        QWidget* field;
    } codes[] = {
        {"warehouse", warehouse_a->text(), warehouse_a},
        {"operation_code", operation_code_a->text(), operation_code_a},
        {"arrage_code_b", arrage_code_b_a->text(), arrage_code_b_a},
        {"arrage_code_s", arrage_code_s_a->text(), arrage_code_s_a},
        {"item_code", item_code_a->text(), item_code_a},
        {"attr_code", lineCodes ? attrCode() : QString(), lineField ? lineField : attr_code_a},
        {"size_code", lineCodes ? sizeCode() : QString(), lineField ? lineField : size_code_a},
        {"stage_code", stageCode(), lineField ? lineField : stage_code_a},
    };
    Staging::Values values{{m_cfg.partner, partner_a->text()}};
    for (const auto& c : codes) values.append({QString::fromLatin1(c.column), c.code});
    Staging::UnknownCode unknown;
    if (!guarded(this, [&] { unknown = Staging::unknownCode(values, true); })) return false;
    QWidget* at = unknown.column == m_cfg.partner ? partner_a : nullptr;
    for (const auto& c : codes)
        if (unknown.column == QLatin1String(c.column)) at = c.field;
    // A stock-out's item is one of the warehouse's stock rows.
    if (!at && m_cfg.stockRows && m_cascade->itemOutsideList()) {
        unknown = {QStringLiteral("item_code"), QStringLiteral("项目代码 不存在")};
        at = item_code_a;
    }
    if (at) {
        if (unknown.column == m_cfg.partner) unknown.message = m_cfg.partnerLabel + QStringLiteral(" 不存在");
        Msg::notice(this, unknown.message);
        at->setFocus();
        return false;
    }
    return true;
}

void EntryForm::addLine() {
    if (!checkHeader(true)) return;
    // The checks test the values as they will be stored: rounded to 3 decimals.
    auto price = price_a->value();
    if (!price) {
        Msg::error(this, QStringLiteral("'%1' 不是有效的数值").arg(price_a->text()));
        return;
    }
    if (!Numbers::inRange(*price) || (m_cfg.stockRows && m_prices ? Numbers::round3(*price) <= 0 : Numbers::round3(*price) < 0)) {
        Msg::notice(this, QStringLiteral("请输入正确价格"));
        return;
    }
    auto qty = qty_a->value();
    if (!qty) {
        Msg::error(this, QStringLiteral("'%1' 不是有效的数值").arg(qty_a->text()));
        return;
    }
    if (!Numbers::inRange(*qty) || Numbers::round3(*qty) <= 0) {
        Msg::notice(this, QStringLiteral("请输入正确数量"));
        return;
    }
    price = Numbers::round3(*price);
    qty = Numbers::round3(*qty);
    if (!acceptShortfall(warehouse_a->text(), gatheredItem(), Posting::sign(m_cfg.kind) * *qty)) return;
    const QString partner = m_cfg.partner;
    guarded(this, [&] {
        // The staged lines are read again with the COMMIT (one round trip to a server).
        reloadGridAfter([&](const QList<Sql::Bound>& reads, const GridModel::Reader& take) {
            OrderNumbers::stageWithNumber(
                [&](const QString& orderNo) {
                    Staging::insert({{"item_code", item_code_a->text()},
                                     {"item_name", item_name_a->text()},
                                     {"item_model", item_model_a->text()},
                                     {"item_spec", item_spec_a->text()},
                                     {"arrage_code_b", arrage_code_b_a->text()},
                                     {"arrage_name_b", arrage_name_b_a->text()},
                                     {"arrage_code_s", arrage_code_s_a->text()},
                                     {"arrage_name_s", arrage_name_s_a->text()},
                                     {"attr_code", attrCode()},
                                     {"attr_name", attr_name_a->text()},
                                     {"size_code", sizeCode()},
                                     {"size_name", size_name_a->text()},
                                     {"stage_code", stageCode()},
                                     {"stage_name", stage_name_a->text()},
                                     {"price", *price},
                                     {"qty", *qty},
                                     {"bill_no", bill_no_a->text()},
                                     {"operation_code", operation_code_a->text()},
                                     {"operation_name", operation_name_a->text()},
                                     {"warehouse", warehouse_a->text()},
                                     {"warehouse_name", warehouse_name_a->text()},
                                     {"procure_date", procure_date_a->dateText()},
                                     {partner, partner_a->text()},
                                     {partner + "_name", partner_name_a->text()},
                                     {"order_no", orderNo},
                                     {"login_id", Session::userCode()},
                                     {"operation_date", Dates::today()},
                                     {"operation_time", Dates::timeOfDay()}});
                },
                reads, take);
        });
        setHeaderLocked(true);
    });
}

void EntryForm::openMatrix() {
    if (!checkHeader(false)) return;
    Matrix::Entry e;
    e.header = {m_cfg.kind,           bill_no_a->text(),        operation_code_a->text(), operation_name_a->text(),
                warehouse_a->text(),  warehouse_name_a->text(), procure_date_a->dateText(), partner_a->text(),
                partner_name_a->text()};
    e.item = gatheredItem();
    e.price = price_a->text();
    guarded(this, [&] {
        MatrixEntry dialog(this, e);
        if (filledByScan()) dialog.barcode_m->edit()->setFocus(); // the scanner goes on in the matrix
        if (Msg::runModal(&dialog) != QDialog::Accepted) return;
        reloadGrid();
        setHeaderLocked(true);
    });
}
