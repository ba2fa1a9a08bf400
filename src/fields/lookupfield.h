#pragma once
// The code lookup field: a drop-down bound to one list query of its screen. The field's text is
// the code; lookups search the rows the list returned and never query the database.
//
// A field is "entered" when the focus moves into it from elsewhere (Tab, click, shortcut, the
// screen moving the focus), never when its own drop-down or completer closes. A row picked from
// the list (mouse, Enter in the open list, a completer suggestion, arrow keys) is kept by its key
// until another row is picked or the text changes, so rows that share a code stay apart.
#include <QComboBox>
#include <QHash>
#include <QVector>

class QLineEdit;
class QSqlQuery;
class QStandardItemModel;

class LookupField : public QComboBox {
    Q_OBJECT
public:
    explicit LookupField(QWidget* parent = nullptr);

    // The columns the list shows (result fields), their captions for the header row, widths.
    void setListColumns(const QStringList& fields, const QStringList& captions = {}, const QList<int>& widths = {});
    void setHeaderVisible(bool on) { m_header = on; }
    // The key column (default: the first list column) and the column whose value is the field's
    // text (default: the key); the stock-row picker keys on ID while showing item_code.
    void setKeyField(const QString& field) { m_keyField = field; }
    void setTextField(const QString& field) { m_textField = field; }

    // Runs the list query (values bound) and keeps its rows; the field's text and the picked row
    // are kept. Throws DbError.
    void setList(const QString& sql, const QVariantList& params = {});
    // The same list read only when it is first needed: the drop-down opened, text typed or set,
    // its rows counted. A field that holds text already reads it at once. Throws DbError.
    void setDeferredList(const QString& sql, const QVariantList& params = {});
    void closeList(); // no rows
    // Large lists (posted bills, stock rows, the item catalogue) are never read whole: the rows
    // whose `prefixField` begins with the field's text, at most `limit` of them in that field's
    // order (or `order`, an ORDER BY list), are read now and again when the text changes; lookups
    // search them. `sql` ends in its WHERE clause (the prefix condition, the order and the limit
    // are appended). An empty field reads nothing until its list is first needed (as above).
    void setPrefixList(const QString& sql, const QVariantList& params, const QString& prefixField, int limit = 100,
                       const QString& order = {});
    // The rows of the list (read first when it is still deferred; a failing read counts none).
    int listRowCount();
    // True while the list has not been read yet.
    bool listPending() const { return m_deferred.pending || (!m_prefix.sql.isEmpty() && !m_prefix.loaded); }

    // First list row whose `field` equals `value` (text, letter case ignored); -1 when none.
    int findRow(const QString& field, const QString& value) const;
    QVariant rowValue(int row, const QString& field) const;
    // The value of `field` in the first row whose key equals the field's text (or `code`).
    QString lookup(const QString& field, bool trimmed = true) const;
    QString lookupFor(const QString& code, const QString& field, bool trimmed = true) const;
    // The row the user picked while the text still shows it; otherwise the one row whose text
    // matches. -1 when none, and when several rows share the text and none of them was picked.
    int pickedRow() const;
    QVariant pickedKey() const { return rowValue(pickedRow(), keyField()); }
    QVariant keyOf(int row) const { return rowValue(row, keyField()); } // the key of a list row

    QString text() const { return currentText(); }
    void setText(const QString& t); // raises changed and committed, as a pick does
    void setReadOnly(bool on);      // locked: no key, wheel, mouse or paste changes it
    bool isReadOnly() const { return m_readOnly; }
    // Runs a commit that leaving the field queued, at once (a button pressed right after).
    void flushCommit();

signals:
    void changed(const QString& text);   // every change of the text, and a pick of another row
    void committed(const QString& text); // a complete code: picked, set, or typed and left
    void entered();
    void picked(); // a click in the field or the Enter key

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
public:
    void showPopup() override;

private:
    void fill(QSqlQuery& q);
    void loadPrefix(const QString& text);
    void readPending(); // a deferred list or prefix list not read yet, read now; throws DbError
    struct DeferredSource {
        QString sql;
        QVariantList params;
        bool pending = false;
    };
    DeferredSource m_deferred;
    struct PrefixSource {
        QString sql;
        QVariantList params;
        QString field;
        int limit = 0;
        QString order;
        bool loaded = false;
        bool truncated = false;
        QString loadedFor;
    };
    PrefixSource m_prefix;
    QString keyField() const;
    QString textField() const;
    int rowOfKey(const QVariant& key) const;
    bool ambiguous() const;
    bool enterPressed(); // true when the key was used here
    void onIndexChanged(int index);
    void onTextChanged(const QString& t);
    void emitChanged(const QString& t);
    void queueCommit();
    void commit();

    QStringList m_listFields;
    QStringList m_captions;
    QList<int> m_widths;
    QString m_keyField;
    QString m_textField;
    bool m_header = false;
    bool m_readOnly = false;
    bool m_inside = false;        // focus is in the field (or in its own popup)
    bool m_commitQueued = false;
    QString m_committedText;
    QVariant m_pickedKey;         // key of the row picked last; invalid when none
    QVariant m_emittedKey;        // picked key when `changed` was raised last
    QString m_highlighted;        // the suggestion highlighted last, until the text follows it
    int m_lastIndex = -1;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex;
    QVector<QVector<QVariant>> m_rows;
    QStandardItemModel* m_model;
};

// A plain code field with its name box: the name follows the code, trimmed or as stored.
void bindNameBox(LookupField* field, QLineEdit* nameBox, const QString& nameField, bool trimmed = true);
// The warehouse field of the entry screens: the name follows the code; a complete code (picked,
// set, or typed and left) of a warehouse the user has sealed is refused with "仓库已经封帐！" and
// the field emptied.
void bindSealedWarehouse(LookupField* field, QLineEdit* nameBox);
