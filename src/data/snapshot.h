#pragma once
// Consistent copies of the database file, taken through the engine on a connection of the
// calling thread (any thread), so a copy never tears while other running copies write; on the
// database server a dump by the server's own pg_dump, which reads one snapshot of the database.
#include <QString>

namespace Snapshot {
// Bytes the copy of `source` will hold (its pages in use). Throws DbError.
qint64 expectedSize(const QString& source);
// Writes the committed state of `source` into `target` (absent or empty) in one read
// transaction. Throws DbError.
void write(const QString& source, const QString& target);
// The engine's verdict on a database file: "ok", or its first complaints.
QString check(const QString& file);

// The server's side (`location` as in data/server.h).
// The PostgreSQL client program `name` (pg_dump, psql) for a server of version `versionNum`
// (as server_version_num gives it): the one of the same major version in
// /usr/lib/postgresql/<major>/bin, else the one on PATH when it is not older than the server.
// Empty, with the reason in `why`, when none fits.
QString serverProgram(const QString& name, int versionNum, QString* why);
// The server's server_version_num. Throws DbError.
int serverVersion(const QString& location);
// Bytes of the tables' rows: what a dump will roughly hold. Throws DbError.
qint64 expectedDumpSize(const QString& location);
// Writes a plain SQL dump of the database (no owners) into `target`; the password of the
// location goes to pg_dump in its environment, never on its command line. A table another
// session keeps locked longer than the busy timeout fails the dump. Throws DbError.
void dump(const QString& location, const QString& target);
// "ok" when the file ends as a complete dump, otherwise what is wrong.
QString checkDump(const QString& file);
// Loads a dump made by dump() into the schema `schema` of the database at `location` (made anew;
// the dump's own objects of the public schema are renamed into it, the extensions it names are
// left as they are) by the server's psql, in one transaction. Throws DbError with psql's text.
void loadDump(const QString& location, const QString& file, const QString& schema);
// Schemas that dump() leaves out: the scratch copies of a restore.
inline const QString ScratchSchemas = QStringLiteral("yc_restore*");
} // namespace Snapshot
