#pragma once
// Transfer between warehouses: one transfer line is a pair of staged rows under one order number,
// the receiving row ('i_t', +q, in the receiving warehouse) and the issuing row ('o_t', -q, in the
// issuing warehouse), each naming the other warehouse in warehouse_a.
#include "movements/line_check.h"

namespace Transfer {
struct Line {
    QString billNo, date;
    QString toWarehouse, toWarehouseName;     // receiving (转入)
    QString fromWarehouse, fromWarehouseName; // issuing (转出)
    StagedItem item;
    QString qty; // as typed
};
inline const QString SameWarehouses = QStringLiteral("转入仓库不能与转出仓库相同.");
inline const QString Sealed = QStringLiteral("仓库已经封帐！");

Refusal check(const Line& line);
// Checks and stages both rows and advances the counter in one transaction: all or nothing.
// A warehouse the user has sealed for a stocktake is refused here as well. Throws DbError.
Refusal stage(const Line& line, QString* orderNo = nullptr);
} // namespace Transfer
