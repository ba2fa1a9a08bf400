#pragma once
// The order number counter (row "order_no" of kesp_system_data) and the bill number check.
#include "data/sql.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace OrderNumbers {
// The value that follows v: v + 1 as ten digits with leading zeros; throws DbError when v is
// not a 32-bit number.
QString next(const QString& v);
// Takes the counter's value, lets `stage` write the line(s) under it and advances the counter,
// all in one transaction, so two running copies never receive the same number.
// `then` (reads of the staged lines) runs after the COMMIT, on a server in its round trip, each
// answer handed to `each` with its index in `then`.
QString stageWithNumber(const std::function<void(const QString& orderNo)>& stage, const QList<Sql::Bound>& then = {},
                        const std::function<void(qsizetype, QSqlQuery&)>& each = {});
// The same for `count` lines at once: `stage` receives `count` consecutive numbers and the counter
// is advanced past the last of them once; nothing is taken when `stage` throws.
QStringList stageWithNumbers(int count, const std::function<void(const QStringList& orderNos)>& stage,
                             const QList<Sql::Bound>& then = {},
                             const std::function<void(qsizetype, QSqlQuery&)>& each = {});
// True when a posted line already carries the bill number.
bool billNoUsed(const QString& billNo);
inline const QString BillUsedMessage = QStringLiteral("存在相同单据,请更改单据。");
} // namespace OrderNumbers
