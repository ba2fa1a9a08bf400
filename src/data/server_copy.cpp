#include "data/server_copy.h"

#include "data/DataConnect1_Unit.h"
#include "data/own_connection.h"
#include "data/server.h"
#include "data/sql.h"

#include <QFileInfo>
#include <QSqlError>
#include <QMap>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace ServerCopy {

namespace {
// Values bound by one INSERT at most (the server takes 65535; a few hundred rows a statement).
constexpr int ValuesPerStatement = 20000;
constexpr int RowsPerStatement = 500;

QStringList column(QSqlQuery q) {
    QStringList out;
    while (q.next()) out << q.value(0).toString();
    return out;
}

// The server's side of the copy: statements on the shared connection inside the transaction.
// Column names (lower case) with their types.
QMap<QString, QString> targetColumns(const QString& table) {
    QMap<QString, QString> out;
    QSqlQuery q = Sql::run(QStringLiteral("SELECT column_name, data_type FROM information_schema.columns "
                                          "WHERE table_schema = current_schema() AND table_name = ?"),
                           {table.toLower()});
    while (q.next()) out.insert(q.value(0).toString(), q.value(1).toString());
    return out;
}

QString insertStatement(const QString& table, const QStringList& columns, int rows) {
    const QString one = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(',') + QLatin1Char(')');
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table, columns.join(','), QStringList(rows, one).join(','));
}

void exec(QSqlQuery& q, const QVariantList& values, int rows) {
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values.at(i));
    if (!q.exec()) throw DbError(Sql::errorText(q.lastError()));
    if (q.numRowsAffected() != rows)
        throw DbError(QStringLiteral("服务器只写入了 %1 行，应为 %2 行").arg(q.numRowsAffected()).arg(rows));
}

// Copies one table in batches of multi-row INSERTs; returns the rows copied.
qint64 copyTable(OwnConnection& source, const QString& table) {
    const QStringList from = column(source.run(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table}));
    // Only names the server's schema knows reach its statements.
    const QMap<QString, QString> onServer = targetColumns(table);
    if (onServer.isEmpty()) throw DbError(QStringLiteral("服务器上没有表 %1").arg(table));
    QStringList selected = from;
    QStringList into;
    QList<bool> flag; // the file keeps truth values as 0 and 1, the server as a type of their own
    for (const QString& c : from) {
        if (!onServer.contains(c.toLower())) throw DbError(QStringLiteral("服务器上的表 %1 没有列 %2").arg(table, c));
        into << c.toLower();
        flag << (onServer.value(c.toLower()) == QLatin1String("boolean"));
    }
    // A table without a key of its own keeps its row numbers in the server's row_id.
    const QString rowId = DataConnect1::rowIdColumn();
    if (onServer.contains(rowId) && !into.contains(rowId)) {
        selected << QStringLiteral("rowid");
        into << rowId;
        flag << false;
    }
    Sql::run(QStringLiteral("DELETE FROM %1").arg(table)); // the initial rows come with the source's
    const int rowsPer = qMax(1, qMin(RowsPerStatement, ValuesPerStatement / int(into.size())));
    // A failed insert leaves the transaction failed; back at the savepoint the prepared inserts
    // can still be released before the whole copy rolls back.
    Sql::run(QStringLiteral("SAVEPOINT copy_table"));
    QSqlQuery full(Sql::db());
    QSqlQuery rest(Sql::db());
    try {
        if (!full.prepare(insertStatement(table, into, rowsPer))) throw DbError(Sql::errorText(full.lastError()));
        QSqlQuery rows = source.run(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(selected.join(','), table));
        QVariantList values;
        values.reserve(rowsPer * into.size());
        qint64 copied = 0;
        while (rows.next()) {
            for (int i = 0; i < into.size(); ++i) {
                const QVariant v = rows.value(i);
                values << (flag.at(i) && !v.isNull() ? QVariant(v.toBool()) : v);
            }
            if (++copied % rowsPer == 0) {
                exec(full, values, rowsPer);
                values.clear();
            }
        }
        if (rows.lastError().isValid()) throw DbError(rows.lastError().text());
        if (!values.isEmpty()) {
            const int left = int(values.size() / into.size());
            if (!rest.prepare(insertStatement(table, into, left))) throw DbError(Sql::errorText(rest.lastError()));
            exec(rest, values, left);
        }
        Sql::run(QStringLiteral("RELEASE SAVEPOINT copy_table"));
        return copied;
    } catch (...) {
        QSqlQuery(Sql::db()).exec(QStringLiteral("ROLLBACK TO SAVEPOINT copy_table"));
        throw;
    }
}

