#include "data/DataConnect1_Unit.h"

#include "data/own_connection.h"
#include "data/server.h"
#include "data/session.h"
#include "data/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSettings>
#include <QStorageInfo>
#include <QAtomicInt>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QSysInfo>
#include <QDateTime>
#include <QThread>

#include <sqlite3.h>
#include <cerrno>
#include <csignal>
#include <unistd.h>

// The creation script is a resource of this static library: register it before first use.
static void initSchemaResource() { Q_INIT_RESOURCE(schema); }

namespace {
QString g_path;
int g_busyTimeout = 15000;
bool g_server = false;
quint64 g_openings = 0;
// The one key of the server's write lock (see beginWrite).
constexpr int WriteLockKey = 7417;
// The session lock a restoring copy holds on the server: the marker the other copies look for.
constexpr int RestoreLockKey = 7418;
// True while this process restores: its own marker stops nobody here.
bool g_restoring = false;
// When this copy opened the database file: a restore marker dated later tells it to quit.
QDateTime g_openedAt;
// The marker file's date before this process's restore put it up (invalid: there was none).
QDateTime g_markerBefore;
// The server database's restore mark when this copy started.
QString g_restoreMark;
// The restore lock held by a session other than the asking one, and the database's restore mark.
const QString RestoreMarks = QStringLiteral(
    "SELECT (SELECT count(*) FROM pg_catalog.pg_locks WHERE locktype = 'advisory' AND classid = 0 AND objid = %1 "
    "AND objsubid = 1 AND granted AND pid <> pg_backend_pid() "
    "AND database = (SELECT oid FROM pg_catalog.pg_database WHERE datname = current_database())), "
    "(SELECT coalesce(pg_catalog.shobj_description(oid, 'pg_database'), '') FROM pg_catalog.pg_database "
    "WHERE datname = current_database())")
                                 .arg(RestoreLockKey);

// During a restore the marker file names the restoring process ("pid host"); one whose process is
// gone from this computer was left by a restore that was killed. After a restore it says "done".
bool markerFileStands(const QString& database) {
    QFile f(DataConnect1::restoreMarkerFile(database));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QStringList parts = QString::fromUtf8(f.readAll()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.value(0) == QLatin1String("done")) return false;
    if (parts.size() < 2) return true; // being written
    const qint64 pid = parts.at(0).toLongLong();
    if (parts.at(1) != QSysInfo::machineHostName()) return true;
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

bool writeMarker(const QString& file, const QByteArray& text) {
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size() && f.flush();
}
QAtomicInt g_prepared;

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

// The version the rights tables and the audit trail arrive with.
constexpr int RightsVersion = 6;

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
        // 4 -> 5: barcodes of the item variants (the code keeps its letter case on both engines);
        // the variants an item has balances or history in, read from the indexes alone; count rows
        // of goods the books did not know.
        {5,
         {"CREATE TABLE IF NOT EXISTS kesp_item_barcode (barcode TEXT NOT NULL, item_code" + T + " NOT NULL, attr_code" + T +
              " NOT NULL, size_code" + T + " NOT NULL, stage_code" + T + " NOT NULL, barcode_kind" + T +
              " NOT NULL, login_id" + T + ", operation_date" + T + ")",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_item_barcode ON kesp_item_barcode(barcode)",
          "CREATE INDEX IF NOT EXISTS ix_item_barcode_variant ON kesp_item_barcode(item_code, attr_code, size_code, "
          "stage_code)",
          "CREATE INDEX IF NOT EXISTS ix_item_barcode_attr ON kesp_item_barcode(attr_code)",
          "CREATE INDEX IF NOT EXISTS ix_item_barcode_size ON kesp_item_barcode(size_code)",
          "CREATE INDEX IF NOT EXISTS ix_item_barcode_stage ON kesp_item_barcode(stage_code)",
          "CREATE INDEX IF NOT EXISTS ix_inv_detail_tree_item ON kesp_inv_detail_tree(item_code, attr_code, size_code, "
          "stage_code)",
          "CREATE INDEX IF NOT EXISTS ix_post_history_item ON kesp_post_history(item_code, attr_code, size_code, "
          "stage_code)",
          "ALTER TABLE kesp_check_temp ADD COLUMN found_flag BOOLEAN NOT NULL DEFAULT FALSE",
          "CREATE INDEX IF NOT EXISTS ix_check_temp_key ON kesp_check_temp(login_id, warehouse, item_code, attr_code, "
          "size_code, stage_code)"}},
        // -> RightsVersion: rights per account and the audit trail. Every account there is keeps
        // every right, so nobody is locked out by the upgrade; accounts made later start with none.
        {RightsVersion,
         {"CREATE TABLE IF NOT EXISTS kesp_user_right (login_id" + T + ", command" + T + ")",
          "CREATE TABLE IF NOT EXISTS kesp_user_warehouse (login_id" + T + ", warehouse" + T + ", may_operate" + T + ")",
          "CREATE TABLE IF NOT EXISTS kesp_audit_log (ID INTEGER PRIMARY KEY AUTOINCREMENT, log_time" + T +
              ", login_id" + T + ", computer_name" + T + ", command" + T + ", table_name" + T + ", key_value" + T +
              ", before_value TEXT, after_value TEXT, bill_no" + T + ")",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_user_right ON kesp_user_right(login_id, command)",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_user_warehouse ON kesp_user_warehouse(login_id, warehouse)",
          "CREATE INDEX IF NOT EXISTS ix_audit_log_time ON kesp_audit_log(log_time)",
          "CREATE INDEX IF NOT EXISTS ix_audit_log_bill ON kesp_audit_log(bill_no)",
          "INSERT INTO kesp_user_right(login_id, command) SELECT DISTINCT login_id, '*' FROM login_table l "
          "WHERE login_id IS NOT NULL AND NOT EXISTS (SELECT 1 FROM kesp_user_right r WHERE r.login_id=l.login_id "
          "AND r.command='*')",
          "INSERT INTO kesp_user_right(login_id, command) SELECT DISTINCT login_id, 'PRICE' FROM login_table l "
          "WHERE login_id IS NOT NULL AND NOT EXISTS (SELECT 1 FROM kesp_user_right r WHERE r.login_id=l.login_id "
          "AND r.command='PRICE')",
          "INSERT INTO kesp_user_warehouse(login_id, warehouse, may_operate) SELECT DISTINCT login_id, '*', 'Y' "
          "FROM login_table l WHERE login_id IS NOT NULL AND NOT EXISTS (SELECT 1 FROM kesp_user_warehouse w "
          "WHERE w.login_id=l.login_id AND w.warehouse='*')"}},
        // 6 -> 7: a warehouse may forbid postings that would take a stock key below zero. A closed
        // period records how far the movement history went when its snapshot was taken (the
        // history's row identity: the file's rowid, on the server a column of its own).
        {7,
         {"ALTER TABLE kesp_warehouse_ini ADD COLUMN forbid_negative BOOLEAN NOT NULL DEFAULT FALSE",
          "ALTER TABLE kesp_inv_history_list ADD COLUMN history_mark BIGINT"},
         {"ALTER TABLE kesp_post_history ADD COLUMN IF NOT EXISTS row_id BIGINT GENERATED BY DEFAULT AS IDENTITY"}},
        // 7 -> 8: minimum and maximum stock per item (or colour, size, colour × size) and warehouse;
        // the keys that hold nothing, for the broken size runs of the alerts.
        {8,
         {"CREATE TABLE IF NOT EXISTS kesp_stock_level (warehouse" + T + " NOT NULL, item_code" + T +
              " NOT NULL, attr_code" + T + " NOT NULL DEFAULT '', size_code" + T +
              " NOT NULL DEFAULT '', min_qty REAL NOT NULL, max_qty REAL NOT NULL, login_id" + T +
              ", operation_date" + T + ")",
          "CREATE UNIQUE INDEX IF NOT EXISTS ux_stock_level ON kesp_stock_level(warehouse, item_code, attr_code, size_code)",
          "CREATE INDEX IF NOT EXISTS ix_stock_level_item ON kesp_stock_level(item_code, attr_code, size_code)",
          "CREATE INDEX IF NOT EXISTS ix_stock_level_attr ON kesp_stock_level(attr_code)",
          "CREATE INDEX IF NOT EXISTS ix_stock_level_size ON kesp_stock_level(size_code)",
          "CREATE INDEX IF NOT EXISTS ix_inv_detail_tree_empty ON kesp_inv_detail_tree(warehouse, item_code, attr_code, "
          "size_code) WHERE qty <= 0"}},
    };
}
} // namespace

