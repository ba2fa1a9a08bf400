// Restoring an archive of the backup: the backup's rows given back exactly over changed data
// (archives of this build, without the manifest, of an earlier schema), archives refused with the
// live data untouched, other running copies told and kept from writing, and the window.
#include "backup/AA60_Unit.h"
#include "backup/backup.h"
#include "backup/restore.h"
#include "data/DataConnect1_Unit.h"
#include "data/own_connection.h"
#include "data/sql.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlRecord>
#include <QTest>
#include <zip.h>

namespace {
// Every row of the tables a restore must give back, with the history's row identity, sorted.
QStringList fingerprint() {
    QStringList out;
    const QString rowId = TestDb::onServer() ? QString() : QStringLiteral("rowid AS r, ");
    for (const char* t : {"login_table", "kesp_user_right", "kesp_warehouse_ini", "kesp_item_master", "kesp_system_data",
                          "kesp_post_history", "kesp_inv_detail_tree", "kesp_post_temp_a"}) {
        QSqlQuery q = Sql::run(QStringLiteral("SELECT %1* FROM %2").arg(rowId, QLatin1String(t)));
        QStringList rows;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i) values << q.value(i).toString();
            rows << QLatin1String(t) + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
        rows.sort();
        out << rows;
    }
    return out;
}

// An archive of the database at `source` made by the backup.
QString archiveOf(const TestDb& db, const QString& source, const QString& name) {
    const Backup::Job job{source, db.dir() + "/made/" + name, Backup::entryName(db.dir(), source)};
    const Backup::Result r = Backup::make(job);
    if (!r.error.isEmpty()) qFatal("backup failed: %s", qPrintable(r.error));
    return job.archive;
}

// The archive as builds before the manifest made it: the data entry alone.
void dropManifest(const QString& archive) {
    int e = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), 0, &e);
    zip_delete(za, zip_uint64_t(zip_name_locate(za, "manifest.json", 0)));
    zip_close(za);
}

// A copy of the database taken back to schema version 6 (before the negative-stock guard).
QString olderCopy(TestDb& db) {
    const QString copy = db.copy();
    OwnConnection c(copy);
    c.run("ALTER TABLE kesp_warehouse_ini DROP COLUMN forbid_negative");
    c.run("ALTER TABLE kesp_inv_history_list DROP COLUMN history_mark");
    if (TestDb::onServer()) {
        c.run("ALTER TABLE kesp_post_history DROP COLUMN row_id");
        c.run("UPDATE kesp_schema_version SET version = 6");
    } else {
        c.run("PRAGMA user_version = 6");
    }
    return copy;
}

void writeZip(const QString& path, const QString& entry, const QByteArray& data) {
    int e = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &e);
    zip_source_t* s = zip_source_buffer(za, data.constData(), zip_uint64_t(data.size()), 0);
    zip_file_add(za, entry.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8);
    zip_close(za);
}

int restoreRows() { return TestDb::count("SELECT count(*) FROM kesp_audit_log WHERE command = 'AA60'"); }
} // namespace

class TstRestore : public QObject {
    Q_OBJECT
private slots:
    void givesBackTheBackupsRows_data();
    void givesBackTheBackupsRows();
    void refusedArchiveLeavesTheData_data();
    void refusedArchiveLeavesTheData();
    void otherCopiesAreToldAndCannotWrite_data();
    void otherCopiesAreToldAndCannotWrite();
    void window();
};

void TstRestore::givesBackTheBackupsRows_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("archive of this build") << 0;
    QTest::newRow("archive without manifest") << 1;
    QTest::newRow("archive of an earlier schema") << 2;
}