// Every identity column of the server continues after the highest key copied, and after every
// key the file ever handed out (its sequence table), so no key is given twice.
void moveCountersPastFile(OwnConnection& source) {
    const bool sequences = source.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_sequence'")).toInt() > 0;
    ServerCopy::moveCountersOn([&](const QString& table) -> qint64 {
        if (!sequences) return 0;
        return source.scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE lower(name) = ?"), {table}).toLongLong();
    });
}

// Thousandths, exact on both engines for quantities kept at 3 decimals.
const QString SumOfQty = QStringLiteral("CAST(coalesce(sum(CAST(round(qty * 1000) AS BIGINT)), 0) AS BIGINT)");

using Run = std::function<QSqlQuery(const QString&)>;

// Balance per warehouse code. Both engines group the codes without letter case, and either may
// show either spelling: the key is folded, `shown` keeps the spelling first seen.
QMap<QString, qint64> byWarehouse(const Run& run, QMap<QString, QString>& shown) {
    QMap<QString, qint64> out;
    QSqlQuery q = run(QStringLiteral("SELECT warehouse, %1 FROM kesp_inv_detail_tree GROUP BY warehouse").arg(SumOfQty));
    while (q.next()) {
        const QString code = q.value(0).isNull() ? QStringLiteral("(空)") : q.value(0).toString();
        const QString key = code.toCaseFolded();
        if (!shown.contains(key)) shown.insert(key, code);
        out[key] += q.value(1).toLongLong();
    }
    return out;
}

// Row counts, quantity sums and balances per warehouse, each taken on both sides by its own query.
QList<Figure> compare(OwnConnection& source, const QStringList& tables) {
    const Run src = [&](const QString& sql) { return source.run(sql); };
    const Run dst = [](const QString& sql) { return Sql::run(sql); };
    const auto one = [](const Run& run, const QString& sql) {
        QSqlQuery q = run(sql);
        return q.next() ? q.value(0).toLongLong() : 0;
    };
    QList<Figure> out;
    for (const QString& t : tables) {
        const QString count = QStringLiteral("SELECT count(*) FROM %1").arg(t);
        out << Figure{QStringLiteral("%1 行数").arg(t), one(src, count), one(dst, count), false};
        if (!targetColumns(t).contains(QStringLiteral("qty"))) continue;
        const QString sum = QStringLiteral("SELECT %1 FROM %2").arg(SumOfQty, t);
        out << Figure{QStringLiteral("%1 数量合计").arg(t), one(src, sum), one(dst, sum), true};
    }
    if (tables.contains(QStringLiteral("kesp_inv_detail_tree"))) {
        QMap<QString, QString> shown;
        const QMap<QString, qint64> a = byWarehouse(src, shown);
        const QMap<QString, qint64> b = byWarehouse(dst, shown);
        for (auto w = shown.cbegin(); w != shown.cend(); ++w)
            out << Figure{QStringLiteral("库存 仓库 %1").arg(w.value()), a.value(w.key()), b.value(w.key()), true};
    }
    return out;
}