QString DataConnect1::connectionName() { return QStringLiteral("ADOConnection1"); }
QString DataConnect1::defaultPath() { return QDir::current().filePath(QStringLiteral("DATA/quorvel.mdb")); }
QString DataConnect1::configuredLocation() {
    QSettings ini(QDir::current().filePath(QStringLiteral("Dravont.ini")), QSettings::IniFormat);
    const QString server = Server::locationFromSettings(ini);
    return server.isEmpty() ? defaultPath() : server;
}
bool DataConnect1::onServer() { return g_server; }
QString DataConnect1::path() { return g_path; }

quint64 DataConnect1::openings() { return g_openings; }
QString DataConnect1::rowIdColumn() { return g_server ? QStringLiteral("row_id") : QStringLiteral("rowid"); }
QString DataConnect1::tenDigits(const QString& intExpr) {
    if (g_server) return QStringLiteral("lpad(CAST((%1) AS TEXT), 10, '0')").arg(intExpr);
    return QStringLiteral("substr('0000000000' || (%1), -10)").arg(intExpr);
}
QString DataConnect1::forUpdate() { return g_server ? QStringLiteral(" FOR UPDATE") : QString(); }

QStringList DataConnect1::beginStatements() {
    // A division by zero when the lock is held elsewhere: the statements sent after it do not run.
    return {QStringLiteral("BEGIN"), QStringLiteral("SELECT 1/CAST(pg_try_advisory_xact_lock(%1) AS INTEGER)").arg(WriteLockKey)};
}

