#include "movements/entry_form.h"

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
#include "movements/order_numbers.h"
#include "movements/posting.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

LookupField* lookup(QWidget* parent, const QString& name, const QStringList& columns) {
    auto* f = new LookupField(parent);
    f->setObjectName(name);
    f->setListColumns(columns);
    f->setMinimumWidth(90);
    return f;
}

NameBox* nameBox(QWidget* parent, const QString& name) {
    auto* n = new NameBox(parent);
    n->setObjectName(name);
    n->setMinimumWidth(110);
    return n;
}

QLineEdit* hidden(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->hide();
    return e;
}
} // namespace

EntryForm::EntryForm(QWidget* parent, const Config& cfg) : QDialog(parent), m_cfg(cfg) {
    setObjectName(cfg.objectName);
    setWindowTitle(cfg.caption);
    // A fixed-size dialog: no maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    build();
    setFixedSize(980, 640);
    if (parent) move(parent->geometry().center() - rect().center());
    fullReset();
    guarded(this, [&] {
        reloadGrid();
        operation_code_a->setList(cfg.typeList);
        warehouse_a->setList(QStringLiteral("SELECT * FROM kesp_warehouse_ini ORDER BY warehouse"));
        partner_a->setList(QStringLiteral("SELECT * FROM kesp_%1_ini ORDER BY %1").arg(cfg.partner));
        if (!cfg.stockRows) {
            m_cascade->openBigList();
            attr_code_a->setList(QStringLiteral("SELECT * FROM kesp_item_attr ORDER BY attr_code"));
            size_code_a->setList(QStringLiteral("SELECT * FROM kesp_item_size ORDER BY size_code"));
            stage_code_a->setList(QStringLiteral("SELECT * FROM kesp_item_stage ORDER BY stage_code"));
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
    bill_no_a->installEventFilter(this);
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
    BitBtn1 = new QPushButton(QStringLiteral("确定"), upper);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), upper);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    g->addWidget(BitBtn1, r, 7);
    g->addWidget(BitBtn2, r, 8);

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

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"item_code", "项目代码", 80},
                         {"item_name", "项目名称", 150},
                         {"item_model", "型号", 100},
                         {"item_spec", "规格", 100},
                         {"price", "价格", 100},
                         {"qty", "数量", 100, "#,##0.##"},
                         {"attr_name", "属性", 100},
                         {"size_name", "尺寸", 100},
                         {"stage_name", "等级", 100},
                         {"arrage_name_b", "大类", 100},
                         {"arrage_name_s", "小类", 100}});
    DBGrid1->model()->setSort(QStringLiteral("item_code"), Qt::AscendingOrder);
    DBGrid1->setRowsFitText(true);
    auto* del = new QAction(QStringLiteral("删除"), this);
    del->setObjectName(QStringLiteral("N1"));
    DBGrid1->addContextAction(del);
    connect(del, &QAction::triggered, this, &EntryForm::deleteLine);

    auto* lower = new QWidget(this);
    lower->setObjectName(QStringLiteral("Panel2"));
    auto* h = new QHBoxLayout(lower);
    h->addStretch();
    BitBtn4 = new QPushButton(QStringLiteral("过帐"), lower);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setAutoDefault(false);
    BitBtn3 = new QPushButton(QStringLiteral("返回"), lower);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);
    h->addWidget(BitBtn4);
    h->addWidget(BitBtn3);

    auto* v = new QVBoxLayout(this);
    v->addWidget(upper);
    v->addWidget(DBGrid1, 1);
    v->addWidget(lower);

    connect(BitBtn1, &QPushButton::clicked, this, &EntryForm::addLine);
    connect(BitBtn2, &QPushButton::clicked, this, &EntryForm::clearFields);
    connect(BitBtn4, &QPushButton::clicked, this, &EntryForm::post);
    connect(BitBtn3, &QPushButton::clicked, this, &EntryForm::leave);

    QList<QWidget*> order = {BitBtn1, BitBtn2, operation_code_a, warehouse_a, partner_a, arrage_code_b_a,
                             arrage_code_s_a, item_code_a};
    if (!m_cfg.stockRows) order << attr_code_a << size_code_a << stage_code_a;
    order << procure_date_a << bill_no_a << price_a << qty_a;
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QString EntryForm::attrCode() const { return m_cfg.stockRows ? attr_hidden->text() : attr_code_a->text(); }
QString EntryForm::sizeCode() const { return m_cfg.stockRows ? size_hidden->text() : size_code_a->text(); }
QString EntryForm::stageCode() const { return m_cfg.stockRows ? stage_hidden->text() : stage_code_a->text(); }

void EntryForm::lineReset() {
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
    m_billChecked.clear(); // a number typed again is checked again
    lineReset();
}

