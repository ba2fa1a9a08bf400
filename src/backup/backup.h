#pragma once
// The data backup: a consistent snapshot of the database taken through the engine (on the
// database server a dump by its pg_dump), checked,
// packed as one Deflate entry into "{MMddHHmm}quorvel.zip" and read back before it takes its
// final name. Runs on any thread; progress is read from another.
#include <QDateTime>
#include <QString>
#include <atomic>

namespace Backup {
// "{month}{day}{hour}{minute}quorvel.zip", every piece two digits.
QString archiveName(const QDateTime& at);
// The folder "backup" below the start directory and the archive in it.
QString archiveFolder(const QString& startDir);
QString archivePath(const QString& startDir, const QDateTime& at);
// The name stored for the entry: the database file relative to the start directory; a server's
// dump is "DATA/quorvel.sql".
QString entryName(const QString& startDir, const QString& source);

struct Progress {
    std::atomic<int> snapshot{0}; // 0..100: the engine's copy
    std::atomic<int> archive{0};  // 0..100: compression, then the read-back
};

struct Job {
    QString source;  // the database file, or the server location
    QString archive; // final archive path
    QString entry;   // relative name of the entry
};

struct Result {
    int files = 0;   // 1 when the database was archived, 0 when there was none
    QString error;   // empty on success
};

// Removes what interrupted backups left behind: engine snapshots in the user's temporary folder
// (and in `folder`, where they were once made) and unfinished archives in `folder`. Does nothing
// while a backup of this user is running. Called at start-up; every backup does it first.
void removeLeftovers(const QString& folder);

// Writes the archive. The engine's snapshot is made in the user's temporary folder, where a
// killed backup leaves it for the next start to remove. An archive already at the final name is moved to the trash only once
// the new one has been verified; on failure nothing new remains under the final name.
Result make(const Job& job, Progress* progress = nullptr);

// The backup command of the user (throws Rights::Refused without it) and its row in the trail,
// written once the archive is in place; both on the thread of the shared connection.
inline const QString Command = QStringLiteral("AA40");
void requireRight();
void recordMade(const Job& job);

// Beside the data every archive holds a small manifest: the program and schema version that made
// it, when, and the name of the data entry. Archives made before it have the data entry alone.
inline const QString ManifestEntry = QStringLiteral("manifest.json");
inline const QString Program = QStringLiteral("衣仓通 6.01");
struct Manifest {
    QString program;
    int schema = 0;
    QDateTime made;
    QString entry;
};
QByteArray manifestText(const Manifest& m);
// An empty manifest (no program) when the text is none.
Manifest readManifest(const QByteArray& text);

// zlib's usual balance of size and speed (the archive library's own default is its slowest).
inline constexpr int DeflateLevel = 6;

inline QString doneMessage(int files) { return QStringLiteral("%1个文件压缩备份完毕！").arg(files); }
inline const QString OverwriteQuestion = QStringLiteral("压缩的备份文件已经存在... 覆盖吗？");
} // namespace Backup
