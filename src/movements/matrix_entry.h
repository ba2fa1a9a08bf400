#pragma once
// The size × colour matrix of one item and grade, opened from the stock-in and stock-out screens:
// attributes down, sizes across, quantities typed cell by cell with row, column and grand totals,
// one price, and on stock-out the balance of every cell. "确定" stages one line per non-zero cell.
#include "fields/scanfield.h"
#include "movements/matrix.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QTableView>

class NumericEdit;
class QCheckBox;
class QLabel;
class QPushButton;

// Cells of the matrix plus a totals column and a totals row (neither editable).
class MatrixModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role { BalanceRole = Qt::UserRole + 1, HasBalanceRole };
    explicit MatrixModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void setLayout(LineKind kind, const Matrix::Layout& layout);
    const Matrix::Layout& layout() const { return m_layout; }
    bool isCell(const QModelIndex& i) const;
    double total(int row, int column) const; // -1 for every row or column
    void setTyping(const QModelIndex& i, const QString& text); // totals follow the open editor
    void endTyping();                                          // the editor closed
    QList<Matrix::Cell> cells() const;                        // every cell holding text
    bool hasQuantities() const;                               // a cell holds more than zero

    int rowCount(const QModelIndex& = {}) const override { return int(m_layout.attrs.size()) + 1; }
    int columnCount(const QModelIndex& = {}) const override { return int(m_layout.sizes.size()) + 1; }
    QVariant data(const QModelIndex& i, int role) const override;
    bool setData(const QModelIndex& i, const QVariant& v, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& i) const override;

private:
    void totalsChanged(const QModelIndex& i);
    bool m_out = false;
    Matrix::Layout m_layout;
    QHash<QString, QString> m_text; // typed quantity by cell key
    QString m_liveKey, m_liveText;  // the cell being typed in, not yet taken
    QPersistentModelIndex m_liveCell;
};

// Enter moves on like Tab; the arrow keys move freely, also out of an open cell. Tab from the last
// cell (Shift+Tab from the first) leaves the grid for the dialog's other fields.
class MatrixView : public QTableView {
    Q_OBJECT
public:
    explicit MatrixView(QWidget* parent = nullptr);
    void commitOpenCell();
    void moveNext();
    // True when Tab (forward) or Shift+Tab would wrap round from the current cell.
    bool atEdge(bool forward);
    void leave(bool forward); // the open cell taken, the focus on the next field outside

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
};

class MatrixEntry : public QDialog {
    Q_OBJECT
public:
    // `entry` holds the screen's header, item and grade and its price; the cells are typed here.
    MatrixEntry(QWidget* parent, const Matrix::Entry& entry);

    QLabel* item_m;
    QCheckBox* show_all;
    NumericEdit* price_m;
    MatrixView* matrix_grid;
    QLabel* total_m;
    ScanField* barcode_m; // a scanned piece adds 1 to its cell
    QLabel* status_m;     // what the last scan did
    QPushButton* Cmd_OK;
    QPushButton* Cmd_Cancel;

    MatrixModel* model() const { return m_model; }
    QStringList stagedOrderNos() const { return m_staged; }
    void reload(); // the layout again, keeping what was typed

    void accept() override;
    void reject() override; // Esc, "取消", the close box: asks before typed quantities are dropped

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    ScanField::Answer onScan(const QString& code);
    QModelIndex cellOf(const QString& attr, const QString& size) const;
    Matrix::Entry m_entry;
    MatrixModel* m_model;
    QStringList m_staged;
};
