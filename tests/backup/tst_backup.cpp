// The data backup: archive names, the overwrite question, the archive's content, failures, and
// a backup taken while another running copy posts. On the database server the archive holds the
// server's dump, loaded back with psql into a fresh database to be looked at.
#include "app/main_form.h"
#include "backup/Progress_State_Unit.h"
#include "backup/backup.h"
#include "data/DataConnect1_Unit.h"
#include "data/own_connection.h"
#include "data/server.h"
#include "data/snapshot.h"
#include "data/sql.h"
#include "support/scripted.h"
#include "support/testdb.h"
#include "ui/screens.h"

#include <QDir>
#include <QDirIterator>
#include <QLockFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QProgressBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>
#include <unistd.h>
#include <zip.h>

namespace {
const QDateTime At0905(QDate(2026, 3, 15), QTime(9, 5, 41));

struct Unpacked {
    QStringList entries;
    QDateTime date;
    bool deflated = true;
    QString file; // the entry written out
};
// Unpacks the archive's entries with the archive library, as any unzip tool would.
Unpacked unpack(const QString& archive, const QString& outDir) {
    Unpacked u;
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za) return u;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        u.entries << QString::fromUtf8(st.name);
        u.deflated = u.deflated && st.comp_method == ZIP_CM_DEFLATE;
        const QString file = QDir(outDir).filePath(QStringLiteral("unpacked%1.db").arg(i));
        if (u.entries.last() != "manifest.json") { // the data entry
            u.date = QDateTime::fromSecsSinceEpoch(st.mtime);
            u.file = file;
        }
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        char buf[65536];
        zip_int64_t n;
        while ((n = zip_fread(f, buf, sizeof buf)) > 0) out.write(buf, n);
        zip_fclose(f);
    }
    zip_discard(za);
    return u;
}
// The unpacked dump loaded by the server's psql into a fresh database, stopping at the first
// error, and a count there.
QString restore(const QString& file, const QString& countSql, int* count) {
    TestDb fresh(TestDb::Kind::EmptyOnServer);
    const Server::Address a = Server::parse(fresh.path());
    QString why;
    const QString psql = Snapshot::serverProgram("psql", Snapshot::serverVersion(fresh.path()), &why);
    if (psql.isEmpty()) return why;
    QProcess p;
    p.start(psql, {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", a.host, "-p", QString::number(a.port), "-U", a.user,
                   "-d", a.database, "-f", file});
    p.waitForFinished(120000);
    if (p.exitCode() != 0) return QString::fromLocal8Bit(p.readAllStandardError());
    OwnConnection c(fresh.path());
    *count = c.scalar(countSql).toInt();
    return "ok";
}
// integrity_check and a count over the unpacked database, on a connection of its own; on the
// server the dump loaded into a fresh database and the count there.
QString inspect(const QString& file, const QString& countSql, int* count) {
    if (TestDb::onServer()) return restore(file, countSql, count);
    QString verdict;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase("QSQLITE", "inspect");
        d.setDatabaseName(file);
        d.open();
        QSqlQuery q(d);
        q.exec("PRAGMA integrity_check");
        verdict = q.next() ? q.value(0).toString() : "no answer";
        q.exec(countSql);
        *count = q.next() ? q.value(0).toInt() : -1;
    }
    QSqlDatabase::removeDatabase("inspect");
    return verdict;
}
QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden); }
void backup(const TestDb& db, const QDateTime& at) {
    Progress_State::runBackup(nullptr, db.dir(), db.path(), at);
}
int lines() { return TestDb::count("SELECT count(*) FROM kesp_post_history WHERE warehouse='W01'"); }
} // namespace

class TstBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
        Screens::registerAll();
    }
    void archiveNames();
    void archiveHoldsTheLatestCommits();
    void sameMinuteAsksToOverwrite();
    void overwriteOnAFreshAccount();
    void failureLeavesNoArchive();
    void missingDatabaseArchivesNothing();
    void backupWhileAnotherCopyPosts();
    void toolbarButtonBacksUp();
    void clientProgramOfTheServersVersion();
    void dumpFailureLeavesNoArchive();
    void killedBackupsLeaveNothingAfterTheNextStart();

