#include "backup/restore.h"

#include "backup/backup.h"
#include "backup/zip_entry.h"
#include "closing/balance_check.h"
#include "data/DataConnect1_Unit.h"
#include "data/own_connection.h"
#include "data/scratch_copy.h"
#include "data/server.h"
#include "data/snapshot.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryFile>
#include <zip.h>

namespace Restore {

namespace {
struct Failure {
    QString text;
};

// The tables whose rows the check shows, with their captions.
const QList<QPair<QString, QString>>& mainTables() {
    static const QList<QPair<QString, QString>> t = {
        {QStringLiteral("login_table"), QStringLiteral("帐号")},
        {QStringLiteral("kesp_warehouse_ini"), QStringLiteral("仓库")},
        {QStringLiteral("kesp_item_master"), QStringLiteral("商品资料")},
        {QStringLiteral("kesp_post_history"), QStringLiteral("出入库流水")},
        {QStringLiteral("kesp_inv_detail_tree"), QStringLiteral("库存")},
        {QStringLiteral("kesp_inv_history_detail_tree"), QStringLiteral("结帐库存")},
        {QStringLiteral("kesp_audit_log"), QStringLiteral("操作日志")}};
    return t;
}

// The data entry unpacked into `target`; the date and program from the manifest when the archive
// has one (archives of earlier builds have the data entry alone).
void unpack(const QString& archive, const QString& target, bool server, Report& r) {
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) throw Failure{QStringLiteral("备份文件无法读取（%1）").arg(ZipEntry::errorText(code))};
    try {
        zip_int64_t data = -1;
        QString entry;
        QDateTime entryDate;
        QByteArray manifest;
        for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
            zip_stat_t st;
            if (zip_stat_index(za, zip_uint64_t(i), 0, &st) < 0) throw Failure{QString::fromLocal8Bit(zip_strerror(za))};
            const QString name = QString::fromUtf8(st.name);
            if (name == Backup::ManifestEntry) {
                if (const QString why =
                        ZipEntry::read(za, zip_uint64_t(i), [&](const char* p, qint64 n) { manifest.append(p, n); });
                    !why.isEmpty())
                    throw Failure{why};
                continue;
            }
            if (data >= 0) throw Failure{QStringLiteral("备份文件中有多个数据文件")};
            data = i;
            entry = name;
            entryDate = QDateTime::fromSecsSinceEpoch(qint64(st.mtime));
        }
        if (data < 0) throw Failure{QStringLiteral("备份文件中没有数据")};
        const bool dump = entry.endsWith(QLatin1String(".sql"), Qt::CaseInsensitive);
        if (dump && !server) throw Failure{QStringLiteral("这是数据库服务器的备份，不能恢复到本机的数据库文件。")};
        if (!dump && server)
            throw Failure{QStringLiteral("这是本机数据库文件的备份，不能恢复到数据库服务器（请用 --copy-to-server）。")};
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw Failure{out.errorString()};
        if (const QString why = ZipEntry::read(za, zip_uint64_t(data),
                                               [&](const char* p, qint64 n) {
                                                   if (out.write(p, n) != n) throw Failure{out.errorString()};
                                               });
            !why.isEmpty())
            throw Failure{why};
        if (!out.flush()) throw Failure{out.errorString()};
        const Backup::Manifest m = Backup::readManifest(manifest);
        r.program = m.program;
        r.made = m.made.isValid() ? m.made : entryDate;
    } catch (const Failure& f) {
        zip_discard(za);
        throw Failure{QStringLiteral("备份文件已损坏（%1）").arg(f.text)};
    }
    zip_discard(za);
}

// The unpacked entry and, on the server, the schema it was loaded into.
class Scratch {
public:
    explicit Scratch(const QString& live) : m_server(Server::isServerLocation(live)) {
        // A database file is unpacked beside the live one (the same disk, which has room for it).
        const QString dir = m_server ? QDir::tempPath() : QFileInfo(live).absolutePath();
        QTemporaryFile f(QDir(dir).filePath(QStringLiteral("quorvel-restore-XXXXXX.scratch")));
        f.setAutoRemove(false);
        if (!f.open()) throw Failure{QStringLiteral("无法建立临时文件：") + f.errorString()};
        m_file = f.fileName();
    }
    ~Scratch() {
        if (m_loaded) try {
                ScratchCopy::drop();
            } catch (const DbError&) {
                // the connection is gone, the schema is dropped by the next restore
            }
        for (const char* end : {"", "-wal", "-shm", "-journal"}) QFile::remove(m_file + QLatin1String(end));
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    QString file() const { return m_file; }
    void loaded() { m_loaded = true; }

private:
    bool m_server;
    bool m_loaded = false;
    QString m_file;
};

// Unpacks, loads and checks the archive; the shared connection ends on the live data.
void prepare(const QString& archive, const QString& live, Report& r, Scratch& s) {
    r.archive = archive;
    if (live.isEmpty()) throw Failure{QStringLiteral("数据库未连接")};
    const bool server = Server::isServerLocation(live);
    unpack(archive, s.file(), server, r);
    r.integrity = server ? Snapshot::checkDump(s.file()) : Snapshot::check(s.file());
    if (r.integrity != QLatin1String("ok")) throw Failure{QStringLiteral("备份中的数据库没有通过完整性检查：") + r.integrity};
    if (server) {
        ScratchCopy::load(live, s.file());
        s.loaded();
        r.schemaVersion =
            Sql::scalar(QStringLiteral("SELECT max(version) FROM %1.kesp_schema_version").arg(ScratchCopy::Schema)).toInt();
    } else {
        OwnConnection c(s.file(), OwnConnection::ReadOnly);
        r.schemaVersion = c.scalar(QStringLiteral("PRAGMA user_version")).toInt();
    }
    if (r.schemaVersion > DataConnect1::SchemaVersion)
        throw Failure{QStringLiteral("备份的数据库版本（%1）比本程序（%2）新，请使用新版程序恢复。")
                          .arg(r.schemaVersion)
                          .arg(DataConnect1::SchemaVersion)};
    // The scratch copy as the shared connection (upgraded there), the live data again after it.
    QString error;
    DataConnect1::close();
    try {
        ScratchCopy::open(live, s.file());
        for (const auto& [table, caption] : mainTables())
            r.counts << Count{caption, Sql::scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toLongLong()};
        const ListQuery d = BalanceCheck::differences(BalanceCheck::base());
        r.differences = Sql::scalar(QStringLiteral("SELECT count(*) FROM (%1) AS d").arg(d.sql), d.params).toLongLong();
    } catch (const DbError& e) {
        error = e.text();
    }
    DataConnect1::close();
    DataConnect1::open(live);
    if (!error.isEmpty()) throw Failure{QStringLiteral("备份中的数据无法打开：") + error};
}

// The usual archive of this minute, or, when that name is taken (by the archive being restored,
// perhaps), one with the seconds.
QString safetyArchive(const QString& startDir) {
    const QDateTime now = QDateTime::currentDateTime();
    const QString usual = Backup::archivePath(startDir, now);
    if (!QFileInfo::exists(usual)) return usual;
    return QDir(Backup::archiveFolder(startDir)).filePath(now.toString(QStringLiteral("MMddHHmmss")) + QStringLiteral("quorvel.zip"));
}

struct MarkerUp {
    MarkerUp() { DataConnect1::raiseRestoreMarker(); }
    ~MarkerUp() { DataConnect1::lowerRestoreMarker(replaced); }
    bool replaced = false;
};
} // namespace

