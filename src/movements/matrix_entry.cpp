#include "movements/matrix_entry.h"
#include "fields/form_helpers.h"

#include "barcodes/barcodes.h"
#include "data/numbers.h"
#include "fields/numericedit.h"
#include "ui/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {
double typed(const QString& t) { return Numbers::round3(Numbers::parse(t).value_or(0)); }

// Cells are typed in the entry fields' numeric editor; Enter commits and opens the next cell.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(MatrixView* view, MatrixModel* model) : QStyledItemDelegate(view), m_view(view), m_model(model) {
        // Closed without taking the text (Esc): the totals go back to what the cell holds.
        connect(this, &QAbstractItemDelegate::closeEditor, model, &MatrixModel::endTyping);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* e = new NumericEdit(parent);
        e->setFrame(false);
        QObject::connect(e, &QLineEdit::textEdited, m_model,
                         [m = m_model, index = QPersistentModelIndex(index)](const QString& t) { m->setTyping(index, t); });
        return e;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* e = static_cast<NumericEdit*>(editor);
        const QString t = index.data(Qt::EditRole).toString();
        e->setText(t.isEmpty() ? QStringLiteral("0.00") : t);
        e->selectAll();
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* e = static_cast<NumericEdit*>(editor);
        if (Numbers::parse(e->text())) e->reformat(); // text that is no number stays for the refusal
        model->setData(index, e->text(), Qt::EditRole);
    }

protected:
    bool eventFilter(QObject* o, QEvent* ev) override {
        auto* editor = qobject_cast<QWidget*>(o);
        if (editor && ev->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(ev);
            switch (k->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::EditNextItem);
                return true;
            case Qt::Key_Tab:
            case Qt::Key_Backtab: {
                const bool forward = k->key() == Qt::Key_Tab && !(k->modifiers() & Qt::ShiftModifier);
                if (!m_view->atEdge(forward)) break;
                m_view->leave(forward);
                return true;
            }
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right: {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                QKeyEvent copy(k->type(), k->key(), k->modifiers());
                QApplication::sendEvent(m_view, &copy);
                return true;
            }
            default:
                break;
            }
        }
        return QStyledItemDelegate::eventFilter(o, ev);
    }

private:
    MatrixView* m_view;
    MatrixModel* m_model;
};
} // namespace

void MatrixModel::setLayout(LineKind kind, const Matrix::Layout& layout) {
    beginResetModel();
    m_out = kind == LineKind::StockOut;
    m_layout = layout;
    endResetModel();
}

bool MatrixModel::isCell(const QModelIndex& i) const {
    return i.isValid() && i.row() < m_layout.attrs.size() && i.column() < m_layout.sizes.size();
}

double MatrixModel::total(int row, int column) const {
    const auto counts = [&](const QString& key) {
        const int sep = int(key.indexOf(QChar(0x1f)));
        return (row < 0 || m_layout.attrs[row].code == key.left(sep)) &&
               (column < 0 || m_layout.sizes[column].code == key.mid(sep + 1));
    };
    double sum = 0;
    for (auto it = m_text.begin(); it != m_text.end(); ++it)
        if (it.key() != m_liveKey && counts(it.key())) sum += typed(it.value());
    if (!m_liveKey.isEmpty() && counts(m_liveKey)) sum += typed(m_liveText);
    return Numbers::round3(sum);
}

QVariant MatrixModel::data(const QModelIndex& i, int role) const {
    if (!i.isValid()) return {};
    const int rows = int(m_layout.attrs.size()), cols = int(m_layout.sizes.size());
    if (!isCell(i)) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return Numbers::footer(total(i.row() < rows ? i.row() : -1, i.column() < cols ? i.column() : -1));
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ForegroundRole) return QBrush(QColor(0, 0, 128));
        return {};
    }
    const QString a = m_layout.attrs[i.row()].code, s = m_layout.sizes[i.column()].code;
    const QString key = Matrix::cellKey(a, s);
    const bool has = m_layout.hasBalance(a, s);
    switch (role) {
    case Qt::EditRole:
        return m_text.value(key);
    case Qt::DisplayRole: {
        const QString t = m_text.value(key);
        const QString qty = typed(t) != 0 || !Numbers::parse(t) ? t : QString();
        if (!m_out) return qty;
        if (!has) return QStringLiteral("—");
        return (qty.isEmpty() ? QString() : qty + QStringLiteral("  ")) + QStringLiteral("[%1]").arg(
                   Numbers::footer(m_layout.balances.value(key)));
    }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        return m_out ? QStringLiteral("库存：%1").arg(has ? Numbers::footer(m_layout.balances.value(key)) : QStringLiteral("无"))
                     : QVariant();
    case Qt::ForegroundRole: {
        // Under the negative-stock guard a cell asking for more than the key holds is red.
        const QString t = key == m_liveKey ? m_liveText : m_text.value(key);
        if (m_out && m_layout.guarded && typed(t) > Numbers::round3(m_layout.balances.value(key)))
            return QBrush(QColor(Qt::red));
        return {};
    }
    case BalanceRole:
        return has ? QVariant(m_layout.balances.value(key)) : QVariant();
    case HasBalanceRole:
        return has;
    default:
        return {};
    }
}

