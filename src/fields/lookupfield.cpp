#include "fields/lookupfield.h"

#include "data/DataConnect1_Unit.h"
#include "data/sql.h"
#include "fields/form_helpers.h"
#include "ui/messages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

namespace {
constexpr int CodeRole = Qt::UserRole + 1;

// What the completer offers: each suggestion shows every list column of its row (so rows that
// share a code can be told apart) while matching and completing on the code alone.
class CompletionTexts : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == CodeRole) return QIdentityProxyModel::data(index, Qt::DisplayRole);
        if (role != Qt::DisplayRole) return QIdentityProxyModel::data(index, role);
        QStringList parts;
        const int columns = sourceModel()->columnCount();
        for (int c = 0; c < columns; ++c) {
            const QString v = sourceModel()->index(index.row(), c).data().toString().trimmed();
            if (!v.isEmpty()) parts << v;
        }
        // The code first, then the rest of the row.
        const QString code = QIdentityProxyModel::data(index, Qt::DisplayRole).toString().trimmed();
        parts.removeOne(code);
        parts.prepend(code);
        return parts.join(QStringLiteral("  "));
    }
};

bool sameText(const QVariant& a, const QString& b) { return a.toString().compare(b, Qt::CaseInsensitive) == 0; }
} // namespace

LookupField::LookupField(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(16);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 30); // a whole code shows
    m_model = new QStandardItemModel(this);
    setModel(m_model);
    // Typed text is never matched to a list row behind the user's back (that would take the
    // first of several rows sharing a code): only a real pick sets the current row.
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);

    // Typing offers the list's rows whose code begins with the text; the text stays as typed.
    auto* texts = new CompletionTexts(this);
    texts->setSourceModel(m_model);
    auto* completer = new QCompleter(texts, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCompletionRole(CodeRole);
    // Connected before the line edit's own connection, so the row is known when the text changes.
    connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), this, [this, completer](const QModelIndex& i) {
        const auto* proxy = qobject_cast<QAbstractProxyModel*>(completer->completionModel());
        const QModelIndex src = proxy ? proxy->mapToSource(i) : QModelIndex();
        if (src.isValid()) setCurrentIndex(src.row());
    });
    // Moving through the suggestions sets the text to the highlighted code (before the line
    // edit's own handler does).
    connect(completer, qOverload<const QModelIndex&>(&QCompleter::highlighted), this,
            [this](const QModelIndex& i) { m_highlighted = i.data(CodeRole).toString(); });
    lineEdit()->setCompleter(completer);

    auto* view = new QTableView(this);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setVisible(false);
    view->setShowGrid(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    setView(view);
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::editTextChanged, this, &LookupField::onTextChanged);
    connect(this, &QComboBox::currentIndexChanged, this, &LookupField::onIndexChanged);
}

void LookupField::setListColumns(const QStringList& fields, const QStringList& captions, const QList<int>& widths) {
    m_listFields = fields;
    m_captions = captions;
    m_widths = widths;
}

QString LookupField::keyField() const { return m_keyField.isEmpty() ? m_listFields.value(0) : m_keyField; }
QString LookupField::textField() const { return m_textField.isEmpty() ? keyField() : m_textField; }

void LookupField::setList(const QString& sql, const QVariantList& params) {
    QSqlQuery q = Sql::run(sql, params);
    m_prefix = {};
    m_deferred = {};
    fill(q);
}

void LookupField::setDeferredList(const QString& sql, const QVariantList& params) {
    if (!currentText().isEmpty()) {
        setList(sql, params);
        return;
    }
    closeList();
    m_prefix = {};
    m_deferred = {sql, params, true};
}

void LookupField::setPrefixList(const QString& sql, const QVariantList& params, const QString& prefixField, int limit,
                                const QString& order) {
    m_deferred = {};
    m_prefix = {sql, params, prefixField, limit, order.isEmpty() ? prefixField : order};
    if (currentText().isEmpty()) closeList(); // read when first needed
    else loadPrefix(currentText());
}

void LookupField::readPending() {
    if (m_deferred.pending) {
        const DeferredSource d = m_deferred;
        setList(d.sql, d.params);
    } else if (!m_prefix.sql.isEmpty() && !m_prefix.loaded) {
        loadPrefix(currentText());
    }
}

int LookupField::listRowCount() {
    if (listPending()) guarded(this, [&] { readPending(); });
    return m_rows.size();
}

