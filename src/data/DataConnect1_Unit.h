#pragma once
// The data module: owns the one shared connection to DATA/quorvel.mdb, creates and upgrades the
// schema, and answers the sealed-warehouse check.
#include <QString>
#include <QStringList>
#include <QList>

class DataConnect1 {
public:
    static constexpr int SchemaVersion = 3;

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