bool MatrixModel::setData(const QModelIndex& i, const QVariant& v, int role) {
    if (role != Qt::EditRole || !(flags(i) & Qt::ItemIsEditable)) return false;
    const QString key = Matrix::cellKey(m_layout.attrs[i.row()].code, m_layout.sizes[i.column()].code);
    const QString text = v.toString();
    if (text.trimmed().isEmpty())
        m_text.remove(key);
    else
        m_text.insert(key, text);
    if (m_liveKey == key) m_liveKey.clear();
    emit dataChanged(i, i);
    totalsChanged(i);
    return true;
}

void MatrixModel::setTyping(const QModelIndex& i, const QString& text) {
    if (!isCell(i)) return;
    m_liveKey = Matrix::cellKey(m_layout.attrs[i.row()].code, m_layout.sizes[i.column()].code);
    m_liveText = text;
    m_liveCell = i;
    totalsChanged(i);
}

void MatrixModel::endTyping() {
    if (m_liveKey.isEmpty()) return;
    m_liveKey.clear();
    if (m_liveCell.isValid()) totalsChanged(m_liveCell);
}

void MatrixModel::totalsChanged(const QModelIndex& i) {
    const int lastRow = rowCount() - 1, lastCol = columnCount() - 1;
    emit dataChanged(index(i.row(), lastCol), index(i.row(), lastCol));
    emit dataChanged(index(lastRow, i.column()), index(lastRow, i.column()));
    emit dataChanged(index(lastRow, lastCol), index(lastRow, lastCol));
}

QList<Matrix::Cell> MatrixModel::cells() const {
    QList<Matrix::Cell> out;
    // In the order of the matrix, row by row, so the order numbers follow the rows.
    for (const auto& a : m_layout.attrs)
        for (const auto& s : m_layout.sizes) {
            const QString t = m_text.value(Matrix::cellKey(a.code, s.code));
            if (!t.isEmpty()) out.append({a.code, s.code, t});
        }
    return out;
}

bool MatrixModel::hasQuantities() const {
    for (const QString& t : m_text)
        if (typed(t) != 0 || !Numbers::parse(t)) return true;
    return false;
}

QVariant MatrixModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, o, role);
    const auto& list = o == Qt::Horizontal ? m_layout.sizes : m_layout.attrs;
    if (section >= list.size()) return QStringLiteral("合计");
    return list[section].name.isEmpty() ? list[section].code : list[section].name;
}

Qt::ItemFlags MatrixModel::flags(const QModelIndex& i) const {
    if (!isCell(i)) return Qt::NoItemFlags;
    // Stock-out picks balance rows: a cell without one takes nothing.
    if (m_out && !m_layout.hasBalance(m_layout.attrs[i.row()].code, m_layout.sizes[i.column()].code))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

MatrixView::MatrixView(QWidget* parent) : QTableView(parent) {
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
}

void MatrixView::commitOpenCell() {
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void MatrixView::moveNext() {
    const QModelIndex next = moveCursor(MoveNext, Qt::NoModifier);
    if (next.isValid()) setCurrentIndex(next);
}

bool MatrixView::atEdge(bool forward) {
    const QModelIndex cur = currentIndex();
    const QModelIndex next = moveCursor(forward ? MoveNext : MovePrevious, Qt::NoModifier);
    if (!cur.isValid() || !next.isValid()) return true;
    const int from = cur.row() * model()->columnCount() + cur.column();
    const int to = next.row() * model()->columnCount() + next.column();
    return forward ? to <= from : to >= from;
}

void MatrixView::leave(bool forward) {
    commitOpenCell();
    QWidget::focusNextPrevChild(forward); // the dialog's chain, not the view's wrap-round
}

bool MatrixView::focusNextPrevChild(bool next) {
    if (!atEdge(next)) return QTableView::focusNextPrevChild(next);
    leave(next);
    return true;
}

void MatrixView::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && state() != EditingState) {
        moveNext();
        return;
    }
    QTableView::keyPressEvent(e);
}