void EntryForm::setHeaderLocked(bool on) {
    m_locked = on;
    bill_no_a->setReadOnly(on);
    Forms::showLocked(bill_no_a, on);
    operation_code_a->setReadOnly(on);
    warehouse_a->setReadOnly(on);
    partner_a->setReadOnly(on);
    procure_date_a->setEnabled(!on);
}

void EntryForm::reloadGrid() { DBGrid1->open(Staging::gridStatement(m_cfg.kind), Staging::gridParams()); }

bool EntryForm::eventFilter(QObject* o, QEvent* e) {
    if (o == bill_no_a && e->type() == QEvent::FocusOut && !bill_no_a->isReadOnly() && !m_billPending) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            // The check runs from the event loop, not inside the focus change.
            m_billPending = true;
            QTimer::singleShot(0, this, [this] {
                if (m_billPending) checkBill();
            });
        }
    }
    return QDialog::eventFilter(o, e);
}

bool EntryForm::checkBill() {
    m_billPending = false;
    // Leaving the field again with the same number is allowed.
    const QString bill = bill_no_a->text();
    if (bill_no_a->isReadOnly() || bill == m_billChecked) return true;
    m_billChecked = bill;
    bool used = false;
    guarded(this, [&] { used = OrderNumbers::billNoUsed(bill); });
    if (used) {
        Msg::notice(this, OrderNumbers::BillUsedMessage);
        bill_no_a->setFocus();
    }
    return !used;
}

void EntryForm::addLine() {
    // What leaving a field would check runs first: the bill number (unless this number was
    // checked already), a sealed warehouse.
    if (!checkBill()) return;
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
        {attrCode(), QStringLiteral("属性 不能为空")},
        {sizeCode(), QStringLiteral("尺寸 不能为空")},
        {stageCode(), QStringLiteral("等级 不能为空")},
    };
    for (const auto& c : checks) {
        if (c.text.isEmpty()) {
            Msg::notice(this, c.message);
            return;
        }
    }
    // A type typed by hand that is not one of this screen's types would post with the other
    // direction's sign: refused.
    if (operation_code_a->findRow(QStringLiteral("operation_code"), operation_code_a->text()) < 0) {
        Msg::notice(this, m_cfg.direction + QStringLiteral("类型 不存在"));
        return;
    }
    // The checks test the values as they will be stored: rounded to 3 decimals.
    auto price = price_a->value();
    if (!price) {
        Msg::error(this, QStringLiteral("'%1' 不是有效的数值").arg(price_a->text()));
        return;
    }
    if (!Numbers::inRange(*price) || (m_cfg.stockRows ? Numbers::round3(*price) <= 0 : Numbers::round3(*price) < 0)) {
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
    const QString partner = m_cfg.partner;
    guarded(this, [&] {
        OrderNumbers::stageWithNumber([&](const QString& orderNo) {
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
        });
        reloadGrid();
        setHeaderLocked(true);
    });
}

void EntryForm::clearFields() {
    if (DBGrid1->currentRow() >= 0) {
        lineReset();
    } else {
        setHeaderLocked(false);
        fullReset();
    }
}

void EntryForm::deleteLine() {
    if (DBGrid1->currentRow() < 0) return;
    guarded(this, [&] {
        Staging::deleteLine(DBGrid1->currentValue(QStringLiteral("order_no")).toString());
        reloadGrid();
    });
}

void EntryForm::post() {
    if (DBGrid1->currentRow() < 0) {
        Msg::notice(this, QStringLiteral("不存在过帐记录."));
        return;
    }
    if (!Msg::askDravont(this, QStringLiteral("确定过帐？"))) return;
    guarded(this, [&] {
        Posting::post(m_cfg.kind);
        reloadGrid();
        setHeaderLocked(false);
        m_billChecked.clear(); // the number just posted is refused when the field is left again
        Msg::dravont(this, Posting::successMessage(m_cfg.kind));
    });
}

bool EntryForm::confirmLeave() {
    if (DBGrid1->rowCount() > 0) {
        if (!Msg::askDravont(this, QStringLiteral("存在未过帐记录，退出后删除，确定退出？"))) return false;
        if (!guarded(this, [&] { Staging::discard(m_cfg.kind); })) return false;
    }
    setHeaderLocked(false);
    return true;
}

void EntryForm::leave() {
    if (!confirmLeave()) return;
    m_leaving = true;
    accept();
}

void EntryForm::reject() {
    // Esc is the "取消" button of this window.
    clearFields();
}

void EntryForm::closeEvent(QCloseEvent* e) {
    // The title-bar close box behaves like "返回" (not like Esc, which is "取消" here).
    if (!m_leaving && !confirmLeave()) {
        e->ignore();
        return;
    }
    m_leaving = true;
    e->accept();
    done(QDialog::Rejected);
}
