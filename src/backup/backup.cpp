#include "backup/backup.h"
#include "backup/zip_entry.h"

#include "security/audit.h"
#include "security/rights.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "data/DataConnect1_Unit.h"
#include "data/server.h"
#include "data/snapshot.h"
#include "data/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <zip.h>

#include <algorithm>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Backup {

QString archiveName(const QDateTime& at) { return at.toString(QStringLiteral("MMddHHmm")) + QStringLiteral("quorvel.zip"); }

QString archiveFolder(const QString& startDir) { return QDir(startDir).filePath(QStringLiteral("backup")); }

QString archivePath(const QString& startDir, const QDateTime& at) {
    return QDir(archiveFolder(startDir)).filePath(archiveName(at));
}

QString entryName(const QString& startDir, const QString& source) {
    if (Server::isServerLocation(source)) return QStringLiteral("DATA/quorvel.sql");
    const QString rel = QDir(startDir).relativeFilePath(source);
    if (rel.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(rel))
        return QStringLiteral("Data/") + QFileInfo(source).fileName();
    return rel;
}

QByteArray manifestText(const Manifest& m) {
    return QJsonDocument(QJsonObject{{QStringLiteral("program"), m.program},
                                     {QStringLiteral("schema"), m.schema},
                                     {QStringLiteral("made"), m.made.toString(Qt::ISODate)},
                                     {QStringLiteral("entry"), m.entry}})
        .toJson();
}

Manifest readManifest(const QByteArray& text) {
    const QJsonObject o = QJsonDocument::fromJson(text).object();
    return {o.value(QStringLiteral("program")).toString(), o.value(QStringLiteral("schema")).toInt(),
            QDateTime::fromString(o.value(QStringLiteral("made")).toString(), Qt::ISODate),
            o.value(QStringLiteral("entry")).toString()};
}

namespace {
struct Failure {
    QString text;
};

// Follows the growing snapshot file until stopped: the engine reports nothing while it copies.
class SizeWatch {
public:
    SizeWatch(const QString& file, qint64 expected, std::atomic<int>* out)
        : m_thread([=, this] {
              std::unique_lock lock(m_mutex);
              while (!m_stop) {
                  m_cv.wait_for(lock, std::chrono::milliseconds(50));
                  const qint64 size = QFileInfo(file).size();
                  if (out && expected > 0) out->store(int(std::min<qint64>(99, size * 100 / expected)));
              }
          }) {}
    ~SizeWatch() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stop = false;
    std::thread m_thread;
};

void set(std::atomic<int>* bar, int value) {
    if (bar) bar->store(value);
}

// The snapshot as the archive library reads it while compressing; the bytes read are the
// compression's progress (the library's own progress report runs ahead of its work).
struct Feed {
    QFile file;
    qint64 size = 0;
    qint64 done = 0;
    time_t date = 0;
    std::atomic<int>* bar = nullptr;
    zip_error_t error;
};

zip_int64_t feed(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* f = static_cast<Feed*>(ud);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        if (!f->file.open(QIODevice::ReadOnly)) {
            zip_error_set(&f->error, ZIP_ER_OPEN, 0);
            return -1;
        }
        f->done = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 n = f->file.read(static_cast<char*>(data), qint64(len));
        if (n < 0) {
            zip_error_set(&f->error, ZIP_ER_READ, 0);
            return -1;
        }
        f->done += n;
        if (f->size > 0) set(f->bar, int(f->done * 85 / f->size));
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        f->file.close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = zip_uint64_t(f->size);
        st->mtime = f->date;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&f->error, data, len);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&f->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

time_t fileDate(const QString& source) {
    QDateTime t = QFileInfo(source).lastModified();
    const QFileInfo wal(source + QStringLiteral("-wal")); // the latest commits may live there
    if (wal.exists() && wal.lastModified() > t) t = wal.lastModified();
    return time_t(t.toSecsSinceEpoch());
}

void compress(const QString& snapshot, const QString& part, const QString& entry, time_t date,
              std::atomic<int>* bar) {
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(part).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za) throw Failure{ZipEntry::errorText(code)};
    const auto fail = [&] {
        const QString t = QString::fromLocal8Bit(zip_strerror(za));
        zip_discard(za);
        throw Failure{t};
    };
    Feed in;
    in.file.setFileName(snapshot);
    in.size = QFileInfo(snapshot).size();
    in.date = date;
    in.bar = bar;
    zip_error_init(&in.error);
    zip_source_t* src = zip_source_function(za, feed, &in);
    if (!src) fail();
    const zip_int64_t index = zip_file_add(za, entry.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(src);
        fail();
    }
    if (zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, DeflateLevel) < 0) fail();
    if (zip_file_set_mtime(za, zip_uint64_t(index), date, 0) < 0) fail();
    // An ordinary file readable by all, not the private mode of the temporary snapshot.
    if (zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, zip_uint32_t(0100644) << 16) < 0)
        fail();
    // The manifest: the library reads the buffer when the archive is closed.
    const QByteArray manifest = manifestText({Program, DataConnect1::SchemaVersion,
                                              QDateTime::fromSecsSinceEpoch(qint64(date)), entry});
    zip_source_t* about = zip_source_buffer(za, manifest.constData(), zip_uint64_t(manifest.size()), 0);
    if (!about) fail();
    const zip_int64_t aboutIndex = zip_file_add(za, ManifestEntry.toUtf8().constData(), about, ZIP_FL_ENC_UTF_8);
    if (aboutIndex < 0) {
        zip_source_free(about);
        fail();
    }
    if (zip_file_set_mtime(za, zip_uint64_t(aboutIndex), date, 0) < 0 ||
        zip_file_set_external_attributes(za, zip_uint64_t(aboutIndex), 0, ZIP_OPSYS_UNIX, zip_uint32_t(0100644) << 16) < 0)
        fail();
    if (zip_close(za) < 0) fail();
    zip_error_fini(&in.error);
}