MatrixEntry::MatrixEntry(QWidget* parent, const Matrix::Entry& entry) : QDialog(parent), m_entry(entry) {
    const bool out = entry.header.kind == LineKind::StockOut;
    setObjectName(QStringLiteral("MatrixEntry"));
    setWindowTitle(QStringLiteral("矩阵录入"));
    item_m = new QLabel(this);
    item_m->setObjectName(QStringLiteral("item_m"));
    const StagedItem& it = entry.item;
    item_m->setText(QStringLiteral("%1 %2  %3  %4").arg(it.itemCode, it.itemName, it.itemModel, it.stageName).simplified());
    show_all = new QCheckBox(QStringLiteral("显示全部"), this);
    show_all->setObjectName(QStringLiteral("show_all"));
    price_m = new NumericEdit(this);
    price_m->setObjectName(QStringLiteral("price_m"));
    price_m->setText(entry.price.isEmpty() ? QStringLiteral("0.00") : entry.price);
    matrix_grid = new MatrixView(this);
    matrix_grid->setObjectName(QStringLiteral("matrix_grid"));
    m_model = new MatrixModel(this);
    matrix_grid->setModel(m_model);
    matrix_grid->setItemDelegate(new CellDelegate(matrix_grid, m_model));
    matrix_grid->horizontalHeader()->setDefaultSectionSize(out ? 96 : 72);
    total_m = new QLabel(this);
    total_m->setObjectName(QStringLiteral("total_m"));
    // Enter moves among the cells, so "确定" has a key of its own, written on it.
    Cmd_OK = new QPushButton(QStringLiteral("确定(Ctrl+Enter)"), this);
    Cmd_OK->setObjectName(QStringLiteral("Cmd_OK"));
    Cmd_Cancel = new QPushButton(QStringLiteral("取消"), this);
    Cmd_Cancel->setObjectName(QStringLiteral("Cmd_Cancel"));

    barcode_m = new ScanField(this, QStringLiteral("barcode_m"));
    barcode_m->handler = [this](const QString& code) { return onScan(code); };
    status_m = new QLabel(this);
    status_m->setObjectName(QStringLiteral("status_m"));

    auto* top = new QHBoxLayout;
    top->addWidget(item_m, 1);
    top->addWidget(new QLabel(out ? QStringLiteral("出库价格：") : QStringLiteral("入库价格："), this));
    top->addWidget(price_m);
    Forms::showPrices(this, {price_m});
    top->addWidget(show_all);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(total_m, 1);
    bottom->addWidget(Cmd_OK);
    bottom->addWidget(Cmd_Cancel);
    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addWidget(barcode_m);
    v->addWidget(matrix_grid, 1);
    v->addWidget(status_m);
    v->addLayout(bottom);
    resize(900, 560);

    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] {
        total_m->setText(QStringLiteral("合计：%1").arg(Numbers::footer(m_model->total(-1, -1))));
    });
    connect(show_all, &QCheckBox::toggled, this, [this] { guarded(this, [this] { reload(); }); });
    connect(Cmd_OK, &QPushButton::clicked, this, &MatrixEntry::accept);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(Qt::CTRL | key), this), &QShortcut::activated, this, &MatrixEntry::accept);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &MatrixEntry::reject);
    price_m->installEventFilter(this);
    setTabOrder(matrix_grid, price_m);
    setTabOrder(price_m, show_all);
    setTabOrder(show_all, Cmd_OK);
    setTabOrder(Cmd_OK, Cmd_Cancel);
    reload();
}