void LookupField::loadPrefix(const QString& text) {
    PrefixSource& p = m_prefix;
    // Rows read for a shorter prefix, when all of them were read, hold every row of this text too.
    if (p.loaded && (text == p.loadedFor || (!p.truncated && text.startsWith(p.loadedFor, Qt::CaseInsensitive))))
        return;
    QVariantList params = p.params;
    const QString cond = Sql::prefixCondition(p.field, text, params);
    // Appended to the source's own WHERE clause, so that the engine reads the prefix, in order,
    // straight from an index and stops at the limit (a DISTINCT source included).
    QSqlQuery q = Sql::run(
        QStringLiteral("%1 AND %2 ORDER BY %3 LIMIT %4").arg(p.sql, cond, p.order).arg(p.limit + 1), params);
    fill(q); // keeps the picked row picked when it is listed again
    p.truncated = m_rows.size() > p.limit;
    if (p.truncated) {
        m_rows.removeLast();
        const bool blocked = blockSignals(true);
        m_model->removeRow(m_model->rowCount() - 1);
        blockSignals(blocked);
    }
    p.loaded = true;
    p.loadedFor = text;
}

void LookupField::fill(QSqlQuery& q) {
    const QSqlRecord rec = q.record();
    m_fields.clear();
    m_fieldIndex.clear();
    for (int i = 0; i < rec.count(); ++i) {
        m_fields << rec.fieldName(i);
        m_fieldIndex.insert(rec.fieldName(i).toLower(), i);
    }
    m_rows.clear();
    while (q.next()) {
        QVector<QVariant> r(m_fields.size());
        for (int i = 0; i < m_fields.size(); ++i) r[i] = q.value(i);
        m_rows.append(std::move(r));
    }
    if (m_listFields.isEmpty()) m_listFields = m_fields.mid(0, 2);

    const QString keep = currentText();
    const bool blocked = blockSignals(true);
    m_model->clear();
    m_model->setColumnCount(m_listFields.size());
    for (int c = 0; c < m_listFields.size(); ++c)
        m_model->setHeaderData(c, Qt::Horizontal, c < m_captions.size() ? m_captions[c] : m_listFields[c]);
    for (const auto& r : m_rows) {
        QList<QStandardItem*> items;
        for (const QString& f : m_listFields) {
            const int i = m_fieldIndex.value(f.toLower(), -1);
            items << new QStandardItem(i >= 0 ? r[i].toString() : QString());
        }
        m_model->appendRow(items);
    }
    setModelColumn(std::max(0, int(m_listFields.indexOf(textField()))));
    completer()->setCompletionColumn(modelColumn());
    // Suggestions are as wide as their longest text.
    int widest = 0;
    const QAbstractItemModel* texts = completer()->model();
    for (int r = 0; r < std::min<int>(m_rows.size(), 200); ++r)
        widest = std::max(widest, fontMetrics().horizontalAdvance(texts->index(r, modelColumn()).data().toString()));
    completer()->popup()->setMinimumWidth(std::min(widest + 40, 720));
    // The row picked before stays picked when it is listed again.
    const int again = rowOfKey(m_pickedKey);
    setCurrentIndex(again >= 0 && sameText(rowValue(again, textField()), keep) ? again : -1);
    m_lastIndex = currentIndex();
    setEditText(keep);
    blockSignals(blocked);
}

void LookupField::closeList() {
    m_deferred.pending = false;
    const QString keep = currentText();
    const bool blocked = blockSignals(true);
    m_rows.clear();
    m_model->removeRows(0, m_model->rowCount());
    setCurrentIndex(-1);
    m_lastIndex = -1;
    setEditText(keep);
    blockSignals(blocked);
}

int LookupField::findRow(const QString& field, const QString& value) const {
    const int i = m_fieldIndex.value(field.toLower(), -1);
    if (i < 0) return -1;
    for (int r = 0; r < m_rows.size(); ++r)
        if (sameText(m_rows[r][i], value)) return r;
    return -1;
}

QVariant LookupField::rowValue(int row, const QString& field) const {
    const int i = m_fieldIndex.value(field.toLower(), -1);
    if (row < 0 || row >= m_rows.size() || i < 0) return {};
    return m_rows[row][i];
}

int LookupField::rowOfKey(const QVariant& key) const {
    if (!key.isValid()) return -1;
    const int i = m_fieldIndex.value(keyField().toLower(), -1);
    if (i < 0) return -1;
    for (int r = 0; r < m_rows.size(); ++r)
        if (m_rows[r][i] == key) return r;
    return -1;
}

