#include "data/sql.h"

#include "data/DataConnect1_Unit.h"
#include "data/server.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QTime>
#include <QUuid>

#include <algorithm>
#include <utility>

namespace {
int g_depth = 0;
bool g_waiting = false;
std::function<void(bool)> g_busyObserver;
qint64 g_sent = 0;

// The bound statements prepared on the server connection, by their text. The oldest are let go
// beyond a bound (texts with a varying number of values would otherwise pile up on the server).
struct PreparedStatements {
    QHash<QString, QString> names; // statement text -> its prepared name
    QStringList order;             // texts, the oldest first
    QStringList retired;           // names deallocated in front of the next statement sent
    int serial = 0;
};
PreparedStatements g_prepared;
constexpr int MaxPrepared = 400;

// What a server transaction still has to send: its BEGIN with the try for the write lock (sent in
// front of its first statement), and writes whose answer nobody waits for (sent in front of the
// next statement or of the COMMIT).
struct PendingWork {
    bool begin = false;
    QList<Sql::Bound> later;
};
PendingWork g_pending;

void retire(const QString& sql) {
    const QString name = g_prepared.names.take(sql);
    if (name.isEmpty()) return;
    g_prepared.order.removeOne(sql);
    g_prepared.retired << name;
}

void remember(const QString& sql, const QString& name) {
    g_prepared.names.insert(sql, name);
    g_prepared.order << sql;
    while (g_prepared.order.size() > MaxPrepared) retire(g_prepared.order.constFirst());
}

// One statement (or one batch of them) goes to the database. YC_SQL_LOG=1 prints each one.
void sent(const QString& text) {
    static const bool log = qEnvironmentVariableIsSet("YC_SQL_LOG");
    ++g_sent;
    if (log) qWarning("sql %lld: %s", g_sent, qPrintable(text.simplified().left(300)));
}

bool isNullValue(const QVariant& v) {
    if (v.isNull()) return true;
    switch (v.typeId()) {
    case QMetaType::QString: return v.toString().isNull();
    case QMetaType::QByteArray: return v.toByteArray().isNull();
    case QMetaType::QDate: return v.toDate().isNull();
    case QMetaType::QTime: return v.toTime().isNull();
    case QMetaType::QDateTime: return v.toDateTime().isNull();
    case QMetaType::QUuid: return v.toUuid().isNull();
    default: return false;
    }
}

// SQLITE_BUSY and SQLITE_LOCKED with their extended codes, or the server's lock timeout,
// deadlock and serialisation failure: another copy held the lock too long.
bool isBusy(const QSqlError& e) {
    const QString state = e.nativeErrorCode();
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001"))
        return true;
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok && ((code & 0xff) == 5 || (code & 0xff) == 6);
}

// YC_SQL_TRACE=1 prints every failing statement with the engine's text (for finding faults).
[[noreturn]] void fail(const QSqlQuery& q, const QString& sql) {
    static const bool trace = qEnvironmentVariableIsSet("YC_SQL_TRACE");
    if (trace) qWarning("failed: %s\n  %s", qPrintable(sql), qPrintable(q.lastError().text()));
    throw DbError(Sql::errorText(q.lastError()));
}

// The server went away: shut down, restarted, or the network between broke off.
bool isLost(const QSqlError& e) {
    if (!DataConnect1::onServer()) return false;
    const QString state = e.nativeErrorCode();
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") || state == QLatin1String("57P02") ||
           state == QLatin1String("57P03") || !Sql::db().isOpen();
}

QString engineText(const QSqlError& e) {
    // On the server the connection of a copy is ended by a restore; on the file a failure is
    // told apart by the marker beside the file.
    if (isLost(e)) return DataConnect1::restoreUnderway() ? Sql::RestoringMessage : Sql::LostMessage;
    if (!DataConnect1::onServer() && DataConnect1::restoreUnderway()) return Sql::RestoringMessage;
    if (isBusy(e)) return Sql::BusyMessage;
    QString t = e.databaseText();
    if (t.isEmpty()) t = e.text();
    return t;
}

// Ends a wait for another copy's lock once the statement that waited has finished.
struct WaitEnd {
    ~WaitEnd() {
        if (!g_waiting) return;
        g_waiting = false;
        if (g_busyObserver) g_busyObserver(false);
    }
};
} // namespace