private:
    QTemporaryDir m_home;
};

void TstBackup::archiveNames() {
    QCOMPARE(Backup::archiveName(At0905), QString("03150905quorvel.zip"));
    QCOMPARE(Backup::archiveName(QDateTime(QDate(2026, 11, 2), QTime(14, 5))), QString("11021405quorvel.zip"));
    QCOMPARE(Backup::archiveName(QDateTime(QDate(2027, 3, 15), QTime(9, 5, 2))), Backup::archiveName(At0905));
    QCOMPARE(Backup::archivePath("/x/start", At0905), QString("/x/start/backup/03150905quorvel.zip"));
    QCOMPARE(Backup::entryName("/x/start", "/x/start/DATA/quorvel.mdb"), QString("DATA/quorvel.mdb"));
    QCOMPARE(Backup::entryName("/x/start", "/elsewhere/quorvel.mdb"), QString("Data/quorvel.mdb"));
}

void TstBackup::archiveHoldsTheLatestCommits() {
    TestDb db;
    ScriptedSeam seam;
    // Committed a moment ago: on the file these lines are still in the engine's log beside it.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<49) "
             "INSERT INTO kesp_post_history(order_no,qty) SELECT " + DataConnect1::tenDigits("i") + ", 1 FROM c");
    if (!TestDb::onServer()) QVERIFY(QFileInfo(db.path() + "-wal").size() > 0);
    QVERIFY(!QDir(db.dir()).exists("backup"));
    backup(db, At0905);
    QCOMPARE(seam.shown, QStringList{"1个文件压缩备份完毕！"});
    const QString archive = db.dir() + "/backup/03150905quorvel.zip";
    QCOMPARE(filesIn(db.dir() + "/backup"), QStringList{"03150905quorvel.zip"}); // no snapshot or part left
    const Unpacked u = unpack(archive, db.dir());
    QCOMPARE(u.entries, (QStringList{TestDb::onServer() ? "DATA/quorvel.sql" : "DATA/quorvel.mdb", "manifest.json"}));
    QVERIFY(u.deflated);
    QVERIFY(qAbs(u.date.secsTo(QDateTime::currentDateTime())) < 120); // the file's own date
    int n = 0;
    QCOMPARE(inspect(u.file, "SELECT count(*) FROM kesp_post_history", &n), QString("ok"));
    QCOMPARE(n, 50);
    Progress_State* w = longLived<Progress_State>();
    QVERIFY(!w->isVisible());
    QCOMPARE(w->PB1->value(), 100);
    QCOMPARE(w->PB2->value(), 100);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
}

