#pragma once
// Statements of the stock and movement queries, built from fixed fragments with every value
// bound, and the refill of the user's rows of the summary work table.
#include "data/sql.h"

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

// One run of a query screen's statement ("查询"): its rows are kept in the connection's own
// snapshot `table` (sorted by `orderBy`), which other copies never see. The grid, its footer and
// a group summary started from the window all read that one snapshot, so they always agree; the
// summary reads its rows of quantity not 0 where they are (Crosstab::resultRows), nothing is
// copied a second time. Throws DbError, after which nothing has changed.
struct Snapshot {
    QString select; // the snapshot's rows, numbered in their order by `key`
    QString key;
};
Snapshot runOnce(const Statement& s, const QString& table, const QString& orderBy);
// The same with the first reads of the snapshot (a grid's first page and footer) run right after
// it, on the server in the same round trip, each answer handed to `each` with its index in `then`;
// and the snapshot's select and key, known before it is made.
void runOnce(const Statement& s, const QString& table, const QString& orderBy, const QList<Sql::Bound>& then,
             const std::function<void(qsizetype, QSqlQuery&)>& each);
Snapshot snapshotOf(const QString& table);
void dropSnapshot(const QString& table);

// Replaces the current user's rows of kesp_inv_detail_tree_v_out with the statement's rows whose
// quantity is not 0 (the columns as above), in one transaction.
void refillWorkTable(const Statement& s, const QStringList& columns = {});
int workRowCount();
} // namespace QueryBuilders