namespace Sql {

qint64 statementsSent() { return g_sent; }
void countStatement(const QString& text) { sent(text); }

void forgetPrepared(const QString& table) {
    const QStringList texts = g_prepared.order;
    for (const QString& sql : texts)
        if (sql.contains(table, Qt::CaseInsensitive)) retire(sql);
}

void forgetAllPrepared() { g_prepared = PreparedStatements{}; }

QString literal(const QSqlDatabase& d, const QVariant& v) {
    QSqlField f(QString(), v.metaType());
    if (!isNullValue(v)) f.setValue(v);
    return d.driver()->formatValue(f);
}

QString errorText(const QSqlError& e) { return engineText(e); }

QSqlDatabase db() { return QSqlDatabase::database(DataConnect1::connectionName(), false); }

void setBusyObserver(std::function<void(bool)> observer) { g_busyObserver = std::move(observer); }

void busyWaitBegins() {
    if (g_waiting) return;
    g_waiting = true;
    if (g_busyObserver) g_busyObserver(true);
}

QString prefixCondition(const QString& column, const QString& prefix, QVariantList& params) {
    if (prefix.isEmpty()) return QStringLiteral("1=1");
    // Text columns compare without letter case: the range [prefix, prefix with its last character
    // raised) in lower case holds exactly the values that begin with it, and uses the column's index.
    const QString low = prefix.toLower();
    QString high = low;
    high[high.size() - 1] = QChar(high.at(high.size() - 1).unicode() + 1);
    params << low << high;
    return QStringLiteral("(%1>=? AND %1<?)").arg(column);
}

void ensureConnected() {
    if (db().isOpen()) return;
    if (!DataConnect1::onServer()) throw DbError(QStringLiteral("数据库未连接"));
    // A transaction that lost its connection is gone with it: it fails to the end, all of it.
    if (g_depth > 0) throw DbError(LostMessage);
    DataConnect1::reconnect();
}

namespace {
// Statements sent to the server in one round trip. A bound one is executed by the name it was
// prepared under on this connection, with its values written out as the driver writes them; the
// first time its PREPARE goes in front of it, and statements let go are deallocated in front of
// all. One without values runs as it stands (the server prepares no DDL). A prepared statement
// outlives a rollback. `each` sees every statement's result in turn, the query on it.
QSqlQuery sendToServer(const QList<Bound>& statements, const std::function<void(qsizetype, QSqlQuery&)>& each) {
    QSqlDatabase d = db();
    QSqlQuery q(d);
    q.setForwardOnly(false);
    const bool begin = std::exchange(g_pending.begin, false);
    const QList<Bound> later = std::exchange(g_pending.later, {});
    QStringList parts;
    qsizetype lockAt = -1; // the part that fails when another clerk holds the write lock
    if (begin) {
        parts << DataConnect1::beginStatements();
        lockAt = parts.size() - 1;
    }
    for (const QString& name : std::as_const(g_prepared.retired)) parts << QStringLiteral("DEALLOCATE ") + name;
    g_prepared.retired.clear();
    QList<qsizetype> resultAt;               // the part that answers for each statement
    struct Made {
        qsizetype at; // the part that prepares it
        QString sql;
        QString name;
    };
    QList<Made> made;
    QHash<QString, QString> batchNames;
    QList<Bound> all = later;
    all += statements;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Bound& b = all[i];
        const bool answered = i >= later.size();
        if (b.params.isEmpty()) {
            parts << b.sql;
            if (answered) resultAt << parts.size() - 1;
            continue;
        }
        QString name = g_prepared.names.value(b.sql, batchNames.value(b.sql));
        if (name.isEmpty()) {
            name = QStringLiteral("yc_%1").arg(++g_prepared.serial);
            batchNames.insert(b.sql, name);
            parts << QStringLiteral("PREPARE %1 AS %2").arg(name, Server::numbered(b.sql));
            made.append({parts.size() - 1, b.sql, name});
        }
        QStringList values;
        for (const QVariant& v : b.params) values << literal(d, v);
        parts << QStringLiteral("EXECUTE %1 (%2)").arg(name, values.join(QStringLiteral(", ")));
        if (answered) resultAt << parts.size() - 1;
    }
    if (parts.isEmpty()) return q;
    const QString text = parts.join(QStringLiteral(";\n"));
    sent(text);
    // Each part answers with a result of its own, in order; the walk stops at the first failure.
    qsizetype done = q.exec(text) ? 1 : 0;
    qsizetype next = 0;
    const auto keepPrepared = [&] {
        for (const Made& m : made)
            if (m.at < done) remember(m.sql, m.name);
    };
    try {
        for (;;) {
            if (each)
                while (next < resultAt.size() && resultAt[next] < done) each(next++, q);
            if (done == 0 || done >= parts.size() || !q.nextResult()) break;
            ++done;
        }
    } catch (...) {
        keepPrepared();
        throw;
    }
    keepPrepared();
    if (begin && done == lockAt) {
        // Another clerk writes (the try for the lock failed and stopped the rest): the write lock
        // is waited for (the wait cursor shown), and all of it sent again.
        sent(QStringLiteral("ROLLBACK"));
        QSqlQuery(d).exec(QStringLiteral("ROLLBACK"));
        DataConnect1::beginWrite();
        g_pending.later = later;
        return sendToServer(statements, each);
    }
    if (done < parts.size()) fail(q, text);
    return q;
}
} // namespace

void runLater(const QString& sql, const QVariantList& params) {
    if (!DataConnect1::onServer() || g_depth == 0) {
        run(sql, params);
        return;
    }
    g_pending.later.append({sql, params});
}