Report inspect(const QString& archive) {
    Report r;
    try {
        Scratch s(DataConnect1::path());
        prepare(archive, DataConnect1::path(), r, s);
    } catch (const Failure& f) {
        r.error = f.text;
    } catch (const DbError& e) {
        r.error = e.text();
    }
    return r;
}

Outcome restore(const QString& archive, const QString& startDir, const std::function<void(Step)>& step) {
    Outcome out;
    const QString live = DataConnect1::path();
    const auto tell = [&](Step s) {
        if (step) step(s);
    };
    try {
        Rights::require(Command);
        tell(Step::Checking);
        Scratch s(live);
        prepare(archive, live, out.report, s);
        MarkerUp marker;
        ScratchCopy::attach(s.file());
        try {
            Transaction tx;
            Rights::require(Command); // the write lock with it: other copies' writes are done
            tell(Step::BackingUp);
            const Backup::Job safety{live, safetyArchive(startDir), Backup::entryName(startDir, live)};
            const Backup::Result b = Backup::make(safety);
            if (!b.error.isEmpty()) throw Failure{QStringLiteral("现有数据备份失败：") + b.error};
            out.safetyBackup = safety.archive;
            DataConnect1::endOtherSessions();
            tell(Step::Replacing);
            const qint64 rows = ScratchCopy::replaceLive();
            ScratchCopy::drop();
            DataConnect1::markRestored();
            // The trail of the data replaced is in the safety backup; this row begins the new one.
            Audit::record({Command, {}, archive, {},
                           Audit::json({{QStringLiteral("archive"), archive},
                                        {QStringLiteral("made"), out.report.made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))},
                                        {QStringLiteral("program"), out.report.program},
                                        {QStringLiteral("schema"), out.report.schemaVersion},
                                        {QStringLiteral("rows"), rows},
                                        {QStringLiteral("safety_backup"), safety.archive}}),
                           {}, {}});
            tx.commit();
            marker.replaced = true;
        } catch (...) {
            try {
                ScratchCopy::detach();
            } catch (const DbError&) {
            }
            throw;
        }
        ScratchCopy::detach();
    } catch (const Failure& f) {
        out.error = f.text;
    } catch (const DbError& e) {
        out.error = e.text();
    }
    return out;
}

QString describe(const Report& r) {
    QStringList lines;
    lines << QStringLiteral("备份文件：%1").arg(QDir::toNativeSeparators(r.archive));
    if (r.made.isValid()) lines << QStringLiteral("备份时间：%1").arg(r.made.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    if (r.schemaVersion > 0) {
        const QString upgrade = r.schemaVersion < DataConnect1::SchemaVersion
                                    ? QStringLiteral("，恢复时升级到 %1").arg(DataConnect1::SchemaVersion)
                                    : QString();
        lines << QStringLiteral("程序：%1（数据库版本 %2%3）")
                     .arg(r.program.isEmpty() ? QStringLiteral("早期版本，未记录") : r.program)
                     .arg(r.schemaVersion)
                     .arg(upgrade);
    }
    if (!r.integrity.isEmpty())
        lines << QStringLiteral("完整性检查：%1").arg(r.integrity == QLatin1String("ok") ? QStringLiteral("通过") : r.integrity);
    if (!r.counts.isEmpty()) {
        QStringList counts;
        for (const Count& c : r.counts) counts << QStringLiteral("%1 %2").arg(c.caption).arg(c.rows);
        lines << QStringLiteral("行数：") + counts.join(QStringLiteral("，"));
    }
    if (r.differences == 0) lines << QStringLiteral("核对库存：库存与流水一致");
    else if (r.differences > 0)
        lines << QStringLiteral("核对库存：%1 处库存与流水不符（恢复后可在“核对库存”中修正）").arg(r.differences);
    lines << (r.ok() ? QStringLiteral("可以恢复。") : QStringLiteral("不能恢复：") + r.error);
    return lines.join(QLatin1Char('\n'));
}

} // namespace Restore