void DataConnect1::beginWrite() {
    QSqlDatabase d = Sql::db();
    QSqlQuery q(d);
    if (!g_server) {
        if (restoreUnderway()) throw DbError(Sql::RestoringMessage);
        // Takes the file's write lock at once; the busy handler waits for other copies.
        Sql::countStatement(QStringLiteral("BEGIN IMMEDIATE"));
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) throw DbError(Sql::errorText(q.lastError()));
        return;
    }
    // Write transactions on the server queue behind one transaction-level lock, as they do on the
    // embedded file: a balance is read, checked and written by one clerk at a time, and the
    // counter row is taken FOR UPDATE besides. Readers never wait for it. The transaction is
    // begun and the lock tried in one round trip.
    try {
        q = Sql::runBatch({QStringLiteral("BEGIN"), QStringLiteral("SELECT pg_try_advisory_xact_lock(%1)").arg(WriteLockKey)});
        if (!(q.next() && q.value(0).toBool())) {
            Sql::busyWaitBegins();
            Sql::run(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(WriteLockKey));
        }
    } catch (...) {
        Sql::countStatement(QStringLiteral("ROLLBACK"));
        QSqlQuery(d).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void DataConnect1::setBusyTimeout(int ms) {
    g_busyTimeout = ms;
    if (g_server && isOpen()) Sql::run(QStringLiteral("SET lock_timeout = %1").arg(ms));
}
int DataConnect1::busyTimeout() { return g_busyTimeout; }

void DataConnect1::makeSnapshot(const QString& table, const QString& select, const QString& orderBy,
                                const QVariantList& params, const QList<Sql::Bound>& then,
                                const std::function<void(qsizetype, QSqlQuery&)>& each) {
    const QString order = orderBy.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + orderBy;
    if (!g_server) {
        // SQLite numbers the rows of a table in the order they are inserted, so the rowid follows
        // `orderBy`.
        Sql::run(dropSnapshotStatement(table));
        Sql::run(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT * FROM (%2) AS q%3").arg(table, select, order), params);
        Sql::runAll(then, each);
        return;
    }
    // The server cannot prepare CREATE TABLE AS: the select is prepared under a name of its own
    // and executed into the table with the values written out by the driver, as it writes every
    // bound value. A row_number() column keeps the order, indexed for paging (the grid reads it by
    // snap_key alone; the index records the row count, and statistics over every text column
    // would cost more than the query itself). All of it one round trip; statements prepared on
    // the table before it was made anew are let go.
    Sql::forgetPrepared(table);
    QSqlDatabase d = Sql::db();
    const QString name = QStringLiteral("yc_snapshot_%1").arg(g_prepared.fetchAndAddRelaxed(1));
    QStringList values;
    for (const QVariant& v : params) values << Sql::literal(d, v);
    try {
        QList<Sql::Bound> batch;
        for (const QString& statement :
             {dropSnapshotStatement(table),
              QStringLiteral("PREPARE %1 AS SELECT q.*, row_number() OVER (%2) AS snap_key FROM (%3) AS q")
                  .arg(name, order, Server::numbered(select)),
              QStringLiteral("CREATE TEMP TABLE %1 AS EXECUTE %2%3")
                  .arg(table, name, values.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(values.join(','))),
              QStringLiteral("DEALLOCATE ") + name, QStringLiteral("CREATE UNIQUE INDEX ON %1(snap_key)").arg(table)})
            batch.append({statement, {}});
        const qsizetype made = batch.size();
        batch += then;
        Sql::runAll(batch, [&](qsizetype i, QSqlQuery& q) {
            if (i >= made && each) each(i - made, q);
        });
    } catch (const DbError&) {
        Sql::countStatement(QStringLiteral("DEALLOCATE ") + name);
        QSqlQuery(d).exec(QStringLiteral("DEALLOCATE ") + name); // when it was prepared
        throw;
    }
}

QString DataConnect1::dropSnapshotStatement(const QString& table) {
    return QStringLiteral("DROP TABLE IF EXISTS %1.%2").arg(g_server ? QStringLiteral("pg_temp") : QStringLiteral("temp"), table);
}

QString DataConnect1::snapshotKey() { return g_server ? QStringLiteral("snap_key") : QStringLiteral("rowid"); }

// On the server the catalogue lists every table, also those the role may not read (the
// information schema shows only the readable ones, and a database restored by another role would
// look empty).
bool DataConnect1::tableExists(const QString& table) {
    if (g_server)
        return Sql::exists(QStringLiteral("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() "
                                          "AND tablename = ?"),
                           {table.toLower()});
    return Sql::exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"), {table});
}

bool DataConnect1::hasTables() {
    if (g_server)
        return Sql::exists(QStringLiteral("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema()"));
    return Sql::exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table'"));
}

void DataConnect1::checkServerTables() {
    // Tables and views of another role that this one neither belongs to nor may fully use.
    QSqlQuery q = Sql::run(QStringLiteral(
        "SELECT c.relname, pg_catalog.pg_get_userbyid(c.relowner), current_user, current_database() "
        "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'p') "
        "AND NOT pg_catalog.pg_has_role(current_user, c.relowner, 'USAGE') "
        "AND NOT pg_catalog.has_table_privilege(c.oid, 'SELECT, INSERT, UPDATE, DELETE') "
        "ORDER BY c.relname"));
    if (!q.next()) return;
    throw DbError(QStringLiteral("服务器上的数据库 %1 中的表（如 %2）属于角色 %3，本程序登录用的角色 %4 无权使用。"
                                 "请服务器管理员把这些表的所有者改为 %4（见 README 中数据库恢复的步骤），"
                                 "或以角色 %4 重新恢复数据库。")
                      .arg(q.value(3).toString(), q.value(0).toString(), q.value(1).toString(), q.value(2).toString()));
}

QList<DataConnect1::UpgradeStep>& DataConnect1::upgradeSteps() {
    static QList<UpgradeStep> steps = makeSteps();
    return steps;
}

QString DataConnect1::creationScript() {
    initSchemaResource();
    QFile f(QStringLiteral(":/data/schema.sql"));
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("数据库创建脚本缺失"));
    const QString script = QString::fromUtf8(f.readAll());
    if (!g_server) return script;
    // citext is a trusted extension: the owner of the database may create it.
    return QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext;\n") + Server::translate(script);
}

bool DataConnect1::isNetworkFileSystemType(const QString& type) {
    static const QStringList network = {"nfs", "nfs4", "cifs", "smb3", "smb2", "smbfs", "9p", "afs", "ceph",
                                        "glusterfs", "ncpfs", "coda", "lustre", "gfs2", "ocfs2", "davfs",
                                        "beegfs", "gpfs", "orangefs"};
    // Network file systems in user space: ssh, cloud storage, the desktop's share mounts.
    static const QStringList networkFuse = {"sshfs", "glusterfs", "s3fs", "davfs2", "rclone", "gvfsd-fuse",
                                            "cifs", "smbnetfs", "curlftpfs", "ceph", "gcsfuse", "juicefs"};
    const QString t = type.trimmed().toLower();
    if (network.contains(t)) return true;
    return t.startsWith(QLatin1String("fuse.")) && networkFuse.contains(t.mid(5));
}

bool DataConnect1::onNetworkFileSystem(const QString& path) {
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    if (!volume.isValid()) return false;
    return isNetworkFileSystemType(QString::fromLatin1(volume.fileSystemType()));
}

void DataConnect1::connectServer(const QString& location, bool fresh) {
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName());
        if (!d.isValid()) {
            close();
            throw DbError(QStringLiteral("本机缺少数据库服务器的驱动（Qt 的 PostgreSQL 驱动）"));
        }
        Server::configure(d, location);
        if (!d.open()) {
            const QString err = d.lastError().text();
            close();
            throw DbError(QStringLiteral("无法连接数据库服务器 %1：%2").arg(Server::shown(location), err));
        }
    }
    g_server = true;
    g_path = location;
    try {
        // The settings and the look for a restore in one round trip. No JIT: this program's
        // statements are index lookups over text codes that compiling does not make faster, and a
        // report over a million balances crossed the planner's cost mark and spent 0.2 to 3 s on
        // compiling alone.
        bool told = false;
        {
            QSqlQuery q = Sql::runBatch({QStringLiteral("SET client_min_messages = warning"), QStringLiteral("SET jit = off"),
                                         QStringLiteral("SET lock_timeout = %1").arg(g_busyTimeout), RestoreMarks});
            if (!q.next()) throw DbError(Sql::LostMessage);
            told = !g_restoring && q.value(0).toInt() > 0;
            if (fresh) g_restoreMark = q.value(1).toString();
            else told = told || q.value(1).toString() != g_restoreMark;
        }
        if (told) throw DbError(Sql::RestoringMessage);
    } catch (...) {
        close();
        throw;
    }
}