void runAll(const QList<Bound>& statements, const std::function<void(qsizetype, QSqlQuery&)>& each) {
    if (statements.isEmpty()) return;
    if (!DataConnect1::onServer()) {
        for (qsizetype i = 0; i < statements.size(); ++i) {
            QSqlQuery q = run(statements[i].sql, statements[i].params);
            if (each) each(i, q);
        }
        return;
    }
    WaitEnd waitEnd;
    ensureConnected();
    sendToServer(statements, each);
}

QSqlQuery run(const QString& sql, const QVariantList& params) {
    WaitEnd waitEnd;
    ensureConnected();
    QSqlDatabase d = db();
    if (DataConnect1::onServer()) return sendToServer({{sql, params}}, {});
    sent(sql);
    QSqlQuery q(d);
    // The server's driver streams a forward-only result row by row and keeps the connection busy
    // until it is read to the end; read whole, a result holds nothing open there either.
    q.setForwardOnly(!DataConnect1::onServer());
    if (params.isEmpty()) {
        // Nothing to bind: run as it stands (the server prepares no DDL).
        if (!q.exec(sql)) fail(q, sql);
        return q;
    }
    if (!q.prepare(sql)) fail(q, sql);
    for (const QVariant& v : params) q.addBindValue(v);
    if (!q.exec()) fail(q, sql);
    return q;
}

QSqlQuery runBatch(const QStringList& statements) {
    if (!DataConnect1::onServer() || statements.size() < 2) {
        QSqlQuery last;
        for (const QString& s : statements) last = run(s);
        return last;
    }
    WaitEnd waitEnd;
    ensureConnected();
    QList<Bound> bound;
    for (const QString& s : statements) bound.append({s, {}});
    return sendToServer(bound, {});
}

QVariant scalar(const QString& sql, const QVariantList& params) {
    QSqlQuery q = run(sql, params);
    return q.next() ? q.value(0) : QVariant();
}

bool exists(const QString& sql, const QVariantList& params) {
    QSqlQuery q = run(sql, params);
    return q.next();
}

void runScript(const QString& script) {
    QStringList lines;
    for (const QString& line : script.split('\n')) {
        if (!line.trimmed().startsWith(QLatin1String("--"))) lines << line;
    }
    const QStringList statements =
        lines.join('\n').split(QRegularExpression(QStringLiteral(";\\s*(\\n|$)")), Qt::SkipEmptyParts);
    for (const QString& s : statements) {
        const QString t = s.trimmed();
        if (t.isEmpty()) continue;
        const QString upper = t.toUpper();
        if (upper == QLatin1String("BEGIN") || upper == QLatin1String("COMMIT")) continue;
        WaitEnd waitEnd;
        // A transaction's BEGIN and its writes still to be sent go first.
        if (DataConnect1::onServer() && (g_pending.begin || !g_pending.later.isEmpty())) sendToServer({}, {});
        QSqlQuery q(db());
        sent(t);
        if (!q.exec(t)) fail(q, t);
    }
}

} // namespace Sql

Transaction::Transaction() {
    if (g_depth == 0) {
        WaitEnd waitEnd;
        Sql::ensureConnected();
        // On the server the BEGIN and the try for the write lock go with the first statement.
        if (DataConnect1::onServer()) g_pending = {true, {}};
        else DataConnect1::beginWrite();
        m_outer = true;
    }
    ++g_depth;
}

Transaction::~Transaction() {
    --g_depth;
    if (m_outer && !m_done) {
        const bool begun = !g_pending.begin; // nothing was sent otherwise
        g_pending = {};
        if (begun) {
            QSqlQuery q(Sql::db());
            sent(QStringLiteral("ROLLBACK"));
            q.exec(QStringLiteral("ROLLBACK"));
        }
    }
}

void Transaction::commit() {
    if (m_outer && !m_done && DataConnect1::onServer()) {
        WaitEnd waitEnd;
        // The writes still to be sent go with the COMMIT; a transaction that sent nothing is done.
        if (!(g_pending.begin && g_pending.later.isEmpty())) Sql::sendToServer({{QStringLiteral("COMMIT"), {}}}, {});
        g_pending = {};
    } else if (m_outer && !m_done) {
        WaitEnd waitEnd;
        QSqlQuery q(Sql::db());
        sent(QStringLiteral("COMMIT"));
        if (!q.exec(QStringLiteral("COMMIT"))) throw DbError(engineText(q.lastError()));
    }
    m_done = true;
}

void Transaction::commit(const QList<Sql::Bound>& then, const std::function<void(qsizetype, QSqlQuery&)>& each) {
    const bool sent = !(g_pending.begin && g_pending.later.isEmpty());
    if (!m_outer || m_done || !DataConnect1::onServer() || !sent || then.isEmpty()) {
        commit();
        Sql::runAll(then, each);
        return;
    }
    WaitEnd waitEnd;
    QList<Sql::Bound> all{{QStringLiteral("COMMIT"), {}}};
    all += then;
    Sql::sendToServer(all, [&](qsizetype i, QSqlQuery& q) {
        if (i == 0) { // committed: a failing read takes nothing back
            g_pending = {};
            m_done = true;
        } else if (each) {
            each(i - 1, q);
        }
    });
    g_pending = {};
    m_done = true;
}
