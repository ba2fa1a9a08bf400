#include "data/sql.h"

#include "data/DataConnect1_Unit.h"

#include <QRegularExpression>
#include <QSqlError>

namespace {
int g_depth = 0;

QString engineText(const QSqlError& e) {
    QString t = e.databaseText();
    if (t.isEmpty()) t = e.text();
    return t;
}
} // namespace

namespace Sql {

QSqlDatabase db() { return QSqlDatabase::database(DataConnect1::connectionName(), false); }

QSqlQuery run(const QString& sql, const QVariantList& params) {
    QSqlDatabase d = db();
    if (!d.isOpen()) throw DbError(QStringLiteral("数据库未连接"));
    QSqlQuery q(d);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw DbError(engineText(q.lastError()));
    for (const QVariant& v : params) q.addBindValue(v);
    if (!q.exec()) throw DbError(engineText(q.lastError()));
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
        QSqlQuery q(db());
        if (!q.exec(t)) throw DbError(engineText(q.lastError()));
    }
}

} // namespace Sql

Transaction::Transaction() {
    if (g_depth == 0) {
        QSqlQuery q(Sql::db());
        if (!q.exec(DataConnect1::beginWriteStatement())) throw DbError(engineText(q.lastError()));
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
        QSqlQuery q(Sql::db());
        if (!q.exec(QStringLiteral("COMMIT"))) throw DbError(engineText(q.lastError()));
    }
    m_done = true;
}