void TstBackup::sameMinuteAsksToOverwrite() {
    TestDb db;
    ScriptedSeam seam;
    backup(db, At0905);
    const QString archive = db.dir() + "/backup/03150905quorvel.zip";
    const QByteArray first = [&] { QFile f(archive); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    Sql::run("INSERT INTO kesp_post_history(order_no,qty) VALUES ('0000000001',1)");
    // A year later, same day and minute: the same name.
    seam.reset();
    backup(db, QDateTime(QDate(2027, 3, 15), QTime(9, 5, 59)));
    QCOMPARE(seam.shown, QStringList{"压缩的备份文件已经存在... 覆盖吗？"});
    QCOMPARE(seam.kinds, QStringList{"confirm"});
    QFile f(archive);
    f.open(QIODevice::ReadOnly);
    QCOMPARE(f.readAll(), first); // No: the old archive stays untouched
    f.close();
    seam.reset();
    seam.answers = {true};
    backup(db, At0905);
    QCOMPARE(seam.shown, (QStringList{"压缩的备份文件已经存在... 覆盖吗？", "1个文件压缩备份完毕！"}));
    int n = 0;
    QCOMPARE(inspect(unpack(archive, db.dir()).file, "SELECT count(*) FROM kesp_post_history", &n), QString("ok"));
    QCOMPARE(n, 1);
    // The old archive went to the trash.
    QStringList trashed;
    for (const QString& trash : {m_home.path() + "/Trash/files", QDir::tempPath() + "/.Trash-" + QString::number(getuid()) + "/files"}) {
        QDirIterator it(trash, {"03150905quorvel*.zip"}, QDir::Files);
        while (it.hasNext()) {
            QFile t(it.next());
            t.open(QIODevice::ReadOnly);
            if (t.readAll() == first) trashed << t.fileName();
        }
    }
    QCOMPARE(trashed.size(), 1);
}

// An account that never had a trash (no data folder yet): the old archive still goes to a trash
// of the account's own, and nothing is scattered in the folder the program runs from.
void TstBackup::overwriteOnAFreshAccount() {
    TestDb db;
    ScriptedSeam seam;
    const QString fresh = m_home.path() + "/fresh/.local/share";
    qputenv("XDG_DATA_HOME", QFile::encodeName(fresh));
    const QString before = QDir::currentPath();
    QDir::setCurrent(db.dir());
    seam.answers = {true};
    backup(db, At0905);
    backup(db, At0905);
    QDir::setCurrent(before);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
    QCOMPARE(seam.shown, (QStringList{"1个文件压缩备份完毕！", "压缩的备份文件已经存在... 覆盖吗？", "1个文件压缩备份完毕！"}));
    QVERIFY(!QDir(db.dir()).exists("files"));
    QVERIFY(!QDir(db.dir()).exists("info"));
    QCOMPARE(filesIn(db.dir() + "/backup"), QStringList{"03150905quorvel.zip"});
    const QStringList trashed = filesIn(fresh + "/Trash/files") + filesIn(QDir::tempPath() + "/.Trash-" + QString::number(getuid()) + "/files");
    QVERIFY2(trashed.filter("03150905quorvel").size() >= 1, qPrintable(trashed.join(',')));
}

void TstBackup::failureLeavesNoArchive() {
    TestDb db;
    ScriptedSeam seam;
    backup(db, At0905);
    const QString archive = db.dir() + "/backup/03150905quorvel.zip";
    const qint64 size = QFileInfo(archive).size();
    // Not a database at all: the engine refuses to copy it.
    const QString bogus = db.dir() + "/DATA/bogus.mdb";
    QDir().mkpath(db.dir() + "/DATA"); // the server run has no database folder
    QFile f(bogus);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(8192, 'x'));
    f.close();
    seam.reset();
    seam.answers = {true};
    Progress_State::runBackup(nullptr, db.dir(), bogus, At0905);
    QCOMPARE(seam.kinds, (QStringList{"confirm", "error"}));
    QVERIFY(!seam.last().isEmpty());
    QCOMPARE(filesIn(db.dir() + "/backup"), QStringList{"03150905quorvel.zip"});
    QCOMPARE(QFileInfo(archive).size(), size); // the earlier archive survives a failed one
    // The same without an earlier archive: nothing under the final name.
    seam.reset();
    Progress_State::runBackup(nullptr, db.dir(), bogus, At0905.addSecs(60));
    QCOMPARE(seam.kinds, QStringList{"error"});
    QCOMPARE(filesIn(db.dir() + "/backup"), QStringList{"03150905quorvel.zip"});
}

void TstBackup::missingDatabaseArchivesNothing() {
    TestDb db;
    ScriptedSeam seam;
    Progress_State::runBackup(nullptr, db.dir(), db.dir() + "/Data/none.mdb", At0905);
    QCOMPARE(seam.shown, QStringList{"0个文件压缩备份完毕！"});
    QVERIFY(!QFileInfo::exists(db.dir() + "/backup/03150905quorvel.zip"));
}

