#pragma once
// Red-ink reversal of posted bills: the bill list and the line list offered to the reversal
// screens, and the check and staging of one red line.
#include "movements/line_check.h"
#include "movements/staging.h"

namespace Reversal {
// LineKind::InReversal (stock-in bills, vendor) or LineKind::OutReversal (stock-out bills, customer).
QString partnerColumn(LineKind kind);
QString operationCode(LineKind kind); // i_r / o_r
QString operationName(LineKind kind); // 入库红冲 / 出库红冲
QString direction(LineKind kind);     // i / o

// Posted bills of the kind's direction, once per warehouse and partner, whose number starts with
// `prefix` (letter case ignored); at most `limit` rows, highest numbers first. Served by an index
// on kesp_post_history leading with bill_no.
inline constexpr int BillListLimit = 200;
ListQuery billList(LineKind kind, const QString& prefix = {}, int limit = BillListLimit);
// The same bills for a list read by prefix: the statement ends in its WHERE clause; the order.
ListQuery billSource(LineKind kind);
QString billOrder(LineKind kind);

// The posted lines of one bill as listed in the bill list (its direction, warehouse and partner),
// red lines left out; lines already reversed stay in.
struct Bill {
    QString billNo, warehouse, warehouseName, partner, partnerName;
};
ListQuery lineList(LineKind kind, const Bill& bill);

struct RedLine {
    LineKind kind = LineKind::InReversal;
    Bill bill;
    QString sourceOrderNo; // the picked posted line (empty: none picked)
    StagedItem item;
    QString price, qty; // as typed
    QString date;       // red date, yyyy/MM/dd
};
Refusal check(const RedLine& line);
// Checks and, when the line passes, stages it under a new order number (one transaction).
// Returns the refusal; throws DbError when the database fails.
Refusal stage(const RedLine& line, QString* orderNo = nullptr);
} // namespace Reversal
