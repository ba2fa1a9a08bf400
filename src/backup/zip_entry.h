#pragma once
// Reading an entry of a backup archive, shared by the backup's read-back and the restore.
#include <QString>
#include <functional>
#include <zip.h>

namespace ZipEntry {
// libzip's text for an error code zip_open gave.
QString errorText(int code);
// Reads the entry at `index` through the archive's checksum, a piece at a time into `out` (which
// may throw; the entry is closed all the same). The empty text on success, else why it failed.
QString read(zip_t* za, zip_uint64_t index, const std::function<void(const char*, qint64)>& out);
} // namespace ZipEntry