void TstBackup::backupWhileAnotherCopyPosts() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    // Enough older history that the copy takes a while, and the posts land during it.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<19999) "
             "INSERT INTO kesp_post_history(order_no,item_code,qty,warehouse,bill_no) "
             "SELECT 'H' || " + DataConnect1::tenDigits("i") + ", 'I002', 1, 'W09', 'OLD' || CAST(i/10 AS TEXT) FROM c");
    QProcess poster;
    poster.start(CLOSING_WORKER, {"post", db.path(), "u2"});
    QVERIFY(poster.waitForStarted());
    for (int round = 0; round < 4; ++round) {
        QTRY_VERIFY2_WITH_TIMEOUT(lines() >= 10 * (round + 1), poster.readAllStandardError().constData(), 60000);
        const int before = lines(); // committed before the backup begins
        seam.reset();
        backup(db, At0905.addSecs(60 * round));
        QCOMPARE(seam.shown, QStringList{"1个文件压缩备份完毕！"});
        const Unpacked u = unpack(db.dir() + "/backup/" + Backup::archiveName(At0905.addSecs(60 * round)), db.dir());
        int n = 0;
        QCOMPARE(inspect(u.file, "SELECT count(*) FROM kesp_post_history WHERE warehouse='W01'", &n), QString("ok"));
        QVERIFY2(n >= before, qPrintable(QString("%1 of %2 lines").arg(n).arg(before)));
        int balance = 0; // posting is all or nothing: lines and balance agree in the copy
        inspect(u.file, "SELECT CAST(qty AS INTEGER) FROM kesp_inv_detail_tree", &balance);
        QCOMPARE(balance, n);
    }
    poster.kill();
    poster.waitForFinished();
}

