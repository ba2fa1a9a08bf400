#pragma once
// Consistent copies of the database file, taken through the engine on a connection of the
// calling thread (any thread), so a copy never tears while other running copies write.
#include <QString>

namespace Snapshot {
// Bytes the copy of `source` will hold (its pages in use). Throws DbError.
qint64 expectedSize(const QString& source);
// Writes the committed state of `source` into `target` (absent or empty) in one read
// transaction. Throws DbError.
void write(const QString& source, const QString& target);
// The engine's verdict on a database file: "ok", or its first complaints.
QString check(const QString& file);
} // namespace Snapshot
