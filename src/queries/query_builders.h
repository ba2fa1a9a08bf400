#pragma once
// Statements of the stock and movement queries, built from fixed fragments with every value
// bound, and the refill of the user's rows of the summary work table.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>

namespace QueryBuilders {
struct Statement {
    QString sql;
    QVariantList params;
};
using Criteria = QList<QPair<QString, QString>>; // column (fixed by the caller), value; empty values add nothing

// Current stock over kesp_inv_detail_tree_v (criteria in the screen's order).
Statement stockQuery(const Criteria& criteria);
// Historical stock over kesp_inv_history_detail_tree_v.
Statement historyStockQuery(const Criteria& criteria);
// Posted movements of one direction ('i' or 'o') over kesp_post_history_v: equality criteria,
// then the bill number range, the direction and the date range (bounds included, text order).
Statement movementQuery(char direction, const Criteria& criteria, const QString& fromDate, const QString& toDate,
                        const QString& billFrom = {}, const QString& billTo = {});

// One run of a query screen's statement ("查询"), in one write transaction: the rows are kept in
// the connection's own snapshot `table` (sorted by `orderBy`), and the user's rows of
// kesp_inv_detail_tree_v_out are refilled from that snapshot with every column the two share
// (or only `columns` when given), rows of quantity 0 left out. The grid and its footer read the
// snapshot, so they and a group summary started from it always agree. Throws DbError, after
// which nothing has changed.
struct Snapshot {
    QString select; // the snapshot's rows, numbered in their order by `key`
    QString key;
};
Snapshot runOnce(const Statement& s, const QString& table, const QString& orderBy, const QStringList& columns = {});
void dropSnapshot(const QString& table);

// Replaces the current user's rows of kesp_inv_detail_tree_v_out with the statement's rows whose
// quantity is not 0 (the columns as above), in one transaction.
void refillWorkTable(const Statement& s, const QStringList& columns = {});
int workRowCount();
} // namespace QueryBuilders