void DataConnect1::connect(const QString& path) {
    close();
    if (Server::isServerLocation(path)) {
        connectServer(path);
        return;
    }
    // WAL keeps its shared memory on one host, and file locks over a network share are not
    // reliable: a file several computers share would be damaged.
    if (onNetworkFileSystem(path)) throw DbError(networkShareMessage(path));
    g_openedAt = QDateTime::currentDateTime();
    if (!g_restoring && markerFileStands(path)) throw DbError(Sql::RestoringMessage);
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
        // Large sorts (the balance check, big queries' grouping) use the other cores as well.
        Sql::run(QStringLiteral("PRAGMA threads=%1").arg(qBound(1, QThread::idealThreadCount(), 4)));
    } catch (...) {
        close();
        throw;
    }
}

void DataConnect1::open(const QString& path) {
    const bool server = Server::isServerLocation(path);
    if (!server && !QFileInfo::exists(path)) throw DbError(QStringLiteral("数据库文件不存在：%1").arg(path));
    try {
        connect(path);
    } catch (...) {
        // A server not reached at start-up is tried again by the next statement.
        if (server) {
            g_path = path;
            g_server = true;
        }
        throw;
    }
    try {
        upgrade();
    } catch (...) {
        close();
        throw;
    }
}

void DataConnect1::create(const QString& path, const std::function<void()>& fill) {
    const bool server = Server::isServerLocation(path);
    if (!server) {
        if (QFileInfo::exists(path)) throw DbError(QStringLiteral("数据库文件已经存在：%1").arg(path));
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    connect(path);
    try {
        Transaction tx;
        if (server && hasTables()) {
            checkServerTables();
            throw DbError(QStringLiteral("服务器上的数据库 %1 不是空的").arg(Server::shown(path)));
        }
        Sql::runScript(creationScript());
        if (fill) fill();
        tx.commit();
    } catch (...) {
        close();
        if (!server) QFile::remove(path);
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
    Sql::forgetAllPrepared();
    g_path.clear();
    g_server = false;
    ++g_openings;
}

void DataConnect1::reconnect() {
    const QString location = g_path;
    close();
    try {
        connectServer(location, false);
        upgrade(); // a server first reached now may still be empty
    } catch (...) {
        close();
        g_path = location; // tried again by the next statement
        g_server = true;
        throw;
    }
}

bool DataConnect1::isOpen() { return Sql::db().isOpen(); }

QString DataConnect1::restoreMarkerFile(const QString& database) { return database + QStringLiteral(".restoring"); }

bool DataConnect1::restoreUnderway() {
    if (g_restoring || g_path.isEmpty()) return false;
    if (!g_server) {
        // A marker dated after this copy opened the file: a restore began (or ended) since.
        const QFileInfo marker(restoreMarkerFile(g_path));
        return marker.exists() && (marker.lastModified() >= g_openedAt || markerFileStands(g_path));
    }
    // Asked on a connection of its own: the shared one may be the one that broke off.
    try {
        OwnConnection c(g_path);
        QSqlQuery q = c.run(RestoreMarks);
        return q.next() && (q.value(0).toInt() > 0 || q.value(1).toString() != g_restoreMark);
    } catch (const DbError&) {
        return false;
    }
}

void DataConnect1::raiseRestoreMarker() {
    if (g_restoring) return;
    if (g_server) {
        if (!Sql::scalar(QStringLiteral("SELECT pg_try_advisory_lock(%1)").arg(RestoreLockKey)).toBool())
            throw DbError(QStringLiteral("另一台电脑正在恢复数据库。"));
    } else {
        const QString file = restoreMarkerFile(g_path);
        if (markerFileStands(g_path)) throw DbError(QStringLiteral("另一个程序正在恢复数据库。"));
        const QFileInfo before(file);
        g_markerBefore = before.exists() ? before.lastModified() : QDateTime();
        if (!writeMarker(file, QStringLiteral("%1 %2").arg(QCoreApplication::applicationPid()).arg(QSysInfo::machineHostName()).toUtf8()))
            throw DbError(QStringLiteral("无法建立恢复标记：%1").arg(file));
    }
    g_restoring = true;
}

void DataConnect1::lowerRestoreMarker(bool replaced) {
    if (!g_restoring) return;
    g_restoring = false;
    if (!g_server) {
        const QString file = restoreMarkerFile(g_path);
        if (replaced) {
            // Dated now: every copy that opened the file before is told to quit; this one goes on.
            writeMarker(file, "done");
            g_openedAt = QDateTime::currentDateTime();
        } else if (g_markerBefore.isValid()) {
            writeMarker(file, "done");
            QFile f(file);
            if (f.open(QIODevice::ReadWrite)) f.setFileTime(g_markerBefore, QFileDevice::FileModificationTime);
        } else {
            QFile::remove(file);
        }
        return;
    }
    try {
        QSqlQuery q = Sql::runBatch({QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(RestoreLockKey), RestoreMarks});
        if (replaced && q.next()) g_restoreMark = q.value(1).toString();
    } catch (const DbError&) {
        // a lost connection took the lock with it
    }
}

void DataConnect1::markRestored() {
    if (!g_server) return;
    const QString database = Sql::scalar(QStringLiteral("SELECT quote_ident(current_database())")).toString();
    const QString mark = QStringLiteral("restored %1 %2")
                             .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs), QSysInfo::machineHostName());
    Sql::run(QStringLiteral("COMMENT ON DATABASE %1 IS %2").arg(database, Sql::literal(Sql::db(), mark)));
}

