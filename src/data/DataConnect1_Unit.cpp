#include "data/DataConnect1_Unit.h"

#include "data/session.h"
#include "data/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QElapsedTimer>
#include <QThread>

#include <sqlite3.h>

// The creation script is a resource of this static library: register it before first use.
static void initSchemaResource() { Q_INIT_RESOURCE(schema); }

namespace {
QString g_path;
int g_busyTimeout = 15000;

// Another running copy holds the lock: tell the windows (wait cursor) and retry until the busy
// timeout has run out; then the statement fails with SQLITE_BUSY.
int onBusy(void*, int attempt) {
    static QElapsedTimer waited;
    if (attempt == 0) {
        waited.start();
        Sql::busyWaitBegins();
    }
    if (waited.elapsed() >= g_busyTimeout) return 0;
    QThread::msleep(attempt < 20 ? 2 : 20);
    return 1;
}

QList<DataConnect1::UpgradeStep> makeSteps() {
    const QString T = QStringLiteral(" TEXT COLLATE NOCASE");
    return {
        // 1 -> 2: the summary work tables belong to the user who filled them; master codes unique.
        {2,
         {"ALTER TABLE kesp_inv_detail_tree_v_out ADD COLUMN login_id" + T,
          "ALTER TABLE kesp_inv_detail_tree_v_out2 ADD COLUMN login_id" + T,
          "CREATE INDEX IF NOT EXISTS ix_v_out_login ON kesp_inv_detail_tree_v_out(login_id)",
          "CREATE INDEX IF NOT EXISTS ix_v_out2_login ON kesp_inv_detail_tree_v_out2(login_id)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_warehouse ON kesp_warehouse_ini(warehouse)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_arrage_b ON kesp_item_arrage_b(arrage_code_b)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_arrage_s ON kesp_item_arrage_s(arrage_code_b, arrage_code_s)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_attr ON kesp_item_attr(attr_code)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_size ON kesp_item_size(size_code)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_stage ON kesp_item_stage(stage_code)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_unit ON kesp_item_unit(unit_code)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_operation ON kesp_operation_ini(operation_code)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_vendor ON kesp_vendor_ini(vendor)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_customer ON kesp_customer_ini(customer)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_item_master ON kesp_item_master(item_code)"}},
        // 2 -> 3: one accounting period per month. Copies that started together may have made a
        // month twice: keep its closed row (else the first) before the key is laid. Snapshots are
        // read by period and warehouse in item order.
        {3,
         {"DELETE FROM kesp_inv_history_list WHERE EXISTS (SELECT 1 FROM kesp_inv_history_list k "
          "WHERE k.save_code = kesp_inv_history_list.save_code AND (k.save_flag > kesp_inv_history_list.save_flag "
          "OR (k.save_flag = kesp_inv_history_list.save_flag AND k.rowid < kesp_inv_history_list.rowid)))",
          "DROP INDEX IF EXISTS ix_inv_history_list_save",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_inv_history_list_save ON kesp_inv_history_list(save_code)",
          "DROP INDEX IF EXISTS ix_inv_history_detail_save",
          "CREATE INDEX IF NOT EXISTS ix_inv_history_detail_key ON kesp_inv_history_detail_tree(save_code, warehouse, "
          "item_code)"}},
        // 3 -> 4: the bill lists of the record queries and of the reversal screens (posted bills
        // of one direction with their warehouse and partner), read by prefix from the index alone.
        {4,
         {"CREATE INDEX IF NOT EXISTS ix_post_history_bill_in ON kesp_post_history(bill_no, operation_code, "
          "warehouse, warehouse_name, vendor, vendor_name)",
          "CREATE INDEX IF NOT EXISTS ix_post_history_bill_out ON kesp_post_history(bill_no, operation_code, "
          "warehouse, warehouse_name, customer, customer_name)",
          "CREATE INDEX IF NOT EXISTS ix_item_master_arrage ON kesp_item_master(arrage_code_b, arrage_code_s, "
          "item_code)"}},
    };
}
} // namespace

QString DataConnect1::connectionName() { return QStringLiteral("ADOConnection1"); }
QString DataConnect1::defaultPath() { return QDir::current().filePath(QStringLiteral("DATA/quorvel.mdb")); }
QString DataConnect1::beginWriteStatement() { return QStringLiteral("BEGIN IMMEDIATE"); }
QString DataConnect1::path() { return g_path; }
QString DataConnect1::rowIdColumn() { return QStringLiteral("rowid"); }
QString DataConnect1::tenDigits(const QString& intExpr) {
    return QStringLiteral("substr('0000000000' || (%1), -10)").arg(intExpr);
}

