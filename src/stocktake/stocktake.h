#pragma once
// Stocktaking: a user's seal of a warehouse, the count rows (kesp_check_temp) of that user, their
// approval with order numbers, and the adjustment that overwrites the balances with the counts.
// Every statement is limited to the logged-in user's rows.
#include "movements/line_check.h"
#include "queries/query_builders.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace Stocktake {

inline const QString OperationCode = QStringLiteral("c_k");
// Largest counted quantity accepted (either sign), as in the entry fields.
constexpr double MaxCount = 999999999.999;

// ---- Seals -------------------------------------------------------------------------------
// The warehouse of the user's first seal; nothing when the user holds none.
std::optional<QString> standingSeal();
enum class SealResult { Sealed, NoSuchWarehouse, AlreadySealed };
// Seals the warehouse for the user with its name from the warehouse list; a user holds at most
// one seal, and only a listed warehouse can be sealed.
SealResult seal(const QString& warehouse);
// Lifts the user's seal of the warehouse; the number of seals lifted (0 when none matched).
int unseal(const QString& warehouse);
// The list of the count window's warehouse field: the user's seals.
QueryBuilders::Statement sealedWarehouses();
bool isSealedByUser(const QString& warehouse);

// ---- Count rows --------------------------------------------------------------------------
struct Filter {
    QString warehouse;
    QString big;       // big-category code
    QString small;     // small-category code
    QString firstItem; // item code range, bounds included
    QString lastItem;
};
// The items a count can start from: items of the chosen categories with a balance row in the
// warehouse (item_code, item_name, item_model, item_spec).
QueryBuilders::Statement itemList(const QString& warehouse, const QString& big, const QString& small);
// Discards the user's count rows and, when a warehouse the user has sealed is given, loads one
// count row per balance row matching the filter with one insert-select. Returns rows loaded.
int load(const Filter& f);
// Discards the user's count rows; the number discarded.
int discard();
int rowCount();

// The grid's statement over the user's count rows: every column plus `rid`, the row identity.
QueryBuilders::Statement countRows();
// The grid order, also the order in which approving every row hands out numbers.
QString gridOrder();

// Writes a row's counted quantity (nothing: not counted) and approval. Throws DbError for a
// quantity beyond MaxCount or when the row is not one of the user's.
void saveRow(const QVariant& rid, std::optional<double> qty, bool approved);
// First change of a row's approval: the row takes the counter's value as its order number, is
// approved, and the counter advances, in one transaction. Returns the number.
QString takeOrderNumber(const QVariant& rid);
// Approves every counted row; those without a number take consecutive numbers in grid order,
// in one transaction. Returns the rows approved.
int approveAll();
// Counted quantity := book quantity on every row not counted yet. Returns the rows filled.
int fillWithBook();

// ---- Scanning ----------------------------------------------------------------------------
struct Scanned {
    QVariant rid;       // the count row the piece went to
    double qty = 0;     // its counted quantity now
    bool found = false; // a new row: goods the books did not know (book quantity 0)
};
// One scanned piece of a variant into the user's count of a warehouse the user has sealed: the
// count row of that key gains 1 (an empty count becomes 1) and is no longer approved; without a
// row, one is made with book quantity 0 and marked found_flag. Written at once, in one
// transaction. Throws DbError when the warehouse is not sealed by the user. A count sheet gives
// `pieces` at once, added to the count or (`replace`) in its place.
Scanned scan(const QString& warehouse, const StagedItem& variant, double pieces = 1, bool replace = false);

// ---- Adjustment --------------------------------------------------------------------------
// Posts the user's counted and approved rows as of the count date: history rows "c_k" whose
// remaind_qty is the balance overwritten, read inside the transaction; balances set to the
// counts (a row found by scanning gets its balance row); every count row of the user emptied. All or nothing. Returns the rows posted; 0
// (nothing changed) when no row is both counted and approved; NotSealed (nothing changed) when a
// row's warehouse is no longer sealed by the user (the seal was lifted in another window).
inline constexpr int NotSealed = -1;
int adjust(const QString& countDate);
// Called after each statement of an adjustment with its step number (failure injection in tests).
extern std::function<void(int step)> afterStatement;

// ---- Stocktake query ---------------------------------------------------------------------
// Adjustments of one warehouse over a range of count dates; criteria in the screen's order.
QueryBuilders::Statement historyQuery(const QueryBuilders::Criteria& criteria, const QString& fromDate,
                                      const QString& toDate);

} // namespace Stocktake
