#pragma once
// Size × colour entry of one item and grade: the attributes (rows) and sizes (columns) offered,
// the balances a stock-out picks from, and the staging of one line per non-zero cell.
#include "movements/line_check.h"
#include "movements/staging.h"

#include <QHash>
#include <QStringList>

namespace Matrix {

struct Code {
    QString code, name;
};

struct Layout {
    QList<Code> attrs; // rows
    QList<Code> sizes; // columns
    bool all = false;  // every attribute and size of the master tables
    QHash<QString, double> balances; // stock-out: quantity on hand by cellKey(attr, size)
    bool guarded = false;            // stock-out of a warehouse that forbids negative stock
    bool hasBalance(const QString& attr, const QString& size) const;
};
QString cellKey(const QString& attr, const QString& size);

// What the matrix offers for an item and grade. By default the attributes and sizes the item has
// balance rows in (stock-out: of that warehouse and grade); a stock-in of an item without any
// shows every one. Two statements whatever the size of the matrix.
Layout load(LineKind kind, const QString& warehouse, const QString& item, const QString& stage, bool all);

struct Header {
    LineKind kind = LineKind::StockIn; // StockIn or StockOut
    QString billNo, operationCode, operationName, warehouse, warehouseName, date, partner, partnerName;
};
struct Cell {
    QString attrCode, sizeCode, qty; // quantity as typed; empty or zero: no line
};
struct Entry {
    Header header;
    StagedItem item; // item, categories and grade; attribute and size come from the cells
    QString price;   // as typed, one for the whole matrix
    QList<Cell> cells;
};

// Checks the matrix and stages one line per non-zero cell, each exactly as a single line of the
// screen, under consecutive order numbers in one transaction; nothing when a check or a
// statement fails. Returns the refusal; throws DbError when the database fails.
Refusal stage(const Entry& entry, QStringList* orderNos = nullptr);

} // namespace Matrix
