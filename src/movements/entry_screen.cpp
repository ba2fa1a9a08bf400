#include "movements/entry_screen.h"

#include "barcodes/barcodes.h"
#include "data/session.h"
#include "documents/document_printer.h"
#include "fields/form_helpers.h"

#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/short_stock_form.h"
#include "ui/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QFocusEvent>
#include <QVBoxLayout>

EntryScreen::EntryScreen(QWidget* parent, LineKind kind, const QString& objectName, const QString& caption)
    : QDialog(parent), m_kind(kind) {
    setObjectName(objectName);
    setWindowTitle(caption);
    // A fixed-size dialog: no maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
}

QLabel* EntryScreen::captionLabel(const QString& text, QWidget* parent) { return Forms::caption(text, parent); }

LookupField* EntryScreen::lookupField(QWidget* parent, const QString& name, const QStringList& columns) {
    return Forms::lookup(parent, name, columns);
}

NameBox* EntryScreen::nameBox(QWidget* parent, const QString& name) { return Forms::nameBox(parent, name); }

QLineEdit* EntryScreen::hiddenField(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->hide();
    return e;
}

void EntryScreen::PanelGrid::add(const QString& caption, QWidget* field, QWidget* second, int column) {
    grid->addWidget(captionLabel(caption, panel), row, column);
    grid->addWidget(field, row, column + 1);
    if (second) grid->addWidget(second, row, column + 2);
}

void EntryScreen::PanelGrid::separator() {
    next();
    auto* line = new QFrame(panel);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, row, 0, 1, 9);
    next();
}

void EntryScreen::createGrid(const QList<GridColumn>& columns, const QString& sortField) {
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(columns);
    DBGrid1->model()->setSort(sortField, Qt::AscendingOrder);
    DBGrid1->setRowsFitText(true);
    auto* del = new QAction(QStringLiteral("删除"), this);
    del->setObjectName(QStringLiteral("N1"));
    DBGrid1->addContextAction(del);
    connect(del, &QAction::triggered, this, &EntryScreen::deleteLine);
    auto* print = new QAction(QStringLiteral("打印单据…"), this);
    print->setObjectName(QStringLiteral("N2"));
    DBGrid1->addContextAction(print);
    connect(print, &QAction::triggered, this, [this] { DocumentPrinter::previewDraft(this, m_kind); });
}

void EntryScreen::createButtons(QWidget* upper) {
    BitBtn1 = new QPushButton(QStringLiteral("确定"), upper);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), upper);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
}

void EntryScreen::assemble(QWidget* upper) {
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

    connect(BitBtn1, &QPushButton::clicked, this, &EntryScreen::addLine);
    connect(BitBtn2, &QPushButton::clicked, this, &EntryScreen::clearFields);
    connect(BitBtn4, &QPushButton::clicked, this, &EntryScreen::post);
    connect(BitBtn3, &QPushButton::clicked, this, &EntryScreen::leave);
}

QString EntryScreen::fieldText(const QString& name) const {
    if (auto* combo = findChild<QComboBox*>(name)) return combo->currentText();
    if (auto* edit = findChild<QLineEdit*>(name)) return edit->text();
    return {};
}

StagedItem EntryScreen::gatheredItem() const {
    const auto t = [this](const char* name) { return fieldText(QString::fromLatin1(name)); };
    return {t("item_code_a"),     t("item_name_a"),     t("item_model_a"),    t("item_spec_a"),
            t("arrage_code_b_a"), t("arrage_name_b_a"), t("arrage_code_s_a"), t("arrage_name_s_a"),
            t("attr_code_a"),     t("attr_name_a"),     t("size_code_a"),     t("size_name_a"),
            t("stage_code_a"),    t("stage_name_a")};
}

void EntryScreen::stageLine(const std::function<Refusal()>& stage) {
    guarded(this, [&] {
        const Refusal r = stage();
        if (r.refused()) {
            r.conversion ? Msg::error(this, r.message) : Msg::notice(this, r.message);
            if (auto* field = r.field.isEmpty() ? nullptr : findChild<QWidget*>(r.field)) field->setFocus();
            return;
        }
        reloadGrid();
        setHeaderLocked(true);
    });
}

void EntryScreen::watchBillNo(QLineEdit* bill) {
    m_bill = bill;
    bill->installEventFilter(this);
}

ScanField* EntryScreen::createScanField(QWidget* upper) {
    barcode_a = new ScanField(upper, QStringLiteral("barcode_a"), true);
    barcode_a->handler = [this](const QString& code) { return onScan(code); };
    barcode_a->leaveTabChain();
    QCheckBox* commit = barcode_a->commitBox();
    guarded(this, [&] { commit->setChecked(Barcodes::scanCommit(Session::userCode())); });
    connect(commit, &QCheckBox::toggled, this,
            [this](bool on) { guarded(this, [&] { Barcodes::saveScanCommit(Session::userCode(), on); }); });
    return barcode_a;
}

