#include "closing/periods.h"

#include "data/DataConnect1_Unit.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

#include <QJsonObject>

namespace Periods {

Period of(const QDate& day) {
    const QString text = day.toString(QStringLiteral("yyyy/MM/dd"));
    const QString year = text.mid(0, 4);
    const QString month = text.mid(5, 2);
    return {year + month, year, month};
}

QString listStatement() { return QStringLiteral("SELECT * FROM kesp_inv_history_list ORDER BY save_code"); }

QString closedStatement() {
    return QStringLiteral("SELECT save_code FROM kesp_inv_history_list WHERE save_flag='Y' ORDER BY save_code DESC");
}

namespace {
bool exists(const QString& code) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_inv_history_list WHERE save_code=?"), {code});
}
} // namespace

bool ensure(const QDate& day) {
    const Period p = of(day);
    if (exists(p.code)) return false;
    try {
        Transaction tx;
        const int added = Sql::run(QStringLiteral("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag) "
                                                  "SELECT ?,?,?,'N' WHERE NOT EXISTS "
                                                  "(SELECT 1 FROM kesp_inv_history_list WHERE save_code=?)"),
                                   {p.code, p.year, p.month, p.code})
                              .numRowsAffected();
        tx.commit();
        return added == 1;
    } catch (const DbError&) {
        // The unique key refused the row another copy has just committed.
        if (exists(p.code)) return false;
        throw;
    }
}

int openCount() {
    return Sql::scalar(QStringLiteral("SELECT count(*) FROM kesp_inv_history_list WHERE save_flag='N'")).toInt();
}

CloseResult close(const QString& code, const QDate& day, int* snapshotRows) {
    Transaction tx;
    Rights::require(QStringLiteral("GG10"));
    QSqlQuery q = Sql::run(QStringLiteral("SELECT year_v, month_v, save_flag FROM kesp_inv_history_list WHERE save_code=?"),
                           {code});
    if (!q.next()) throw DbError(QStringLiteral("核算期%1不存在").arg(code));
    const QString year = q.value(0).toString();
    const QString month = q.value(1).toString();
    const bool closed = q.value(2).toString().compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0;
    q.finish();
    if (closed) return CloseResult::AlreadyClosed;
    const int rows = Sql::run(QStringLiteral("INSERT INTO kesp_inv_history_detail_tree(save_code,year_v,month_v,warehouse,"
                                             "warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
                                             "SELECT ?,?,?,warehouse,warehouse_name,item_code,attr_code,size_code,"
                                             "stage_code,qty FROM kesp_inv_detail_tree"),
                              {code, year, month})
                         .numRowsAffected();
    // The snapshot holds every movement up to the history's last row (the write lock keeps others out).
    const int flagged = Sql::run(QStringLiteral("UPDATE kesp_inv_history_list SET save_flag='Y', operation_date=?, "
                                                "history_mark=(SELECT COALESCE(MAX(%1),0) FROM kesp_post_history) "
                                                "WHERE save_code=? AND save_flag<>'Y'")
                                     .arg(DataConnect1::rowIdColumn()),
                                 {day.toString(QStringLiteral("yyyy/MM/dd")), code})
                            .numRowsAffected();
    // Nothing flagged: another copy closed it after our read; its snapshot stands, ours is rolled back.
    if (flagged == 0) return CloseResult::AlreadyClosed;
    Audit::record({QStringLiteral("GG10"), QStringLiteral("kesp_inv_history_list"), code,
                   Audit::json({{QStringLiteral("save_flag"), QStringLiteral("N")}}),
                   Audit::json({{QStringLiteral("save_flag"), QStringLiteral("Y")}, {QStringLiteral("rows"), rows}}), {}, {}});
    tx.commit();
    if (snapshotRows) *snapshotRows = rows;
    return CloseResult::Closed;
}

} // namespace Periods
