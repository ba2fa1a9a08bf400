#include "data/snapshot.h"

#include "data/own_connection.h"
#include "data/sql.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
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
