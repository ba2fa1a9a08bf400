#pragma once
// The code lookup field: a drop-down bound to one list query of its screen. The field's text is
// the code; lookups search the rows the list returned and never query the database.
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

    // Runs the list query (values bound) and keeps its rows; the field's text is kept. Throws DbError.
    void setList(const QString& sql, const QVariantList& params = {});
    void closeList(); // no rows
    // Large lists (posted bills, stock rows, the item catalogue) are never read whole: the rows
    // whose `prefixField` begins with the field's text, at most `limit` of them in that field's
    // order, are read now and again when the text changes; lookups search them. `sql` ends in its
    // WHERE clause (the prefix condition, the order and the limit are appended).
    void setPrefixList(const QString& sql, const QVariantList& params, const QString& prefixField, int limit = 100);
    int listRowCount() const { return m_rows.size(); }

    // First list row whose `field` equals `value` (text, letter case ignored); -1 when none.
    int findRow(const QString& field, const QString& value) const;
    QVariant rowValue(int row, const QString& field) const;
    // The value of `field` in the first row whose key equals the field's text (or `code`).
    QString lookup(const QString& field, bool trimmed = true) const;
    QString lookupFor(const QString& code, const QString& field, bool trimmed = true) const;
    // The row the user picked: the current list row when it shows the text, else the first row
    // whose text column matches; -1 when none.
    int pickedRow() const;

    QString text() const { return currentText(); }
    void setText(const QString& t); // raises changed like typing does
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }

signals:
    void changed(const QString& text);
    void entered();
    void picked(); // a click in the field or the Enter key

protected:
    void focusInEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
public:
    void showPopup() override;

private:
    void fill(QSqlQuery& q);
    void textChangedTo(const QString& t); // reads a prefix list's rows, then raises changed
    void loadPrefix(const QString& text);
    struct PrefixSource {
        QString sql;
        QVariantList params;
        QString field;
        int limit = 0;
        bool loaded = false;
        bool truncated = false;
        QString loadedFor;
    };
    PrefixSource m_prefix;
    QStringList m_listFields;
    QStringList m_captions;
    QList<int> m_widths;
    QString m_keyField;
    QString m_textField;
    bool m_header = false;
    bool m_readOnly = false;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex;
    QVector<QVector<QVariant>> m_rows;
    QStandardItemModel* m_model;
};

// A plain code field with its name box: the name follows the code, trimmed or as stored.
void bindNameBox(LookupField* field, QLineEdit* nameBox, const QString& nameField, bool trimmed = true);
// The warehouse field of the entry screens: a warehouse the user has sealed is refused with
// "仓库已经封帐！" and the field emptied; otherwise the name follows the code.
void bindSealedWarehouse(LookupField* field, QLineEdit* nameBox);
