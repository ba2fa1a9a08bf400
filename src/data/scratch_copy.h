#pragma once
// The scratch copy of a restore beside the live data, and the live data replaced by it: on the
// file the unpacked database file attached to the shared connection, on the server a schema of
// its own in the live database, loaded from the dump. Both are named `Schema` in statements.
#include <QString>
#include <QStringList>

namespace ScratchCopy {
inline const QString Schema = QStringLiteral("yc_restore");

// Makes the scratch copy from the unpacked archive entry: nothing to do for a database file; on
// the server the dump is loaded into `Schema`. Throws DbError.
void load(const QString& location, const QString& unpacked);
// The scratch copy as the shared connection, upgraded to the current schema. Throws DbError.
void open(const QString& location, const QString& unpacked);
// Joins the scratch copy to the shared connection on the live data (outside a transaction), and
// lets it go again.
void attach(const QString& unpacked);
void detach();
// Removes the server's scratch schema (inside or outside a transaction); nothing on the file.
void drop();

// Inside the caller's write transaction: every table of the live data emptied and filled with
// the rows of the scratch copy (their row identities and key counters with them), each write
// checked by its row count. Returns the rows written. Throws DbError.
qint64 replaceLive();
} // namespace ScratchCopy
