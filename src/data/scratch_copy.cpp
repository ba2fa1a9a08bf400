#include "data/scratch_copy.h"

#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/server_copy.h"
#include "data/snapshot.h"
#include "data/sql.h"

namespace ScratchCopy {

namespace {
QStringList column(QSqlQuery q) {
    QStringList out;
    while (q.next()) out << q.value(0).toString();
    return out;
}

QStringList tables() {
    if (DataConnect1::onServer())
        return column(Sql::run(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = ? "
                                              "AND table_type = 'BASE TABLE' ORDER BY table_name"),
                               {Schema}));
    return column(Sql::run(
        QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name")
            .arg(Schema)));
}

// The columns of a scratch table; on the file with the row identity of a table without a key of
// its own (the movement history's is what closed periods record).
QStringList columns(const QString& table) {
    if (DataConnect1::onServer())
        return column(Sql::run(QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_schema = ? "
                                              "AND table_name = ? ORDER BY ordinal_position"),
                               {Schema, table}));
    QSqlQuery q = Sql::run(QStringLiteral("PRAGMA %1.table_info(\"%2\")").arg(Schema, table));
    QStringList out;
    bool key = false;
    while (q.next()) {
        out << q.value(1).toString();
        key = key || q.value(5).toInt() > 0;
    }
    if (!key) out.prepend(QStringLiteral("rowid"));
    return out;
}

// The key counters continue after the restored rows, as they stood in the backup.
void restoreCounters() {
    if (!DataConnect1::onServer()) {
        Sql::run(QStringLiteral("DELETE FROM sqlite_sequence"));
        if (Sql::exists(QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE name = 'sqlite_sequence'").arg(Schema)))
            Sql::run(QStringLiteral("INSERT INTO sqlite_sequence(name, seq) SELECT name, seq FROM %1.sqlite_sequence").arg(Schema));
        return;
    }
    ServerCopy::moveCountersOn();
}
} // namespace

void load(const QString& location, const QString& unpacked) {
    if (Server::isServerLocation(location)) Snapshot::loadDump(location, unpacked, Schema);
}

void open(const QString& location, const QString& unpacked) {
    DataConnect1::openScratch(Server::isServerLocation(location) ? location : unpacked, Schema);
}

void attach(const QString& unpacked) {
    if (!DataConnect1::onServer()) Sql::run(QStringLiteral("ATTACH DATABASE ? AS %1").arg(Schema), {unpacked});
}

void detach() {
    if (!DataConnect1::onServer()) Sql::run(QStringLiteral("DETACH DATABASE %1").arg(Schema));
}

void drop() {
    if (DataConnect1::onServer()) Sql::run(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(Schema));
}

qint64 replaceLive() {
    const QString overriding = DataConnect1::onServer() ? QStringLiteral(" OVERRIDING SYSTEM VALUE") : QString();
    qint64 total = 0;
    for (const QString& t : tables()) {
        const QString list = columns(t).join(QLatin1Char(','));
        const qint64 rows = Sql::scalar(QStringLiteral("SELECT count(*) FROM %1.%2").arg(Schema, t)).toLongLong();
        Sql::run(QStringLiteral("DELETE FROM %1").arg(t));
        const qint64 written =
            Sql::run(QStringLiteral("INSERT INTO %1 (%2)%3 SELECT %2 FROM %4.%1").arg(t, list, overriding, Schema))
                .numRowsAffected();
        if (written != rows)
            throw DbError(QStringLiteral("表 %1 只写入了 %2 行，应为 %3 行").arg(t).arg(written).arg(rows));
        total += rows;
    }
    restoreCounters();
    return total;
}

} // namespace ScratchCopy
