#include "fields/lookupfield.h"

#include "ui/messages.h"
#include "data/DataConnect1_Unit.h"
#include "data/sql.h"

#include <QCompleter>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTableView>

LookupField::LookupField(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(16);
    m_model = new QStandardItemModel(this);
    setModel(m_model);
    // Typing offers the list's codes that begin with the text; the text typed stays as typed.
    auto* completer = new QCompleter(m_model, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    setCompleter(completer);
    auto* view = new QTableView(this);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setVisible(false);
    view->setShowGrid(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    setView(view);
    lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::editTextChanged, this, &LookupField::textChangedTo);
}

void LookupField::setListColumns(const QStringList& fields, const QStringList& captions, const QList<int>& widths) {
    m_listFields = fields;
    m_captions = captions;
    m_widths = widths;
}

void LookupField::setList(const QString& sql, const QVariantList& params) {
    QSqlQuery q = Sql::run(sql, params);
    m_prefix = {};
    fill(q);
}

void LookupField::textChangedTo(const QString& t) {
    if (!m_prefix.sql.isEmpty()) guarded(this, [&] { loadPrefix(t); });
    emit changed(t);
}

void LookupField::setPrefixList(const QString& sql, const QVariantList& params, const QString& prefixField, int limit) {
    m_prefix = {sql, params, prefixField, limit};
    loadPrefix(currentText());
}

void LookupField::loadPrefix(const QString& text) {
    PrefixSource& p = m_prefix;
    // Rows read for a shorter prefix, when all of them were read, hold every row of this text too.
    if (p.loaded && (text == p.loadedFor || (!p.truncated && text.startsWith(p.loadedFor, Qt::CaseInsensitive))))
        return;
    const QString key = m_keyField.isEmpty() ? m_listFields.value(0) : m_keyField;
    const QVariant current = rowValue(currentIndex(), key);
    QVariantList params = p.params;
    const QString cond = Sql::prefixCondition(p.field, text, params);
    // Appended to the source's own WHERE clause, so that the engine reads the prefix, in order,
    // straight from an index and stops at the limit (a DISTINCT source included).
    QSqlQuery q = Sql::run(
        QStringLiteral("%1 AND %2 ORDER BY %3 LIMIT %4").arg(p.sql, cond, p.field).arg(p.limit + 1), params);
    fill(q);
    p.truncated = m_rows.size() > p.limit;
    if (p.truncated) {
        m_rows.removeLast();
        m_model->removeRow(m_model->rowCount() - 1);
    }
    p.loaded = true;
    p.loadedFor = text;
    // The row the user picked stays picked when its text reloads the list.
    const int again = current.isValid() ? findRow(key, current.toString()) : -1;
    if (again >= 0) {
        const bool blocked = blockSignals(true);
        setCurrentIndex(again);
        setEditText(text);
        blockSignals(blocked);
    }
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
    const QString textField = m_textField.isEmpty() ? (m_keyField.isEmpty() ? m_listFields.value(0) : m_keyField)
                                                    : m_textField;
    setModelColumn(std::max(0, int(m_listFields.indexOf(textField))));
    completer()->setCompletionColumn(modelColumn());
    setCurrentIndex(-1);
    setEditText(keep);
    blockSignals(blocked);
}

void LookupField::closeList() {
    const QString keep = currentText();
    const bool blocked = blockSignals(true);
    m_rows.clear();
    m_model->removeRows(0, m_model->rowCount());
    setCurrentIndex(-1);
    setEditText(keep);
    blockSignals(blocked);
}

int LookupField::findRow(const QString& field, const QString& value) const {
    const int i = m_fieldIndex.value(field.toLower(), -1);
    if (i < 0) return -1;
    for (int r = 0; r < m_rows.size(); ++r)
        if (m_rows[r][i].toString().compare(value, Qt::CaseInsensitive) == 0) return r;
    return -1;
}

QVariant LookupField::rowValue(int row, const QString& field) const {
    const int i = m_fieldIndex.value(field.toLower(), -1);
    if (row < 0 || row >= m_rows.size() || i < 0) return {};
    return m_rows[row][i];
}

QString LookupField::lookupFor(const QString& code, const QString& field, bool trimmed) const {
    const QString key = m_keyField.isEmpty() ? m_listFields.value(0) : m_keyField;
    const QString v = rowValue(findRow(key, code), field).toString();
    return trimmed ? v.trimmed() : v;
}

QString LookupField::lookup(const QString& field, bool trimmed) const { return lookupFor(currentText(), field, trimmed); }

int LookupField::pickedRow() const {
    const QString textField = m_textField.isEmpty() ? (m_keyField.isEmpty() ? m_listFields.value(0) : m_keyField)
                                                    : m_textField;
    const int cur = currentIndex();
    if (cur >= 0 && cur < m_rows.size() && rowValue(cur, textField).toString() == currentText()) return cur;
    return findRow(textField, currentText());
}

void LookupField::setText(const QString& t) {
    if (t == currentText()) return;
    const bool blocked = blockSignals(true); // no intermediate empty text reaches the handlers
    setCurrentIndex(-1);
    blockSignals(blocked);
    if (currentText() == t) textChangedTo(t); // cleared by the index change already
    else setEditText(t);
}

void LookupField::setReadOnly(bool on) {
    m_readOnly = on;
    lineEdit()->setReadOnly(on);
}

void LookupField::focusInEvent(QFocusEvent* e) {
    QComboBox::focusInEvent(e);
    emit entered();
}

void LookupField::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) emit picked();
    if (m_readOnly && !(e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)) return;
    QComboBox::keyPressEvent(e);
}

void LookupField::mousePressEvent(QMouseEvent* e) {
    emit picked();
    if (!m_readOnly) QComboBox::mousePressEvent(e);
}

bool LookupField::eventFilter(QObject* o, QEvent* e) {
    if (o == lineEdit()) {
        if (e->type() == QEvent::MouseButtonPress) emit picked();
        if (e->type() == QEvent::FocusIn) emit entered();
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) emit picked();
        }
    }
    return QComboBox::eventFilter(o, e);
}

void LookupField::showPopup() {
    if (m_readOnly) return;
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
    QObject::connect(field, &LookupField::changed, nameBox, [=](const QString& t) {
        if (t.isEmpty()) {
            nameBox->clear();
            return;
        }
        guarded(field, [&] {
            if (DataConnect1::IsWarehouseSealed(t) == QLatin1String("Y")) {
                Msg::confirm(field, QStringLiteral("仓库已经封帐！"), true);
                field->setText(QString()); // empties the name box through this handler
            } else {
                nameBox->setText(field->lookup(QStringLiteral("warehouse_name")));
            }
        });
    });
}