void MatrixEntry::reload() {
    const auto kept = m_model->cells();
    const Matrix::Header& h = m_entry.header;
    m_model->setLayout(h.kind, Matrix::load(h.kind, h.warehouse, m_entry.item.itemCode, m_entry.item.stageCode,
                                            show_all->isChecked()));
    if (m_model->layout().all && !show_all->isChecked()) {
        const QSignalBlocker b(show_all);
        show_all->setChecked(true);
    }
    // What was typed stays in the cells that are still shown.
    for (const auto& c : kept)
        for (int r = 0; r < m_model->layout().attrs.size(); ++r)
            if (m_model->layout().attrs[r].code == c.attrCode)
                for (int col = 0; col < m_model->layout().sizes.size(); ++col)
                    if (m_model->layout().sizes[col].code == c.sizeCode) m_model->setData(m_model->index(r, col), c.qty, Qt::EditRole);
    total_m->setText(QStringLiteral("合计：%1").arg(Numbers::footer(m_model->total(-1, -1))));
    // The focus starts in the first cell that takes a quantity.
    for (int r = 0; r < m_model->rowCount(); ++r)
        for (int col = 0; col < m_model->columnCount(); ++col)
            if (m_model->flags(m_model->index(r, col)) & Qt::ItemIsEditable) {
                matrix_grid->setCurrentIndex(m_model->index(r, col));
                matrix_grid->setFocus();
                return;
            }
}

QModelIndex MatrixEntry::cellOf(const QString& attr, const QString& size) const {
    const Matrix::Layout& l = m_model->layout();
    for (int r = 0; r < l.attrs.size(); ++r)
        if (l.attrs[r].code.compare(attr, Qt::CaseInsensitive) == 0)
            for (int c = 0; c < l.sizes.size(); ++c)
                if (l.sizes[c].code.compare(size, Qt::CaseInsensitive) == 0) return m_model->index(r, c);
    return {};
}

ScanField::Answer MatrixEntry::onScan(const QString& code) {
    // Said in the status line: a box would stop the scanner.
    const auto refuse = [this](const QString& text) {
        status_m->setText(text);
        return ScanField::Answer::Refused;
    };
    std::optional<Barcodes::Variant> v;
    try {
        v = Barcodes::resolve(code);
    } catch (const DbError& e) {
        return refuse(e.text());
    }
    if (!v) {
        status_m->setText(QStringLiteral("未知条码 %1").arg(code));
        return ScanField::Answer::Unknown;
    }
    const StagedItem& it = v->item;
    if (it.itemCode.compare(m_entry.item.itemCode, Qt::CaseInsensitive) != 0 ||
        it.stageCode.compare(m_entry.item.stageCode, Qt::CaseInsensitive) != 0)
        return refuse(QStringLiteral("条码 %1 属于 %2 %3 %4，不是本矩阵的项目或等级")
                          .arg(code, it.itemCode, it.itemName, it.stageName));
    matrix_grid->commitOpenCell();
    QModelIndex cell = cellOf(it.attrCode, it.sizeCode);
    if (!cell.isValid() && !show_all->isChecked()) {
        show_all->setChecked(true); // the matrix of every colour and size
        cell = cellOf(it.attrCode, it.sizeCode);
    }
    if (!cell.isValid() || !(m_model->flags(cell) & Qt::ItemIsEditable))
        return refuse(m_entry.header.kind == LineKind::StockOut ? Barcodes::NoStockMessage
                                                                : QStringLiteral("矩阵中没有此条码的属性和尺寸"));
    const QString now = Numbers::entry(Numbers::round3(typed(cell.data(Qt::EditRole).toString()) + 1));
    m_model->setData(cell, now, Qt::EditRole);
    matrix_grid->setCurrentIndex(cell);
    status_m->setText(QStringLiteral("%1 %2：%3").arg(it.attrName, it.sizeName, now));
    return ScanField::Answer::Taken;
}

bool MatrixEntry::eventFilter(QObject* o, QEvent* e) {
    // Enter in the price goes back to the cells rather than to "确定".
    if (o == price_m && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            price_m->reformat();
            matrix_grid->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void MatrixEntry::accept() {
    matrix_grid->commitOpenCell();
    Matrix::Entry e = m_entry;
    e.price = price_m->text();
    e.cells = m_model->cells();
    bool staged = false;
    guarded(this, [&] {
        const Refusal r = Matrix::stage(e, &m_staged);
        if (r.refused()) {
            r.conversion ? Msg::error(this, r.message) : Msg::notice(this, r.message);
            return;
        }
        staged = true;
    });
    if (staged) QDialog::accept();
}

void MatrixEntry::reject() {
    matrix_grid->commitOpenCell();
    if (m_model->hasQuantities() && !Msg::confirm(this, QStringLiteral("放弃已录入的数量？"))) return;
    QDialog::reject();
}
