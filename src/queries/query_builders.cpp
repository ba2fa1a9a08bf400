#include "queries/query_builders.h"

#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "data/sql.h"
#include "security/rights.h"


#include <QSqlRecord>

namespace QueryBuilders {

namespace {
// Only the warehouses the user may see.
Statement filtered(const QString& source, const Criteria& criteria) {
    Statement s;
    s.sql = QStringLiteral("SELECT * FROM %1 WHERE %2").arg(source, Rights::warehouseCondition(QStringLiteral("warehouse"), s.params));
    for (const auto& [column, value] : criteria) {
        if (value.isEmpty()) continue;
        s.sql += QStringLiteral(" AND %1=?").arg(column);
        s.params << value;
    }
    return s;
}
} // namespace

Statement stockQuery(const Criteria& criteria) { return filtered(QStringLiteral("kesp_inv_detail_tree_v"), criteria); }

Statement historyStockQuery(const Criteria& criteria) {
    return filtered(QStringLiteral("kesp_inv_history_detail_tree_v"), criteria);
}

Statement movementQuery(char direction, const Criteria& criteria, const QString& fromDate, const QString& toDate,
                        const QString& billFrom, const QString& billTo) {
    Statement s = filtered(QStringLiteral("kesp_post_history_v"), criteria);
    if (!billFrom.isEmpty()) {
        s.sql += QStringLiteral(" AND bill_no>=?");
        s.params << billFrom;
    }
    if (!billTo.isEmpty()) {
        s.sql += QStringLiteral(" AND bill_no<=?");
        s.params << billTo;
    }
    s.sql += QStringLiteral(" AND i_o_flag=? AND procure_date>=? AND procure_date<=?");
    s.params << QString(QChar::fromLatin1(direction)) << fromDate << toDate;
    return s;
}

namespace {
const QString WorkTable = QStringLiteral("kesp_inv_detail_tree_v_out");

QStringList fieldsOf(const QString& source, const QVariantList& params) {
    // A table by name, or a select in parentheses.
    const bool table = !source.contains(QLatin1Char(' '));
    const QString from = table ? source : QStringLiteral("(%1) AS f").arg(source);
    const QSqlRecord rec = Sql::run(QStringLiteral("SELECT * FROM %1 WHERE 1=0").arg(from), params).record();
    QStringList fields;
    for (int i = 0; i < rec.count(); ++i) fields << rec.fieldName(i);
    return fields;
}

// The columns of the source that the work table has too; login_id is the work row's owner.
QStringList sharedColumns(const QString& source, const QVariantList& params) {
    const QStringList work = fieldsOf(WorkTable, {});
    QStringList shared;
    for (const QString& f : fieldsOf(source, params))
        if (f.compare(QLatin1String("login_id"), Qt::CaseInsensitive) != 0 && work.contains(f, Qt::CaseInsensitive))
            shared << f;
    return shared;
}

void refillFrom(const QString& source, const QVariantList& sourceParams, QStringList columns) {
    if (columns.isEmpty()) columns = sharedColumns(source, sourceParams);
    const QString user = Session::userCode();
    Sql::run(QStringLiteral("DELETE FROM %1 WHERE login_id=?").arg(WorkTable), {user});
    QVariantList params{user};
    params += sourceParams;
    Sql::run(QStringLiteral("INSERT INTO %1(%2,login_id) SELECT %2,? FROM (%3) AS q WHERE qty<>0 OR qty IS NULL")
                 .arg(WorkTable, columns.join(','), source),
             params);
}
} // namespace

Snapshot runOnce(const Statement& s, const QString& table, const QString& orderBy) {
    runOnce(s, table, orderBy, {}, {});
    return snapshotOf(table);
}

void runOnce(const Statement& s, const QString& table, const QString& orderBy, const QList<Sql::Bound>& then,
             const std::function<void(qsizetype, QSqlQuery&)>& each) {
    // The server makes the snapshot in one batch with its reads, a transaction of its own. On the
    // file one statement fills it, so it reads one consistent state of the data; the snapshot is a
    // temporary table of this connection, so no write lock is taken and other copies post on
    // while a long query runs.
    if (DataConnect1::onServer()) {
        DataConnect1::makeSnapshot(table, s.sql, orderBy, s.params, then, each);
        return;
    }
    DataConnect1::makeSnapshot(table, s.sql, orderBy, s.params);
    Sql::runAll(then, each);
}

Snapshot snapshotOf(const QString& table) {
    return {QStringLiteral("SELECT %1 AS grid_row, * FROM %2").arg(DataConnect1::snapshotKey(), table),
            QStringLiteral("grid_row")};
}

void dropSnapshot(const QString& table) { Sql::run(DataConnect1::dropSnapshotStatement(table)); }

void refillWorkTable(const Statement& s, const QStringList& columns) {
    Transaction tx;
    refillFrom(s.sql, s.params, columns);
    tx.commit();
}

int workRowCount() {
    return Sql::scalar(QStringLiteral("SELECT count(*) FROM kesp_inv_detail_tree_v_out WHERE login_id=?"),
                       {Session::userCode()})
        .toInt();
}

} // namespace QueryBuilders