ScanField::Answer EntryScreen::onScan(const QString& code) {
    std::optional<Barcodes::Variant> v;
    QString refusal;
    try {
        v = Barcodes::resolve(code);
        if (v) refusal = fillFromScan(*v);
    } catch (const DbError& e) {
        barcode_a->say(e.text());
        return ScanField::Answer::Refused;
    }
    if (!v) {
        barcode_a->say(QStringLiteral("未知条码 %1").arg(code));
        return ScanField::Answer::Unknown;
    }
    if (!refusal.isEmpty()) {
        barcode_a->say(refusal);
        return ScanField::Answer::Refused;
    }
    m_scanFilled = true;
    barcode_a->say(QString());
    if (barcode_a->commitBox()->isChecked()) {
        // The same checks and the same staged line as "确定"; a refusal is shown as there.
        const int before = m_stagings;
        addLine();
        if (m_stagings == before) return ScanField::Answer::Refused;
    }
    return ScanField::Answer::Taken;
}

void EntryScreen::setHeaderLocked(bool on) {
    if (on) ++m_stagings;
    else if (barcode_a && m_locked) barcode_a->resetPieces(); // the bill is done: a new count
    m_locked = on;
    lockHeader(on);
}

void EntryScreen::reloadGrid() { DBGrid1->open(Staging::gridStatement(m_kind), Staging::gridParams()); }

void EntryScreen::reloadGridAfter(const GridModel::Maker& write) {
    DBGrid1->open(Staging::gridStatement(m_kind), Staging::gridParams(), write);
}

bool EntryScreen::eventFilter(QObject* o, QEvent* e) {
    if (m_bill && o == m_bill && e->type() == QEvent::FocusOut && !m_bill->isReadOnly() && !m_billPending) {
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

bool EntryScreen::checkBill() {
    m_billPending = false;
    if (!m_bill) return true;
    // Leaving the field again with the same number is allowed.
    const QString bill = m_bill->text();
    if (m_bill->isReadOnly() || bill == m_billChecked) return true;
    m_billChecked = bill;
    bool used = false;
    guarded(this, [&] { used = OrderNumbers::billNoUsed(bill); });
    if (used) {
        Msg::notice(this, OrderNumbers::BillUsedMessage);
        m_bill->setFocus();
    }
    return !used;
}

void EntryScreen::clearFields() {
    if (DBGrid1->currentRow() >= 0) {
        lineReset();
    } else {
        setHeaderLocked(false);
        fullReset();
        m_billChecked.clear(); // a number typed again is checked again
    }
}

void EntryScreen::deleteLine() {
    if (DBGrid1->currentRow() < 0) return;
    guarded(this, [&] {
        const bool deleted = Staging::deleteLine(DBGrid1->currentValue(QStringLiteral("order_no")).toString());
        reloadGrid();
        if (!deleted) Msg::notice(this, QStringLiteral("该记录已不存在。"));
    });
}

void EntryScreen::post() {
    if (DBGrid1->currentRow() < 0) {
        Msg::notice(this, QStringLiteral("不存在过帐记录."));
        return;
    }
    if (!Msg::askDravont(this, QStringLiteral("确定过帐？"))) return;
    Documents::PostedRow bill;
    QList<Posting::ShortKey> shorts;
    const bool posted = guarded(this, [&] {
        bill = Documents::stagedBill(m_kind);
        try {
            Posting::post(m_kind);
        } catch (const Posting::Shortage& s) {
            shorts = s.keys();
            return;
        }
        reloadGrid();
        setHeaderLocked(false);
        m_billChecked.clear(); // the number just posted is refused when the field is left again
        Msg::dravont(this, Posting::successMessage(m_kind));
    });
    if (!shorts.isEmpty()) {
        // Nothing was posted: the staged lines stay for the clerk to correct.
        ShortStock_form list(this, shorts);
        Msg::runModal(&list);
        return;
    }
    if (posted) DocumentPrinter::offerAfterPosting(this, bill);
}

bool EntryScreen::acceptShortfall(const QString& warehouse, const StagedItem& key, double change) {
    std::optional<Posting::Shortfall> s;
    if (!guarded(this, [&] { s = Posting::shortfall(m_kind, warehouse, key, change); })) return false;
    return !s || Msg::askDravont(this, Posting::shortfallQuestion(*s, change));
}

bool EntryScreen::confirmLeave() {
    if (DBGrid1->rowCount() > 0) {
        if (!Msg::askDravont(this, QStringLiteral("存在未过帐记录，退出后删除，确定退出？"))) return false;
        if (!guarded(this, [&] { Staging::discard(m_kind); })) return false;
    }
    setHeaderLocked(false);
    return true;
}

void EntryScreen::leave() {
    if (!confirmLeave()) return;
    m_leaving = true;
    accept();
}

void EntryScreen::reject() {
    // Esc is the "取消" button of an entry screen.
    clearFields();
}

void EntryScreen::closeEvent(QCloseEvent* e) {
    // The title-bar close box behaves like "返回" (not like Esc, which is "取消" here).
    if (!m_leaving && !confirmLeave()) {
        e->ignore();
        return;
    }
    m_leaving = true;
    e->accept();
    done(QDialog::Rejected);
}