void DataConnect1::setBusyTimeout(int ms) { g_busyTimeout = ms; }
int DataConnect1::busyTimeout() { return g_busyTimeout; }

QString DataConnect1::snapshotStatement(const QString& table, const QString& select, const QString& orderBy) {
    // SQLite numbers the rows of a table in the order they are inserted, so the rowid follows
    // `orderBy`; a server engine would add a row_number() column and an index on it.
    return QStringLiteral("CREATE TEMP TABLE %1 AS SELECT * FROM (%2) AS q%3")
        .arg(table, select, orderBy.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + orderBy);
}

QString DataConnect1::dropSnapshotStatement(const QString& table) {
    return QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(table);
}

QString DataConnect1::snapshotKey() { return QStringLiteral("rowid"); }

QList<DataConnect1::UpgradeStep>& DataConnect1::upgradeSteps() {
    static QList<UpgradeStep> steps = makeSteps();
    return steps;
}

QString DataConnect1::creationScript() {
    initSchemaResource();
    QFile f(QStringLiteral(":/data/schema.sql"));
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("数据库创建脚本缺失"));
    return QString::fromUtf8(f.readAll());
}

void DataConnect1::connect(const QString& path) {
    close();
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    d.setDatabaseName(path);
    // Other running copies hold the file too: wait for their locks instead of failing.
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!d.open()) {
        const QString err = d.lastError().text();
        close();
        throw DbError(err);
    }
    g_path = path;
    const QVariant handle = d.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        if (sqlite3* h = *static_cast<sqlite3* const*>(handle.constData())) sqlite3_busy_handler(h, onBusy, nullptr);
    try {
        Sql::scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")); // fails on a foreign file
        Sql::run(QStringLiteral("PRAGMA journal_mode=WAL"));
    } catch (...) {
        close();
        throw;
    }
}

void DataConnect1::open(const QString& path) {
    if (!QFileInfo::exists(path)) throw DbError(QStringLiteral("数据库文件不存在：%1").arg(path));
    connect(path);
    try {
        upgrade();
    } catch (...) {
        close();
        throw;
    }
}

void DataConnect1::create(const QString& path) {
    if (QFileInfo::exists(path)) throw DbError(QStringLiteral("数据库文件已经存在：%1").arg(path));
    QDir().mkpath(QFileInfo(path).absolutePath());
    connect(path);
    try {
        Transaction tx;
        Sql::runScript(creationScript());
        tx.commit();
    } catch (...) {
        close();
        QFile::remove(path);
        throw;
    }
}

void DataConnect1::close() {
    if (QSqlDatabase::contains(connectionName())) {
        {
            QSqlDatabase d = QSqlDatabase::database(connectionName(), false);
            d.close();
        }
        QSqlDatabase::removeDatabase(connectionName());
    }
    g_path.clear();
}

bool DataConnect1::isOpen() { return Sql::db().isOpen(); }

int DataConnect1::schemaVersionOf() { return Sql::scalar(QStringLiteral("PRAGMA user_version")).toInt(); }

void DataConnect1::upgrade() {
    if (schemaVersionOf() == SchemaVersion) return; // the usual case: no lock needed
    // Read again under the write lock: a second copy opening the same older file waits here and
    // then finds it upgraded.
    Transaction tx;
    int version = schemaVersionOf();
    if (version > SchemaVersion) {
        throw DbError(QStringLiteral("数据库版本（%1）比本程序（%2）新，请使用新版程序打开。")
                          .arg(version)
                          .arg(SchemaVersion));
    }
    if (version == SchemaVersion) return;
    if (version == 0) {
        const bool empty = !Sql::exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table'"));
        if (empty) {
            Sql::runScript(creationScript());
            tx.commit();
            return;
        }
        if (!Sql::exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name='login_table'")))
            throw DbError(QStringLiteral("该文件不是本程序的数据库"));
        version = 1; // made before the schema carried a version number
    }
    for (const UpgradeStep& step : upgradeSteps()) {
        if (step.toVersion <= version) continue;
        for (const QString& s : step.statements) Sql::run(s);
        Sql::run(QStringLiteral("PRAGMA user_version = %1").arg(step.toVersion));
        version = step.toVersion;
    }
    tx.commit();
}

QString DataConnect1::IsWarehouseSealed(const QString& warehouse) {
    const bool sealed = Sql::exists(
        QStringLiteral("SELECT 1 FROM kesp_check_set WHERE warehouse=? AND login_id=?"),
        {warehouse, Session::userCode()});
    return sealed ? QStringLiteral("Y") : QStringLiteral("N");
}
