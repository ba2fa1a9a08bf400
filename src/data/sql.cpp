#include "data/sql.h"

#include "data/DataConnect1_Unit.h"

#include <QRegularExpression>
#include <QSqlError>

namespace {
int g_depth = 0;
bool g_waiting = false;
std::function<void(bool)> g_busyObserver;

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
    if (isBusy(e)) return Sql::BusyMessage;
    if (isLost(e)) return Sql::LostMessage;
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

QSqlQuery run(const QString& sql, const QVariantList& params) {
    WaitEnd waitEnd;
    ensureConnected();
    QSqlDatabase d = db();
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
        QSqlQuery q(db());
        if (!q.exec(t)) fail(q, t);
    }
}

} // namespace Sql

Transaction::Transaction() {
    if (g_depth == 0) {
        WaitEnd waitEnd;
        Sql::ensureConnected();
        DataConnect1::beginWrite();
        m_outer = true;
    }
    ++g_depth;
}

Transaction::~Transaction() {
    --g_depth;
    if (m_outer && !m_done) {
        QSqlQuery q(Sql::db());
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaction::commit() {
    if (m_outer && !m_done) {
        WaitEnd waitEnd;
        QSqlQuery q(Sql::db());
        if (!q.exec(QStringLiteral("COMMIT"))) throw DbError(engineText(q.lastError()));
    }
    m_done = true;
}
