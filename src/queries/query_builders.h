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

// The columns a stock query copies into the work table (every column of kesp_inv_detail_tree_v),
// and the fifteen a movement query copies.
QStringList stockWorkColumns();
QStringList movementWorkColumns();
// Replaces the current user's rows of kesp_inv_detail_tree_v_out with the statement's rows whose
// quantity is not 0, in one transaction.
void refillWorkTable(const Statement& s, const QStringList& columns = stockWorkColumns());
int workRowCount();
} // namespace QueryBuilders