void TstRestore::givesBackTheBackupsRows() {
    QFETCH(int, kind);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    const QStringList before = fingerprint();
    const QString archive = archiveOf(db, kind == 2 ? olderCopy(db) : db.path(), "a.zip");
    if (kind > 0) dropManifest(archive);
    // Changed since: an issue posted, an item deleted, a staged line left.
    TestDb::seedIssue();
    Sql::run("DELETE FROM kesp_item_master WHERE item_code = 'I003'");
    QVERIFY(fingerprint() != before);

    const Restore::Outcome o = Restore::restore(archive, db.dir());
    QVERIFY2(o.ok(), qPrintable(o.error));
    QCOMPARE(fingerprint(), before);
    QCOMPARE(DataConnect1::schemaVersionOf(), DataConnect1::SchemaVersion);
    QCOMPARE(o.report.schemaVersion, kind == 2 ? 6 : DataConnect1::SchemaVersion);
    QCOMPARE(o.report.program, kind == 0 ? Backup::Program : QString());
    QCOMPARE(o.report.differences, 0);
    QCOMPARE(restoreRows(), 1);
    QVERIFY(QFile::exists(o.safetyBackup));
    // This copy goes on writing; key counters go on after the restored rows.
    Sql::run("INSERT INTO kesp_audit_log(command) VALUES ('X')");
}

void TstRestore::refusedArchiveLeavesTheData_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("told");
    QTest::newRow("truncated") << "truncated" << "备份文件无法读取";
    QTest::newRow("corrupted") << "corrupted" << "备份文件已损坏";
    QTest::newRow("not an archive") << "text" << "备份文件无法读取";
    QTest::newRow("damaged database") << "database" << "没有通过完整性检查";
    QTest::newRow("failure while replacing") << "replacing" << "injected failure";
}

void TstRestore::refusedArchiveLeavesTheData() {
    QFETCH(QString, damage);
    QFETCH(QString, told);
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    // Rows enough that the middle of the archive lies in the compressed data.
    Sql::run("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM c WHERE i<2999) "
             "INSERT INTO kesp_post_history(order_no,bill_no,qty) SELECT " + DataConnect1::tenDigits("i") + ", 'R' || i, i FROM c");
    QString archive = archiveOf(db, db.path(), "a.zip");
    QFile f(archive);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    if (damage == "truncated") {
        QVERIFY(f.resize(bytes.size() / 2));
    } else if (damage == "corrupted") {
        for (qsizetype i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i) bytes[i] = char(bytes[i] ^ 0x5a);
        f.seek(0);
        f.write(bytes);
    } else if (damage == "text") {
        f.resize(0);
        f.write("hello");
    } else if (damage == "database") {
        archive = db.dir() + "/damaged.zip";
        if (TestDb::onServer()) writeZip(archive, "DATA/quorvel.sql", "CREATE TABLE x (a int);\n");
        else writeZip(archive, "DATA/quorvel.mdb", QByteArray("SQLite format 3") + QByteArray(1, '\0') + QByteArray(8192, 'x'));
    } else {
        TestDb::failWhen("restore_fails", "kesp_item_master", "INSERT", "NEW.item_code = 'I002'", "injected failure");
    }
    f.close();
    TestDb::seedIssue();
    const QStringList live = fingerprint();

    const Restore::Outcome o = Restore::restore(archive, db.dir());
    QVERIFY(!o.ok());
    QVERIFY2(o.error.contains(told), qPrintable(o.error));
    QCOMPARE(fingerprint(), live);
    QCOMPARE(restoreRows(), 0);
    if (TestDb::onServer())
        QCOMPARE(TestDb::count("SELECT count(*) FROM information_schema.schemata WHERE schema_name = 'yc_restore'"), 0);
    else
        QVERIFY(!QFile::exists(DataConnect1::restoreMarkerFile(db.path())));
    // Writes go on as before.
    TestDb::seedIssue();
}

void TstRestore::otherCopiesAreToldAndCannotWrite_data() {
    QTest::addColumn<int>("when");
    QTest::newRow("copy running, writing during the restore") << 0;
    QTest::newRow("copy started during the restore") << 1;
    QTest::newRow("copy running, writing after the restore") << 2;
}