// Reads the entry back through the archive's own checksum.
void verify(const QString& part, const QString& entry, qint64 size, std::atomic<int>* bar) {
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(part).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) throw Failure{QStringLiteral("备份文件无法读回：") + ZipEntry::errorText(code)};
    const auto fail = [&](const QString& why) {
        zip_discard(za);
        throw Failure{QStringLiteral("备份文件校验失败：") + why};
    };
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_get_num_entries(za, 0) != 2 || zip_stat(za, entry.toUtf8().constData(), 0, &st) < 0 ||
        qint64(st.size) != size)
        fail(QStringLiteral("内容与快照不符"));
    qint64 total = 0;
    const QString why = ZipEntry::read(za, st.index, [&](const char*, qint64 n) {
        total += n;
        if (size > 0) set(bar, 85 + int(total * 15 / size));
    });
    if (!why.isEmpty()) fail(why);
    if (total != size) fail(QStringLiteral("长度不符"));
    zip_discard(za);
}
// What the dump will roughly hold, for the progress bar only: 0 (no progress shown) when the
// server cannot tell, and pg_dump then reports the failure.
qint64 dumpSize(const QString& location) {
    try {
        return Snapshot::expectedDumpSize(location);
    } catch (const DbError&) {
        return 0;
    }
}

// Moves the old archive to the desktop's trash. On a fresh account the trash folder may not exist
// yet; Qt then does not make it but takes the working directory as the trash and leaves "files"
// and "info" folders there, so the folder is made first, as a desktop would.
bool moveToTrash(const QString& file) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString trash = data + QStringLiteral("/Trash");
    if (!data.isEmpty() && !QFileInfo(trash).isDir() && QDir().mkpath(trash))
        QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    return QFile::moveToTrash(file);
}
} // namespace

namespace {
// The snapshot and the engine's journal beside it.
const QStringList SnapshotPatterns{QStringLiteral("quorvel-*.snapshot"), QStringLiteral("quorvel-*.snapshot-*")};

// Held for the whole of a backup: one backup of the user at a time, and its files are safe from
// the cleaning of another copy. A lock left by a killed process is taken over (QLockFile knows
// the process is gone); a long backup is never taken for a dead one.
std::unique_ptr<QLockFile> backupLock() {
    auto lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(QStringLiteral("yicangtong-backup.lock")));
    lock->setStaleLockTime(0);
    return lock;
}

// Takes the lock within `ms` milliseconds. A lock file without its holder's details was left by a
// process killed while it made it: nobody holds it, and waiting for it would never end.
bool acquire(QLockFile& lock, int ms) {
    if (lock.tryLock(ms)) return true;
    qint64 pid = 0;
    QString host, app;
    if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(&pid, &host, &app)) return false;
    lock.removeStaleLockFile();
    return lock.tryLock(0);
}

