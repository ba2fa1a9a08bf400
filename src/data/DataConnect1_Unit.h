#pragma once
// The data module: owns the one shared connection to DATA/quorvel.mdb, creates and upgrades the
// schema, and answers the sealed-warehouse check.
#include <QString>
#include <QStringList>
#include <QList>

class DataConnect1 {
public:
    static constexpr int SchemaVersion = 4;

    struct UpgradeStep {
        int toVersion;
        QStringList statements;
    };

    static QString connectionName();
    static QString defaultPath(); // DATA/quorvel.mdb below the working directory
    // Statement that opens a write transaction (engine-specific: takes the write lock at once).
    static QString beginWriteStatement();
    // Name of the engine's row identity for tables without a key of their own.
    static QString rowIdColumn();
    // SQL text of an integer expression written as ten digits with leading zeros.
    static QString tenDigits(const QString& intExpr);
    // How long a statement waits for another copy's lock before it fails with Sql::BusyMessage.
    static void setBusyTimeout(int ms);
    static int busyTimeout();

    // A result kept for this connection alone (a temporary table that other copies never see),
    // its rows in `orderBy` order: the statement that creates it from `select` (dropped first),
    // and the column that numbers its rows in that order.
    static QString snapshotStatement(const QString& table, const QString& select, const QString& orderBy);
    static QString dropSnapshotStatement(const QString& table);
    static QString snapshotKey();

    // Opens an existing database file, upgrading an older schema; throws DbError.
    static void open(const QString& path);
    // Creates a new database file with the full schema and initial rows; throws DbError.
    static void create(const QString& path);
    static void close();
    static bool isOpen();
    static QString path();

    static int schemaVersionOf(); // PRAGMA user_version of the open database
    static QList<UpgradeStep>& upgradeSteps();
    static QString creationScript();

    // "Y" when the logged-in user has sealed the warehouse, "N" otherwise.
    static QString IsWarehouseSealed(const QString& warehouse);

private:
    static void connect(const QString& path);
    static void upgrade();
};