void TstRestore::otherCopiesAreToldAndCannotWrite() {
    QFETCH(int, when);
    const bool running = when != 1;
    TestDb db;
    TestDb::seedMasters();
    TestDb::seedStock();
    const QString archive = archiveOf(db, db.path(), "a.zip");
    const QString go = db.dir() + "/go";
    QProcess other;
    if (running) {
        other.start(ORDER_WORKER, {db.path(), "u2", "balance", go});
        QVERIFY(other.waitForReadyRead(30000));
        QCOMPARE(other.readAllStandardOutput(), QByteArray("ready\n"));
    }
    bool tried = false;
    const Restore::Outcome o = Restore::restore(archive, db.dir(), [&](Restore::Step s) {
        if (s != Restore::Step::Replacing || when == 2) return;
        // The other copy writes while the live data is being replaced.
        if (running) QFile(go).open(QIODevice::WriteOnly);
        else other.start(ORDER_WORKER, {db.path(), "u2", "balance"});
        tried = other.waitForFinished(60000);
    });
    QVERIFY2(o.ok(), qPrintable(o.error));
    if (when == 2) {
        // It had the data open before the restore: its windows show what was replaced.
        QFile(go).open(QIODevice::WriteOnly);
        tried = other.waitForFinished(60000);
    }
    QVERIFY(tried);
    QCOMPARE(QString::fromLocal8Bit(other.readAllStandardError()).trimmed().split('\n').last(), Sql::RestoringMessage);
    QCOMPARE(other.exitCode(), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE item_code = 'A00000'"), 0);
    // Once restored, another copy works on the restored data.
    QProcess after;
    after.start(ORDER_WORKER, {db.path(), "u2", "balance"});
    QVERIFY(after.waitForFinished(60000));
    QCOMPARE(after.exitCode(), 0);
}

void TstRestore::window() {
    TestDb db;
    ScriptedSeam seam;
    TestDb::seedMasters();
    TestDb::seedStock();
    const QStringList before = fingerprint();
    const QString archive = archiveOf(db, db.path(), "a.zip");
    TestDb::seedIssue();
    int restarted = 0;
    const auto restart = std::exchange(TAA60_form::restart(), [&] { ++restarted; });

    TAA60_form w;
    w.show();
    // A file that is no archive: checked, and nothing to restore.
    QTest::keyClicks(w.FileName, db.dir() + "/none.zip");
    QTest::mouseClick(w.Cmd_Check, Qt::LeftButton);
    QVERIFY(w.Memo1->toPlainText().contains("不能恢复"));
    QVERIFY(!w.Cmd_Restore->isEnabled());
    // The archive chosen is checked at once.
    seam.openFile = archive;
    QTest::mouseClick(w.Cmd_Choose, Qt::LeftButton);
    QCOMPARE(QDir::fromNativeSeparators(w.FileName->text()), archive);
    const QString shown = w.Memo1->toPlainText();
    QVERIFY2(shown.contains("完整性检查：通过") && shown.contains("核对库存：库存与流水一致") &&
                 shown.contains(Backup::Program) && shown.contains("出入库流水 4"),
             qPrintable(shown));
    QVERIFY(w.Cmd_Restore->isEnabled());
    // Not confirmed: nothing happens.
    seam.answers = {false};
    QTest::mouseClick(w.Cmd_Restore, Qt::LeftButton);
    QCOMPARE(seam.kinds.last(), QString("confirm"));
    QVERIFY(fingerprint() != before);
    seam.answers = {true};
    QTest::mouseClick(w.Cmd_Restore, Qt::LeftButton);
    QCOMPARE(seam.kinds.last(), QString("dravont"));
    QVERIFY2(seam.last().startsWith("数据已恢复"), qPrintable(seam.last()));
    QCOMPARE(fingerprint(), before);
    QTRY_COMPARE(restarted, 1);
    TAA60_form::restart() = restart;
}

QTEST_MAIN(TstRestore)
#include "tst_restore.moc"