void removeFiles(const QString& dir, const QStringList& patterns) {
    const QDir d(dir);
    for (const QString& f : d.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(d.filePath(f));
}

// With the lock held.
void removeLeftoversLocked(const QString& folder) {
    removeFiles(QDir::tempPath(), SnapshotPatterns);
    // A process killed while it took over a stale lock leaves the lock's own helper lock files
    // ("….lock.rmlock", even "….rmlock.rmlock"); with the lock held nobody uses them any more.
    removeFiles(QDir::tempPath(), {QStringLiteral("yicangtong-backup.lock.rmlock*")});
    // The archive library writes "NAME.part" through a temporary "NAME.part.XXXXXX".
    if (!folder.isEmpty()) removeFiles(folder, SnapshotPatterns + QStringList{QStringLiteral("*.zip.part"), QStringLiteral("*.zip.part.*")});
}
} // namespace

void removeLeftovers(const QString& folder) {
    const auto lock = backupLock();
    if (acquire(*lock, 0)) removeLeftoversLocked(folder);
}

void requireRight() { Rights::require(Command); }

void recordMade(const Job& job) {
    Audit::record({Command, {}, job.archive, {}, Audit::json({{QStringLiteral("archive"), job.archive}}), {}, {}});
}

Result make(const Job& job, Progress* progress) {
    std::atomic<int>* snapBar = progress ? &progress->snapshot : nullptr;
    std::atomic<int>* zipBar = progress ? &progress->archive : nullptr;
    const bool server = Server::isServerLocation(job.source);
    if (!server && !QFileInfo(job.source).isFile()) return {0, {}}; // no database file: nothing to archive
    const QString folder = QFileInfo(job.archive).absolutePath();
    if (!QDir().mkpath(folder)) return {0, QStringLiteral("无法建立备份目录：%1").arg(folder)};
    const QString part = job.archive + QStringLiteral(".part");
    const auto lock = backupLock();
    // Another copy's backup is waited for, however long it takes.
    while (!acquire(*lock, 1000))
        if (lock->error() != QLockFile::LockFailedError)
            return {0, QStringLiteral("无法建立临时文件：%1").arg(lock->fileName())};
    removeLeftoversLocked(folder);
    try {
        QTemporaryFile snapshot(QDir(QDir::tempPath()).filePath(QStringLiteral("quorvel-XXXXXX.snapshot")));
        if (!snapshot.open()) throw Failure{QStringLiteral("无法建立临时文件：") + snapshot.errorString()};
        snapshot.close();
        const QString snap = snapshot.fileName();
        try {
            // The server's database leaves as the dump of its own pg_dump, the file as a copy.
            const qint64 expected = server ? dumpSize(job.source) : Snapshot::expectedSize(job.source);
            SizeWatch watch(snap, expected, snapBar);
            if (server)
                Snapshot::dump(job.source, snap);
            else
                Snapshot::write(job.source, snap);
        } catch (const DbError& e) {
            throw Failure{e.text()};
        }
        set(snapBar, 100);
        const time_t date = server ? time_t(QDateTime::currentSecsSinceEpoch()) : fileDate(job.source);

        // The snapshot is checked while it is compressed; both only read it.
        QString verdict;
        std::thread checker([&] { verdict = server ? Snapshot::checkDump(snap) : Snapshot::check(snap); });
        try {
            compress(snap, part, job.entry, date, zipBar);
        } catch (...) {
            checker.join();
            throw;
        }
        checker.join();
        if (verdict != QLatin1String("ok")) throw Failure{QStringLiteral("数据库快照检查未通过：") + verdict};
        verify(part, job.entry, QFileInfo(snap).size(), zipBar);
        set(zipBar, 100);

        // The old archive goes to the trash; where the platform has none it is deleted.
        if (QFileInfo::exists(job.archive) && !moveToTrash(job.archive) && !QFile::remove(job.archive))
            throw Failure{QStringLiteral("旧的备份文件无法删除：%1").arg(job.archive)};
        if (!QFile::rename(part, job.archive)) throw Failure{QStringLiteral("备份文件无法改名：%1").arg(job.archive)};
    } catch (const Failure& f) {
        QFile::remove(part);
        return {0, f.text};
    }
    return {1, {}};
}

} // namespace Backup
