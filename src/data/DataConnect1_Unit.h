#pragma once
// The data module: owns the one shared connection to DATA/quorvel.mdb, creates and upgrades the
// schema, and answers the sealed-warehouse check.
#include "data/sql.h"

#include <QString>
#include <QStringList>
#include <QList>
#include <QVariantList>
#include <functional>

class DataConnect1 {
public:
    static constexpr int SchemaVersion = 8;

    struct UpgradeStep {
        int toVersion;
        QStringList statements;
        QStringList serverStatements = {}; // after `statements`, on the server alone
    };

    static QString connectionName();
    static QString defaultPath(); // DATA/quorvel.mdb below the working directory
    // The server of the [server] section of ./Dravont.ini, or defaultPath() when it has none.
    static QString configuredLocation();
    // True while the shared connection goes to a database server (false: the embedded file).
    static bool onServer();
    // Opens a write transaction on the shared connection and takes the write lock at once.
    static void beginWrite();
    // On the server: the statements that begin a write transaction and try for its lock (the last
    // one fails when another copy holds it, so that nothing sent after it runs).
    static QStringList beginStatements();
    // Clause that locks the rows a select reads until the transaction ends (empty on the file,
    // whose write lock covers the whole database).
    static QString forUpdate();
    // Name of the engine's row identity for tables without a key of their own; of the movement
    // history it grows with every row written, in the order the postings commit.
    static QString rowIdColumn();
    // SQL text of an integer expression written as ten digits with leading zeros.
    static QString tenDigits(const QString& intExpr);
    // How long a statement waits for another copy's lock before it fails with Sql::BusyMessage.
    static void setBusyTimeout(int ms);
    static int busyTimeout();

    // A result kept for this connection alone (a temporary table that other copies never see),
    // its rows in `orderBy` order: made from `select` (an earlier one of that name dropped first,
    // on the server in the same round trip), and the column that numbers its rows in that order.
    // `then` (reads of the snapshot) runs right after it, on the server in the same round trip,
    // each answer handed to `each` with its index in `then`.
    static void makeSnapshot(const QString& table, const QString& select, const QString& orderBy,
                             const QVariantList& params, const QList<Sql::Bound>& then = {},
                             const std::function<void(qsizetype, QSqlQuery&)>& each = {});
    static QString dropSnapshotStatement(const QString& table);
    static QString snapshotKey();

    // Opens an existing database file, or a server location (see data/server.h), upgrading an
    // older schema; throws DbError.
    static void open(const QString& path);
    // Creates a new database file, or the schema in an empty server database, with the full
    // schema and initial rows; throws DbError. `fill`, when given, runs in the same transaction
    // after the schema is made: when it throws, nothing of the new database remains.
    static void create(const QString& path, const std::function<void()>& fill = {});
    // True when the folder of `path` lies on a network file system (NFS, SMB/CIFS, ...).
    static bool onNetworkFileSystem(const QString& path);
    // True for the name of a network file system as the system's mount table gives it
    // ("nfs4", "cifs", "fuse.sshfs", ...); false for local ones ("ext4", "tmpfs", "overlay", ...).
    static bool isNetworkFileSystemType(const QString& type);
    static QString networkShareMessage(const QString& path);
    static bool tableExists(const QString& table);
    static bool hasTables();
    static void close();
    // Connects to the server again after the connection broke off (throws DbError while the
    // server cannot be reached; the next statement tries again).
    static void reconnect();
    static bool isOpen();
    static QString path();
    // Counts the databases closed so far: what was read of one database and kept is not taken for
    // the next one opened (at the same place or not).
    static quint64 openings();

    static int schemaVersionOf(); // the file's user_version, the server's schema_version row
    static void setSchemaVersion(int version);
    static QList<UpgradeStep>& upgradeSteps();
    static QString creationScript();

    // The restore of a backup (backup/restore.h) tells every other copy by a marker: on the file a
    // file beside the database naming the restoring process and, once done, dated by the restore's
    // end; on the server a lock the restoring session holds and, once done, the database's comment.
    // Other copies look for it when they connect, when a write begins on the file and when a
    // statement fails (on the server after a broken connection alone: a restore ends the other
    // sessions), and are refused with Sql::RestoringMessage — during the restore, and afterwards
    // those that had the database open before it ended (their windows show the data replaced).
    static bool restoreUnderway();
    // Puts the marker up for this process (throws DbError when another restore runs) and down:
    // `replaced` when the live data was replaced, else the marker is as it was before.
    static void raiseRestoreMarker();
    static void lowerRestoreMarker(bool replaced);
    // Inside the restore's transaction: the server's mark that its data was replaced.
    static void markRestored();
    // The marker file beside a database file.
    static QString restoreMarkerFile(const QString& database);
    // On the server: ends every other session of the program on the database (the other copies
    // find the marker when they connect again). Nothing on the file, whose writers the marker stops.
    static void endOtherSessions();
    // Opens a scratch copy as the shared connection, upgrading an older schema: a database file,
    // or on the server `location` with the tables of `schema` found first.
    static void openScratch(const QString& location, const QString& schema);

    // "Y" when the logged-in user has sealed the warehouse, "N" otherwise.
    static QString IsWarehouseSealed(const QString& warehouse);

private:
    static void connect(const QString& path);
    // `fresh`: a new start (not a connection made again), which takes the restore mark as it is.
    static void connectServer(const QString& location, bool fresh = true);
    static void upgrade();
    // Throws, naming the roles, when the server's tables belong to a role this one cannot act for.
    static void checkServerTables();
};