QString LookupField::lookupFor(const QString& code, const QString& field, bool trimmed) const {
    const QString v = rowValue(findRow(keyField(), code), field).toString();
    return trimmed ? v.trimmed() : v;
}

QString LookupField::lookup(const QString& field, bool trimmed) const { return lookupFor(currentText(), field, trimmed); }

int LookupField::pickedRow() const {
    const QString t = currentText();
    const int kept = rowOfKey(m_pickedKey);
    if (kept >= 0 && sameText(rowValue(kept, textField()), t)) return kept;
    const int first = findRow(textField(), t);
    if (first < 0 || textField().compare(keyField(), Qt::CaseInsensitive) == 0) return first;
    return ambiguous() ? -1 : first;
}

bool LookupField::ambiguous() const {
    if (textField().compare(keyField(), Qt::CaseInsensitive) == 0) return false;
    const int i = m_fieldIndex.value(textField().toLower(), -1);
    if (i < 0) return false;
    const QString t = currentText();
    int n = 0;
    for (const auto& r : m_rows)
        if (sameText(r[i], t) && ++n > 1) break;
    const int kept = rowOfKey(m_pickedKey);
    return n > 1 && !(kept >= 0 && sameText(rowValue(kept, textField()), t));
}

void LookupField::onIndexChanged(int index) {
    if (index == m_lastIndex) return;
    m_lastIndex = index;
    if (index < 0) return;
    // A row picked from the list, the completer or by arrow keys (typing never moves the index).
    m_pickedKey = rowValue(index, keyField());
    if (m_pickedKey != m_emittedKey && !currentText().isEmpty()) emitChanged(currentText());
    queueCommit();
}

void LookupField::onTextChanged(const QString& t) {
    const int index = currentIndex();
    const bool moved = index != m_lastIndex;
    if (moved) { // the index moved and set this text; its own signal follows
        m_lastIndex = index;
        if (index >= 0) m_pickedKey = rowValue(index, keyField());
        queueCommit();
    }
    // A row picked or a suggestion highlighted is one of the rows read already: reading the
    // prefix again would rebuild the list under the pick and under the suggestion list.
    const bool highlighted = !m_highlighted.isEmpty() && t == m_highlighted;
    m_highlighted.clear();
    if (!m_prefix.sql.isEmpty() && !(moved && index >= 0) && !highlighted) guarded(this, [&] { loadPrefix(t); });
    else if (m_deferred.pending) guarded(this, [&] { readPending(); });
    const int kept = rowOfKey(m_pickedKey);
    if (t.isEmpty() || (m_pickedKey.isValid() && !(kept >= 0 && sameText(rowValue(kept, textField()), t))))
        m_pickedKey = QVariant();
    emitChanged(t);
}

void LookupField::emitChanged(const QString& t) {
    m_emittedKey = m_pickedKey;
    emit changed(t);
}

void LookupField::setText(const QString& t) {
    if (t != currentText()) {
        const bool blocked = blockSignals(true); // no intermediate empty text reaches the handlers
        setCurrentIndex(-1);
        m_lastIndex = -1;
        blockSignals(blocked);
        if (currentText() == t) onTextChanged(t); // cleared by the index change already
        else setEditText(t);
    }
    m_commitQueued = false;
    commit();
}

void LookupField::queueCommit() {
    if (m_commitQueued) return;
    m_commitQueued = true;
    // A message box must not open from inside a popup's or the focus change's own handling.
    QTimer::singleShot(0, this, &LookupField::flushCommit);
}

void LookupField::flushCommit() {
    if (!m_commitQueued) return;
    m_commitQueued = false;
    if (currentText() != m_committedText) commit();
}

void LookupField::commit() {
    const QString t = currentText(); // a copy: a handler may change the field before the next one runs
    m_committedText = t;
    emit committed(t);
}

void LookupField::setReadOnly(bool on) {
    m_readOnly = on;
    lineEdit()->setReadOnly(on);
    if (on) hidePopup();
    // The edit part paints the field's face under some styles. It keeps its own colours before
    // the field's rule reaches it, and gets them back after the rule is gone.
    if (on) {
        Forms::showLocked(lineEdit(), true);
        Forms::showLocked(this, true);
    } else {
        Forms::showLocked(this, false);
        Forms::showLocked(lineEdit(), false);
    }
}

void LookupField::focusInEvent(QFocusEvent* e) {
    QComboBox::focusInEvent(e);
    if (m_inside) return; // back from its own drop-down or completer, or from another window
    m_inside = true;
    emit entered();
}

