#pragma once
// The balance check: every stock balance recomputed from the last closing snapshot (or from the
// key's last count, whichever is later) plus the movements posted since, compared with
// kesp_inv_detail_tree; and the mending of the balances that differ. Set-based, a fixed number
// of statements whatever the size of the ledger.
#include "movements/line_check.h"

#include <QString>

namespace BalanceCheck {
// Where the recomputation starts: the last closed period whose snapshot records how far the
// history went (`mark`, the history's row identity), or nothing (period empty, mark 0: the whole
// history from its first row).
struct Base {
    QString period;
    qint64 mark = 0;
};
Base base();

// One row per stock key whose balance differs from its recomputed quantity: warehouse,
// warehouse_name, item_code, item_name, attr_code, size_code, stage_code, attr_name, size_name,
// stage_name, book_qty (the balance, 0 without a row), expected_qty and diff (expected - book).
ListQuery differences(const Base& b);
// The key columns, the order the differences are listed in.
QString keyOrder();

struct Key {
    QString warehouse, itemCode, attrCode, sizeCode, stageCode;
};
// The history rows behind a key's recomputed quantity: its count (when later than the
// snapshot) and every movement since, in the order they were posted.
ListQuery historyBehind(const Key& key, const Base& b);

// Rewrites every differing balance (and adds the missing rows) with its recomputed quantity in
// one transaction; returns the number of balances rewritten. Throws DbError, changing nothing.
int mend();
} // namespace BalanceCheck
