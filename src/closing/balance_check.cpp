#include "closing/balance_check.h"

#include "data/DataConnect1_Unit.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

namespace BalanceCheck {
namespace {
const QString KeyColumns = QStringLiteral("warehouse,item_code,attr_code,size_code,stage_code");
QString sameKey(const QString& a, const QString& b) {
    return QStringLiteral("%1.warehouse=%2.warehouse AND %1.item_code=%2.item_code AND %1.attr_code=%2.attr_code "
                          "AND %1.size_code=%2.size_code AND %1.stage_code=%2.stage_code")
        .arg(a, b);
}
// A history row's effect on its balance: a count sets it, a movement adds or takes by its type's
// direction (a type deleted since: by the partner the row names, as the postings tell them apart).
const QString Effect = QStringLiteral(
    "CASE WHEN h.operation_code='c_k' THEN h.qty WHEN o.i_o_flag='i' THEN h.qty WHEN o.i_o_flag='o' THEN -h.qty "
    "WHEN h.vendor IS NOT NULL THEN h.qty ELSE -h.qty END");
} // namespace

Base base() {
    Base b;
    QSqlQuery q = Sql::run(QStringLiteral("SELECT save_code, history_mark FROM kesp_inv_history_list "
                                          "WHERE save_flag='Y' AND history_mark IS NOT NULL "
                                          "ORDER BY history_mark DESC, save_code DESC"));
    if (q.next()) b = {q.value(0).toString(), q.value(1).toLongLong()};
    return b;
}

ListQuery differences(const Base& b) {
    const QString r = DataConnect1::rowIdColumn();
    // lc: each key's last count after the snapshot. e: what each key should hold (the snapshot of
    // the keys without a later count, the count, the movements after either) beside what it holds.
    const QString sql =
        QStringLiteral(
            "WITH lc AS (SELECT %1, MAX(%2) AS r FROM kesp_post_history WHERE operation_code='c_k' AND %2>? "
            "GROUP BY %1), "
            "e AS (SELECT s.warehouse, s.item_code, s.attr_code, s.size_code, s.stage_code, s.qty AS q, 0 AS b "
            "FROM kesp_inv_history_detail_tree AS s WHERE s.save_code=? AND NOT EXISTS (SELECT 1 FROM lc WHERE %3) "
            "UNION ALL SELECT h.warehouse, h.item_code, h.attr_code, h.size_code, h.stage_code, %4, 0 "
            "FROM kesp_post_history AS h LEFT JOIN lc ON %5 "
            "LEFT JOIN kesp_operation_ini AS o ON o.operation_code=h.operation_code "
            "WHERE h.%2>? AND h.%2>=COALESCE(lc.r,0) "
            "UNION ALL SELECT %1, 0, COALESCE(qty,0) FROM kesp_inv_detail_tree), "
            "d AS (SELECT %1, round(SUM(b),3) AS book_qty, round(SUM(q),3) AS expected_qty FROM e GROUP BY %1 "
            "HAVING abs(SUM(q)-SUM(b))>0.0005) "
            "SELECT d.warehouse, w.warehouse_name, d.item_code, m.item_name, d.attr_code, d.size_code, d.stage_code, "
            "a.attr_name, z.size_name, g.stage_name, d.book_qty, d.expected_qty, "
            "round(d.expected_qty-d.book_qty,3) AS diff FROM d "
            "LEFT JOIN kesp_warehouse_ini AS w ON w.warehouse=d.warehouse "
            "LEFT JOIN kesp_item_master AS m ON m.item_code=d.item_code "
            "LEFT JOIN kesp_item_attr AS a ON a.attr_code=d.attr_code "
            "LEFT JOIN kesp_item_size AS z ON z.size_code=d.size_code "
            "LEFT JOIN kesp_item_stage AS g ON g.stage_code=d.stage_code")
            .arg(KeyColumns, r, sameKey(QStringLiteral("lc"), QStringLiteral("s")), Effect,
                 sameKey(QStringLiteral("lc"), QStringLiteral("h")));
    return {sql, {b.mark, b.period, b.mark}};
}

QString keyOrder() { return KeyColumns; }

ListQuery historyBehind(const Key& k, const Base& b) {
    const QString r = DataConnect1::rowIdColumn();
    const auto key = [](const QString& t) {
        return QStringLiteral("%1.warehouse=? AND %1.item_code=? AND %1.attr_code=? AND %1.size_code=? "
                              "AND %1.stage_code=?")
            .arg(t);
    };
    const QVariantList kv{k.warehouse, k.itemCode, k.attrCode, k.sizeCode, k.stageCode};
    const QVariantList params = kv + QVariantList{b.mark} + kv + QVariantList{b.mark};
    return {QStringLiteral("SELECT h.order_no, h.bill_no, h.operation_code, o.operation_name, h.procure_date, h.qty, "
                           "%1 AS effect, h.login_id, h.operation_date, h.operation_time "
                           "FROM kesp_post_history AS h LEFT JOIN kesp_operation_ini AS o "
                           "ON o.operation_code=h.operation_code WHERE %2 AND h.%3>? AND h.%3>=COALESCE("
                           "(SELECT MAX(c.%3) FROM kesp_post_history AS c WHERE %4 AND c.operation_code='c_k' "
                           "AND c.%3>?),0) ORDER BY h.%3")
                .arg(Effect, key(QStringLiteral("h")), r, key(QStringLiteral("c"))),
            params};
}

int mend() {
    const QString work = QStringLiteral("yc_balance_mend");
    Transaction tx;
    Rights::require(QStringLiteral("GG30"));
    // Read again under the write lock: what another copy posted meanwhile is taken into account.
    const ListQuery q = differences(base());
    Sql::run(DataConnect1::dropSnapshotStatement(work));
    DataConnect1::makeSnapshot(work, q.sql, QString(), q.params);
    const int differing = Sql::scalar(QStringLiteral("SELECT count(*) FROM %1").arg(work)).toInt();
    int written = Sql::run(QStringLiteral("UPDATE kesp_inv_detail_tree SET qty=d.expected_qty FROM %1 AS d WHERE %2")
                               .arg(work, sameKey(QStringLiteral("kesp_inv_detail_tree"), QStringLiteral("d"))))
                      .numRowsAffected();
    written += Sql::run(QStringLiteral("INSERT INTO kesp_inv_detail_tree(%1,warehouse_name,qty) "
                                       "SELECT d.warehouse,d.item_code,d.attr_code,d.size_code,d.stage_code,"
                                       "d.warehouse_name,d.expected_qty FROM %2 AS d WHERE NOT EXISTS "
                                       "(SELECT 1 FROM kesp_inv_detail_tree AS a WHERE %3)")
                            .arg(KeyColumns, work, sameKey(QStringLiteral("a"), QStringLiteral("d"))))
                   .numRowsAffected();
    if (written != differing)
        throw DbError(QStringLiteral("修正的库存记录数不符（%1 / %2）").arg(written).arg(differing));
    // The trail keeps what was rewritten: the first thousand keys before and after.
    const QString keys = QStringLiteral("SELECT warehouse,item_code,attr_code,size_code,stage_code,%1 AS qty FROM %2 "
                                        "ORDER BY warehouse,item_code,attr_code,size_code,stage_code LIMIT 1000");
    Audit::record({QStringLiteral("GG30"), QStringLiteral("kesp_inv_detail_tree"),
                   QStringLiteral("%1 条").arg(differing), Audit::rowsJson(keys.arg(QStringLiteral("book_qty"), work)),
                   Audit::rowsJson(keys.arg(QStringLiteral("expected_qty"), work))});
    Sql::run(DataConnect1::dropSnapshotStatement(work));
    tx.commit();
    return written;
}

} // namespace BalanceCheck