void LookupField::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
    // The focus going into the field's own open list is not leaving it.
    const QWidget* popup = QApplication::activePopupWidget();
    const QWidget* now = QApplication::focusWidget();
    const QWidget* const owns[] = {view(), completer()->popup()};
    for (const QWidget* own : owns)
        if (now && (now == own || own->isAncestorOf(now))) return;
    // Tab pressed while the completer's list is open moves the focus on before the list closes:
    // that is leaving the field, its own list still showing or not.
    const bool elsewhere = now && now != this && !isAncestorOf(now);
    for (const QWidget* own : owns)
        if (!elsewhere && popup && (popup == own->window() || popup == own)) return;
    m_inside = false;
    if (currentText() != m_committedText) queueCommit();
}

bool LookupField::enterPressed() {
    emit picked();
    if (ambiguous()) {
        // Several rows share the typed code: offer them instead of taking one.
        completer()->setCompletionPrefix(currentText());
        completer()->complete();
        return true;
    }
    if (currentText() != m_committedText) {
        m_commitQueued = false;
        commit();
    }
    return false;
}

void LookupField::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && completer()->popup()->isVisible()) {
        e->ignore(); // the completer takes the suggestion chosen
        return;
    }
    if (enter && !m_readOnly && enterPressed()) return;
    if (enter && m_readOnly) emit picked();
    if (m_readOnly && !(e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)) {
        e->ignore(); // Enter still reaches the window's default button
        return;
    }
    QComboBox::keyPressEvent(e);
}

void LookupField::mousePressEvent(QMouseEvent* e) {
    emit picked();
    // The screen may have sent the focus elsewhere on entering (no warehouse chosen yet).
    if (!m_readOnly && hasFocus()) QComboBox::mousePressEvent(e);
}

void LookupField::hideEvent(QHideEvent* e) {
    m_inside = false; // a window shown again is entered afresh
    QComboBox::hideEvent(e);
}

void LookupField::inputMethodEvent(QInputMethodEvent* e) {
    if (m_readOnly) {
        e->ignore();
        return;
    }
    QComboBox::inputMethodEvent(e);
}

void LookupField::wheelEvent(QWheelEvent* e) {
    if (m_readOnly) {
        e->ignore();
        return;
    }
    QComboBox::wheelEvent(e);
}

bool LookupField::eventFilter(QObject* o, QEvent* e) {
    if (o == lineEdit()) {
        if (e->type() == QEvent::MouseButtonPress) emit picked();
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && !m_readOnly &&
                !completer()->popup()->isVisible() && enterPressed())
                return true;
        }
        if (m_readOnly) {
            // Locked, whatever the device: wheel, drops, input methods, keys sent to the text.
            switch (e->type()) {
            case QEvent::Wheel:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::InputMethod:
                e->ignore();
                return true;
            case QEvent::KeyPress: {
                const int key = static_cast<QKeyEvent*>(e)->key();
                if (key != Qt::Key_Tab && key != Qt::Key_Backtab) {
                    e->ignore();
                    return true;
                }
                break;
            }
            default:
                break;
            }
        }
    }
    return QComboBox::eventFilter(o, e);
}

void LookupField::showPopup() {
    if (m_readOnly) return;
    if (listPending() && !guarded(this, [&] { readPending(); })) return;
    auto* v = static_cast<QTableView*>(view());
    v->horizontalHeader()->setVisible(m_header);
    v->resizeColumnsToContents();
    int total = 4;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (c < m_widths.size() && m_widths[c] > 0) v->setColumnWidth(c, m_widths[c]);
        total += v->columnWidth(c);
    }
    v->setMinimumWidth(std::max(total, width()));
    QComboBox::showPopup();
}

void bindNameBox(LookupField* field, QLineEdit* nameBox, const QString& nameField, bool trimmed) {
    QObject::connect(field, &LookupField::changed, nameBox, [=](const QString& t) {
        nameBox->setText(t.isEmpty() ? QString() : field->lookup(nameField, trimmed));
    });
}

void bindSealedWarehouse(LookupField* field, QLineEdit* nameBox) {
    bindNameBox(field, nameBox, QStringLiteral("warehouse_name"));
    QObject::connect(field, &LookupField::committed, nameBox, [=](const QString& t) {
        if (t.isEmpty()) return;
        guarded(field, [&] {
            if (DataConnect1::IsWarehouseSealed(t) == QLatin1String("Y")) {
                Msg::confirm(field, QStringLiteral("仓库已经封帐！"), true);
                field->setText(QString()); // empties the name box
            }
        });
    });
}
