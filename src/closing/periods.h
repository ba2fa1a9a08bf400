#pragma once
// Accounting periods (one per calendar month in kesp_inv_history_list) and the month-end closing
// that snapshots every stock balance under the period's code.
#include <QDate>
#include <QString>

namespace Periods {
struct Period {
    QString code;  // save_code: yyyyMM
    QString year;  // year_v
    QString month; // month_v, two digits
};
Period of(const QDate& day);

// The statement of the period grids, ascending by code.
QString listStatement();
// Closed periods for the historical stock query, newest first.
QString closedStatement();

// Adds the day's period when it is missing; true when this call added it. Another running copy
// adding the same month at the same moment is no error: exactly one row remains.
bool ensure(const QDate& day);
int openCount();

enum class CloseResult { Closed, AlreadyClosed };
// Closes the period: the snapshot rows, the flag and the closing date in one transaction, the
// flag re-read inside it, so a period is closed once even by two copies at the same moment.
// Throws DbError (nothing changed) on failure; `snapshotRows` receives the rows written.
CloseResult close(const QString& code, const QDate& day, int* snapshotRows = nullptr);

inline QString closedMessage(const QString& year, const QString& month) {
    return QStringLiteral("%1年%2月数据已经核算.").arg(year, month);
}
inline QString askMessage(const QString& year, const QString& month) {
    return QStringLiteral("是否对%1年%2月数据进行核算？").arg(year, month);
}
inline const QString SuccessMessage = QStringLiteral("核算成功！");
inline const QString StartupQuestion = QStringLiteral("是否对上月进行核算？");
} // namespace Periods