void DataConnect1::endOtherSessions() {
    if (!g_server) return;
    // The program's connections carry its name (Server::configure); an administrator's tools
    // are left alone.
    Sql::run(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_catalog.pg_stat_activity "
                            "WHERE datname = current_database() AND pid <> pg_backend_pid() "
                            "AND application_name = 'yicangtong'"));
}

void DataConnect1::openScratch(const QString& location, const QString& schema) {
    if (!Server::isServerLocation(location)) return open(location);
    close();
    connectServer(location);
    try {
        Sql::run(QStringLiteral("SET search_path TO %1, public").arg(schema));
        upgrade();
    } catch (...) {
        close();
        throw;
    }
}

int DataConnect1::schemaVersionOf() {
    if (!g_server) return Sql::scalar(QStringLiteral("PRAGMA user_version")).toInt();
    if (!tableExists(QStringLiteral("kesp_schema_version"))) return 0;
    return Sql::scalar(QStringLiteral("SELECT max(version) FROM kesp_schema_version")).toInt();
}

void DataConnect1::setSchemaVersion(int version) {
    if (!g_server) {
        Sql::run(QStringLiteral("PRAGMA user_version = %1").arg(version));
        return;
    }
    Sql::run(QStringLiteral("CREATE TABLE IF NOT EXISTS kesp_schema_version (version INTEGER NOT NULL)"));
    Sql::run(QStringLiteral("DELETE FROM kesp_schema_version"));
    Sql::run(QStringLiteral("INSERT INTO kesp_schema_version(version) VALUES (?)"), {version});
}

