#pragma once
// Stock levels and the alerts read from them.
//
// A level is a minimum and a maximum of one item in one warehouse, for all its colours and sizes
// (colour and size left empty) or for one colour, one size, or one colour × size. The on-hand
// quantity a level is measured against is the sum of the warehouse's balances of the item that
// the level covers (every grade; with an empty colour every colour, with an empty size every
// size). Levels are independent: an item level and a colour × size level of the same item are
// each checked against their own sum.
//
// The alert report "库存预警" lists two kinds of rows:
//  - "低于下限": a level whose on-hand quantity is below its minimum, with the quantity to order
//    up to the maximum;
//  - "断码": a size of a colour of an item in a warehouse that holds none of it (no balance row of
//    that size holds more than 0) while another size of the same colour there still holds some.
//    The sizes a style has had are the sizes its balance rows in that warehouse name: a balance
//    row is made by the first posting or count of a key and stays, at 0, when the key runs out.
#include "queries/query_builders.h"

#include <QString>

namespace StockLevels {

inline const QString Command = QStringLiteral("BB80");       // 库存上下限
inline const QString ReportCommand = QStringLiteral("EE50"); // 库存预警
inline const QString Table = QStringLiteral("kesp_stock_level");

inline const QString BelowMinimum = QStringLiteral("低于下限");
inline const QString BrokenSizes = QStringLiteral("断码");

struct Level {
    QString warehouse, item, attr, size; // attr and size empty: every colour, every size
    double minQty = 0, maxQty = 0;
};

// Why the level cannot be written (fields missing, unknown codes, min below 0, max below min);
// empty when it can.
QString refusal(const Level& level);
inline const QString DuplicateMessage = QStringLiteral("该项目在此仓库已有相同颜色尺寸的上下限");
inline const QString MaxBelowMinMessage = QStringLiteral("上限不能小于下限");
inline const QString GoneMessage = QStringLiteral("该上下限已不存在。");

// The writes: each checks the rights (BB80 and the warehouse) and the level in one transaction
// with its audit row, and answers the refusal (empty when written). Quantities are rounded to
// three decimals.
QString add(const Level& level);
// Replaces the level with the key of `old` by `now` (the key may change).
QString change(const Level& old, const Level& now);
// False when no level had that key (any more).
bool remove(const Level& key);

// The levels of the warehouses the user sees, with the names, for the window's list.
QueryBuilders::Statement list();

// The alert report's rows (see above), of the warehouses the user sees, filtered by the criteria
// (warehouse, categories, item, colour, size; grade is not a level's key and is passed over).
// Columns: alert_kind, warehouse, warehouse_name, item_code, item_name, item_model, arrage_code_b,
// arrage_name_b, arrage_code_s, arrage_name_s, attr_code, attr_name, size_code, size_name, qty,
// min_qty, max_qty, order_qty, sizes_in_stock.
QueryBuilders::Statement alerts(const QueryBuilders::Criteria& criteria = {});
// Whether the report would show anything for the user: one statement of two EXISTS.
bool anyAlert();

// The user's choice "登录时显示库存预警" (on unless switched off).
bool showAtLogin(const QString& user);
void saveShowAtLogin(const QString& user, bool on);

} // namespace StockLevels
