#include "data/snapshot.h"

#include "data/sql.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
QAtomicInt g_serial;

// A connection of its own for the lifetime of one task, removed afterwards.
class OwnConnection {
public:
    explicit OwnConnection(const QString& file)
        : m_name(QStringLiteral("snapshot-%1").arg(g_serial.fetchAndAddRelaxed(1))) {
        if (!QFileInfo::exists(file)) {
            m_error = QStringLiteral("数据库文件不存在：%1").arg(file);
            return;
        }
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        d.setDatabaseName(file);
        d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
        if (!d.open()) m_error = d.lastError().text();
    }
    ~OwnConnection() {
        if (!QSqlDatabase::contains(m_name)) return;
        { QSqlDatabase::database(m_name, false).close(); }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlQuery run(const QString& sql, const QVariantList& params = {}) {
        if (!m_error.isEmpty()) throw DbError(m_error);
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.setForwardOnly(true);
        if (!q.prepare(sql)) throw DbError(text(q.lastError()));
        for (const QVariant& v : params) q.addBindValue(v);
        if (!q.exec()) throw DbError(text(q.lastError()));
        return q;
    }

private:
    static QString text(const QSqlError& e) { return e.databaseText().isEmpty() ? e.text() : e.databaseText(); }
    QString m_name;
    QString m_error;
};

qint64 pragma(OwnConnection& c, const char* name) {
    QSqlQuery q = c.run(QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
    return q.next() ? q.value(0).toLongLong() : 0;
}
} // namespace

namespace Snapshot {

qint64 expectedSize(const QString& source) {
    OwnConnection c(source);
    return pragma(c, "page_size") * (pragma(c, "page_count") - pragma(c, "freelist_count"));
}

// Reading through the memory map instead of one call per page: several times quicker here.
void mapped(OwnConnection& c) { c.run(QStringLiteral("PRAGMA mmap_size=4294967296")); }

void write(const QString& source, const QString& target) {
    OwnConnection c(source);
    mapped(c);
    c.run(QStringLiteral("VACUUM INTO ?"), {target});
}

QString check(const QString& file) {
    try {
        OwnConnection c(file);
        mapped(c);
        QSqlQuery q = c.run(QStringLiteral("PRAGMA integrity_check(20)"));
        QStringList lines;
        while (q.next()) lines << q.value(0).toString();
        return lines.isEmpty() ? QStringLiteral("no verdict") : lines.join('\n');
    } catch (const DbError& e) {
        return e.text();
    }
}

} // namespace Snapshot
