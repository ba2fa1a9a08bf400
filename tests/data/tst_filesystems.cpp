// Which file systems count as a network share, where a database file must not be opened.
#include "data/DataConnect1_Unit.h"

#include <QTemporaryDir>
#include <QTest>

class TstFilesystems : public QObject {
    Q_OBJECT
private slots:
    void networkAndLocalTypes_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("network");
        for (const char* t : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "fuse.gvfsd-fuse", "9p", "ceph",
                              "NFS4", " cifs\n"})
            QTest::newRow(t) << QString(t) << true;
        for (const char* t : {"ext4", "xfs", "btrfs", "tmpfs", "overlay", "vfat", "zfs", "fuse", "fuse.portal",
                              "fuseblk", "", "nfsd", "fuse.sshfsx"})
            QTest::newRow(*t ? t : "(none)") << QString(t) << false;
    }
    void networkAndLocalTypes() {
        QFETCH(QString, type);
        QFETCH(bool, network);
        QCOMPARE(DataConnect1::isNetworkFileSystemType(type), network);
    }
    void localFolderIsNoShare() {
        QTemporaryDir dir;
        QVERIFY(!DataConnect1::onNetworkFileSystem(dir.filePath("DATA/quorvel.mdb")));
        QVERIFY(!DataConnect1::onNetworkFileSystem(QDir::currentPath() + "/DATA/quorvel.mdb"));
        // The message names the file and the way out.
        const QString m = DataConnect1::networkShareMessage("/mnt/share/DATA/quorvel.mdb");
        QVERIFY(m.contains("/mnt/share/DATA/quorvel.mdb"));
        QVERIFY(m.contains("[server]"));
    }
};

QTEST_GUILESS_MAIN(TstFilesystems)
#include "tst_filesystems.moc"
