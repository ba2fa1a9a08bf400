#include "data/own_connection.h"

#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/sql.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>

namespace {
QAtomicInt g_serial;
QString text(const QSqlError& e) { return e.databaseText().isEmpty() ? e.text() : e.databaseText(); }
} // namespace

OwnConnection::OwnConnection(const QString& location, Mode mode)
    : m_name(QStringLiteral("own-%1").arg(g_serial.fetchAndAddRelaxed(1))),
      m_server(Server::isServerLocation(location)) {
    if (m_server) {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        Server::configure(d, location);
        if (!d.open()) {
            m_error = QStringLiteral("无法连接数据库服务器 %1：%2").arg(Server::shown(location), d.lastError().text());
            return;
        }
        // Waits for another session's lock no longer than the shared connection does.
        QSqlQuery(d).exec(QStringLiteral("SET lock_timeout = %1").arg(DataConnect1::busyTimeout()));
        return;
    }
    if (!QFileInfo::exists(location)) {
        m_error = QStringLiteral("数据库文件不存在：%1").arg(location);
        return;
    }
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    d.setDatabaseName(location);
    d.setConnectOptions(mode == ReadOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=15000")
                                         : QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!d.open()) m_error = d.lastError().text();
}

OwnConnection::~OwnConnection() {
    if (!QSqlDatabase::contains(m_name)) return;
    { QSqlDatabase::database(m_name, false).close(); }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase OwnConnection::db() const { return QSqlDatabase::database(m_name, false); }

QSqlQuery OwnConnection::run(const QString& sql, const QVariantList& params) {
    if (!m_error.isEmpty()) throw DbError(m_error);
    QSqlQuery q(db());
    q.setForwardOnly(true);
    if (params.isEmpty()) {
        if (!q.exec(sql)) throw DbError(text(q.lastError()));
        return q;
    }
    if (!q.prepare(sql)) throw DbError(text(q.lastError()));
    for (const QVariant& v : params) q.addBindValue(v);
    if (!q.exec()) throw DbError(text(q.lastError()));
    return q;
}

QVariant OwnConnection::scalar(const QString& sql, const QVariantList& params) {
    QSqlQuery q = run(sql, params);
    return q.next() ? q.value(0) : QVariant();
}