void checkVersion(OwnConnection& source) {
    const int version = source.scalar(QStringLiteral("PRAGMA user_version")).toInt();
    if (version == DataConnect1::SchemaVersion) return;
    if (version > DataConnect1::SchemaVersion)
        throw DbError(QStringLiteral("数据库版本（%1）比本程序（%2）新，请使用新版程序复制。")
                          .arg(version)
                          .arg(DataConnect1::SchemaVersion));
    if (version == 0 && source.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'login_table'")).toInt() == 0)
        throw DbError(QStringLiteral("该文件不是本程序的数据库"));
    throw DbError(QStringLiteral("数据库文件是旧版本（%1）：请先用本程序打开一次（自动升级），再复制到服务器。").arg(version));
}
} // namespace

void moveCountersOn(const std::function<qint64(const QString& table)>& handedOut) {
    QSqlQuery ids = Sql::run(QStringLiteral("SELECT table_name, column_name FROM information_schema.columns "
                                            "WHERE table_schema = current_schema() AND is_identity = 'YES'"));
    QList<QPair<QString, QString>> columns;
    while (ids.next()) columns << qMakePair(ids.value(0).toString(), ids.value(1).toString());
    for (const auto& [table, col] : columns) {
        const qint64 floor = handedOut ? handedOut(table) : 0;
        Sql::run(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), greatest(coalesce(max(%1), 0), ?, 1), "
                                "greatest(coalesce(max(%1), 0), ?) > 0) FROM %2")
                     .arg(col, table),
                 {table, col, floor, floor});
    }
}

QString thousandths(qint64 v) {
    const QString sign = v < 0 ? QStringLiteral("-") : QString();
    const quint64 a = v < 0 ? quint64(-(v + 1)) + 1 : quint64(v);
    return sign + QString::number(a / 1000) + QLatin1Char('.') + QStringLiteral("%1").arg(a % 1000, 3, 10, QLatin1Char('0'));
}

QString describe(const Figure& f) {
    const auto shown = [&](qint64 v) { return f.quantity ? thousandths(v) : QString::number(v); };
    return QStringLiteral("%1：本地 %2，服务器 %3%4")
        .arg(f.what, shown(f.source), shown(f.target), f.equal() ? QString() : QStringLiteral("  ← 不符"));
}

Result copy(const QString& sourceFile, const QString& target, const std::function<void(const QString&)>& log) {
    Result result;
    try {
        if (!Server::isServerLocation(target))
            throw DbError(QStringLiteral("%1 不是数据库服务器的地址（postgresql://用户@主机:端口/数据库）").arg(target));
        if (!QFileInfo(sourceFile).isFile()) throw DbError(QStringLiteral("数据库文件不存在：%1").arg(sourceFile));
        OwnConnection source(sourceFile, OwnConnection::ReadOnly);
        checkVersion(source);
        // One read transaction: every table and every figure come from the same committed state.
        source.run(QStringLiteral("BEGIN"));
        const QStringList tables = column(source.run(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY rowid")));
        DataConnect1::create(target, [&] {
            for (const QString& t : tables) {
                try {
                    const qint64 n = copyTable(source, t);
                    if (log) log(QStringLiteral("%1：%2 行").arg(t).arg(n));
                } catch (const DbError& e) {
                    throw DbError(QStringLiteral("复制表 %1 时出错：%2").arg(t, e.text()));
                }
            }
            // The planner knows the new rows from the first query on; only the tables copied (the
            // catalogue is not ours to analyse, and a plain ANALYZE warns for each of its tables).
            Sql::run(QStringLiteral("ANALYZE ") + tables.join(QStringLiteral(", ")));
            moveCountersPastFile(source);
            result.figures = compare(source, tables);
            const auto differs = std::count_if(result.figures.cbegin(), result.figures.cend(),
                                               [](const Figure& f) { return !f.equal(); });
            if (differs > 0)
                throw DbError(QStringLiteral("核对不符：%1 项数字与数据库文件不同。").arg(differs));
        });
        source.run(QStringLiteral("ROLLBACK"));
    } catch (const DbError& e) {
        result.error = e.text();
    }
    DataConnect1::close();
    return result;
}

} // namespace ServerCopy