void DataConnect1::upgrade() {
    if (g_server) checkServerTables();
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
        if (!hasTables()) {
            Sql::runScript(creationScript());
            tx.commit();
            return;
        }
        // Server databases carry their version from the start.
        if (g_server || !tableExists(QStringLiteral("login_table")))
            throw DbError(QStringLiteral("该文件不是本程序的数据库"));
        version = 1; // made before the schema carried a version number
    }
    for (const UpgradeStep& step : upgradeSteps()) {
        if (step.toVersion <= version) continue;
        // A server database is made at the current version; later steps are written for the
        // embedded engine and rewritten for the server like the creation script.
        for (const QString& s : step.statements) Sql::run(g_server ? Server::translate(s) : s);
        if (g_server)
            for (const QString& s : step.serverStatements) Sql::run(s);
        setSchemaVersion(step.toVersion);
        version = step.toVersion;
    }
    tx.commit();
}

QString DataConnect1::networkShareMessage(const QString& path) {
    return QStringLiteral("数据库文件 %1 位于网络共享上。多台电脑共用一个数据库时请使用数据库服务器"
                          "（在设置文件 Dravont.ini 的 [server] 一节中填写服务器），不能直接打开共享的文件。")
        .arg(QDir::toNativeSeparators(path));
}

QString DataConnect1::IsWarehouseSealed(const QString& warehouse) {
    const bool sealed = Sql::exists(
        QStringLiteral("SELECT 1 FROM kesp_check_set WHERE warehouse=? AND login_id=?"),
        {warehouse, Session::userCode()});
    return sealed ? QStringLiteral("Y") : QStringLiteral("N");
}