void TstBackup::toolbarButtonBacksUp() {
    TestDb db;
    ScriptedSeam seam;
    const QString before = QDir::currentPath();
    QDir::setCurrent(db.dir());
    MainForm w;
    auto* button = w.findChild<QToolButton*>("ToolButton4");
    QVERIFY(button && button->isEnabled());
    QCOMPARE(button->text(), QString("数据备份"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(seam.shown, QStringList{"1个文件压缩备份完毕！"});
    QCOMPARE(filesIn(db.dir() + "/backup").size(), 1);
    QVERIFY(filesIn(db.dir() + "/backup").first().endsWith("quorvel.zip"));
    QDir::setCurrent(before);
}

// pg_dump and psql come from the server's own major version, else from PATH when not older.
void TstBackup::clientProgramOfTheServersVersion() {
    QString why;
    if (QFileInfo("/usr/lib/postgresql/15/bin/pg_dump").isExecutable())
        QCOMPARE(Snapshot::serverProgram("pg_dump", 150004, &why), QString("/usr/lib/postgresql/15/bin/pg_dump"));
    QCOMPARE(Snapshot::serverProgram("pg_dump", 990001, &why), QString());
    QVERIFY2(why.contains("99") && why.contains("postgresql-client-99"), qPrintable(why));
    why.clear();
    QCOMPARE(Snapshot::serverProgram("no_such_pg_program", 150004, &why), QString());
    QVERIFY2(why.contains("找不到 no_such_pg_program"), qPrintable(why));
    if (!TestDb::onServer()) return;
    // The server the tests run on has its own.
    const int version = Snapshot::serverVersion(TestDb::server());
    QVERIFY(version >= 100000);
    const QString own = Snapshot::serverProgram("pg_dump", version, &why);
    QVERIFY2(!own.isEmpty(), qPrintable(why));
}

// A table another session holds locked past the busy timeout: pg_dump gives up, the error says
// so, and nothing new lies under the archive's name; an earlier archive survives.
void TstBackup::dumpFailureLeavesNoArchive() {
    if (!TestDb::onServer()) QSKIP("the server's dump: runs in the server run of this test");
    TestDb db;
    ScriptedSeam seam;
    TestDb::seedMasters();
    backup(db, At0905);
    const QString archive = db.dir() + "/backup/03150905quorvel.zip";
    const qint64 size = QFileInfo(archive).size();
    QVERIFY(size > 0);
    OwnConnection other(db.path());
    other.run("BEGIN");
    other.run("LOCK TABLE kesp_item_master IN ACCESS EXCLUSIVE MODE");
    const int timeout = DataConnect1::busyTimeout();
    DataConnect1::setBusyTimeout(300);
    seam.reset();
    seam.answers = {true};
    backup(db, At0905);
    QCOMPARE(seam.kinds, (QStringList{"confirm", "error"}));
    QVERIFY2(seam.last().contains("pg_dump"), qPrintable(seam.last()));
    QCOMPARE(filesIn(db.dir() + "/backup"), QStringList{"03150905quorvel.zip"});
    QCOMPARE(QFileInfo(archive).size(), size);
    seam.reset();
    backup(db, At0905.addSecs(60));
    QCOMPARE(seam.kinds, QStringList{"error"});
    QCOMPARE(filesIn(db.dir() + "/backup"), QStringList{"03150905quorvel.zip"});
    other.run("ROLLBACK");
    DataConnect1::setBusyTimeout(timeout);
    // The lock gone, the same backup goes through and holds the masters.
    seam.reset();
    backup(db, At0905.addSecs(60));
    QCOMPARE(seam.shown, QStringList{"1个文件压缩备份完毕！"});
    int n = 0;
    QCOMPARE(inspect(unpack(db.dir() + "/backup/03150906quorvel.zip", db.dir()).file,
                     "SELECT count(*) FROM kesp_item_master", &n),
             QString("ok"));
    QCOMPARE(n, 3);
}

// Backups killed at any point: their snapshots (copies of all data) and unfinished archives are
// gone after the next start; a backup still running keeps its files.
void TstBackup::killedBackupsLeaveNothingAfterTheNextStart() {
    TestDb db;
    QTemporaryDir tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<30000) "
             "INSERT INTO kesp_post_history(order_no,item_code,qty,warehouse,bill_no) "
             "SELECT " + DataConnect1::tenDigits("i") + ", 'I002', 1, 'W09', 'OLD' || CAST(i AS TEXT) FROM c");
    const QString folder = db.dir() + "/backup";
    for (int i = 0; i < 30; ++i) {
        QProcess worker;
        worker.start(CLOSING_WORKER, {"backup", db.path(), folder + "/03150905quorvel.zip"});
        QVERIFY(worker.waitForStarted());
        QTest::qWait(30 + 13 * i);
        worker.kill();
        worker.waitForFinished();
    }
    QVERIFY(!filesIn(tmp.path()).isEmpty()); // the kills left something to remove
    Backup::removeLeftovers(folder);
    QCOMPARE(filesIn(tmp.path()).join(' '), QString());
    for (const QString& f : filesIn(folder)) QCOMPARE(f, QString("03150905quorvel.zip"));

    QLockFile running(tmp.path() + "/yicangtong-backup.lock");
    QVERIFY(running.tryLock(0));
    QFile snapshot(tmp.path() + "/quorvel-AbC123.snapshot");
    QVERIFY(snapshot.open(QIODevice::WriteOnly));
    snapshot.close();
    Backup::removeLeftovers(folder);
    QVERIFY(snapshot.exists());
    running.unlock();
    Backup::removeLeftovers(folder);
    QVERIFY(!snapshot.exists());
    // A lock file a process was killed in the middle of making names no holder: it is no lock.
    QFile empty(tmp.path() + "/yicangtong-backup.lock");
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(snapshot.open(QIODevice::WriteOnly));
    snapshot.close();
    Backup::removeLeftovers(folder);
    QVERIFY(!snapshot.exists());
    QCOMPARE(filesIn(tmp.path()).join(' '), QString());
    qputenv("TMPDIR", oldTmp);
}

QTEST_MAIN(TstBackup)
#include "tst_backup.moc"
