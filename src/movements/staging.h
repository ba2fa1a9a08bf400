#pragma once
// Staged lines of kesp_post_temp_a. Each entry screen owns one kind of line, told apart by the
// line's own columns, so a screen never shows, posts or discards lines another screen staged.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

enum class LineKind { StockIn, StockOut, InReversal, OutReversal, Transfer };

namespace Staging {
using Values = QList<QPair<QString, QVariant>>; // column name (fixed by the caller) and value

// SQL condition (fixed text, no values) selecting the staged lines of a kind.
QString kindCondition(LineKind kind);
// The first code of a line that no master record holds, in the order of the screens' fields
// (warehouse, type, partner, categories, item, attribute, size, grade, the other warehouse), and
// its message ("项目代码 不存在"); empty when every code given exists. Empty optional codes are
// not checked; a type must belong to the direction of the line's partner; with
// `itemInCategories` the item must belong to the line's big and small category. One statement.
struct UnknownCode {
    QString column;
    QString message;
    bool found() const { return !column.isEmpty(); }
};
UnknownCode unknownCode(const Values& values, bool itemInCategories = false);
// The command whose right stages and posts lines of the kind (CC10, DD10, CC20, DD20, CC30).
QString commandOf(LineKind kind);
// The kind of a line from its columns: a red line by its operation, a transfer row by its
// operation, otherwise stock-out when it names a customer.
LineKind kindOf(const Values& values);
// Writes one staged line: price and qty rounded to 3 decimals, empty item_model/item_spec as NULL.
// Throws DbError, writing nothing, for a price or qty that is not a finite number within
// ±999,999,999.999 (text that is not a number included), for an empty or NULL stock-key part and
// for a code no master record holds, and refuses (Rights::Refused) a line the user may not stage:
// the kind's command and work (操作) in the line's warehouse and the other warehouse of a transfer.
void insert(const Values& values);
// Statement and parameters of a screen's grid: the user's staged lines of its kind.
QString gridStatement(LineKind kind);
QVariantList gridParams();
int count(LineKind kind);
// The statement count() runs (its one value: gridParams()).
QString countStatement(LineKind kind);
// Deletes one of the user's staged lines; false when no line had that number (any more).
bool deleteLine(const QString& orderNo);
void discard(LineKind kind);
} // namespace Staging
