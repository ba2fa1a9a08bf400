#include "data/snapshot.h"

#include "data/DataConnect1_Unit.h"
#include "data/own_connection.h"
#include "data/server.h"
#include "data/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <QStandardPaths>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {
qint64 pragma(OwnConnection& c, const char* name) {
    QSqlQuery q = c.run(QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
    return q.next() ? q.value(0).toLongLong() : 0;
}
} // namespace

namespace Snapshot {

qint64 expectedSize(const QString& source) {
    OwnConnection c(source);
    return pragma(c, "page_size") * (pragma(c, "page_count") - pragma(c, "freelist_count"));
}

// Reading through the memory map instead of one call per page: several times quicker here.
void mapped(OwnConnection& c) { c.run(QStringLiteral("PRAGMA mmap_size=4294967296")); }

void write(const QString& source, const QString& target) {
    OwnConnection c(source);
    mapped(c);
    c.run(QStringLiteral("VACUUM INTO ?"), {target});
}

QString check(const QString& file) {
    try {
        OwnConnection c(file);
        mapped(c);
        QSqlQuery q = c.run(QStringLiteral("PRAGMA integrity_check(20)"));
        QStringList lines;
        while (q.next()) lines << q.value(0).toString();
        return lines.isEmpty() ? QStringLiteral("no verdict") : lines.join('\n');
    } catch (const DbError& e) {
        return e.text();
    }
}

namespace {
const QString DumpComplete = QStringLiteral("-- PostgreSQL database dump complete");

int major(int versionNum) { return versionNum >= 100000 ? versionNum / 10000 : versionNum / 100; }

// The major version a client program says it has ("pg_dump (PostgreSQL) 15.5 ..."), 0 if none.
int programMajor(const QString& program) {
    QProcess p;
    p.start(program, {QStringLiteral("--version")});
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return 0;
    }
    const auto m = QRegularExpression(QStringLiteral("\\(PostgreSQL\\)\\s+(\\d+)"))
                       .match(QString::fromLocal8Bit(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}
} // namespace

QString serverProgram(const QString& name, int versionNum, QString* why) {
    const int want = major(versionNum);
    const QString own = QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(want).arg(name);
    if (QFileInfo(own).isExecutable()) return own;
    const QString onPath = QStandardPaths::findExecutable(name);
    const QString package = QStringLiteral("postgresql-client-%1").arg(want);
    if (onPath.isEmpty()) {
        if (why) *why = QStringLiteral("找不到 %1：请安装与数据库服务器同一版本（%2）的客户端程序（%3）。").arg(name).arg(want).arg(package);
        return {};
    }
    const int has = programMajor(onPath);
    if (has < want) {
        if (why)
            *why = QStringLiteral("%1 是 %2 版，比数据库服务器（%3 版）旧，不能用：请安装 %4。")
                       .arg(onPath)
                       .arg(has > 0 ? QString::number(has) : QStringLiteral("未知"))
                       .arg(want)
                       .arg(package);
        return {};
    }
    return onPath;
}

int serverVersion(const QString& location) {
    OwnConnection c(location);
    return c.scalar(QStringLiteral("SHOW server_version_num")).toInt();
}

qint64 expectedDumpSize(const QString& location) {
    OwnConnection c(location);
    return c.scalar(QStringLiteral("SELECT CAST(coalesce(sum(pg_table_size(c.oid)), 0) AS BIGINT) FROM pg_class c "
                                   "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                   "WHERE c.relkind = 'r' AND n.nspname = current_schema()"))
        .toLongLong();
}

namespace {
// The password of the location goes to the client program in its environment.
QProcessEnvironment clientEnvironment(const Server::Address& a) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!a.password.isEmpty()) env.insert(QStringLiteral("PGPASSWORD"), a.password);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("10"));
    return env;
}

QStringList connectionArguments(const Server::Address& a) {
    QStringList args;
    if (!a.host.isEmpty()) args << QStringLiteral("--host=") + a.host;
    args << QStringLiteral("--port=%1").arg(a.port);
    if (!a.user.isEmpty()) args << QStringLiteral("--username=") + a.user;
    args << QStringLiteral("--dbname=") + a.database;
    return args;
}

// The dump's text with the objects it makes in the public schema renamed into `schema`. The rows
// of its COPY blocks are left alone; extensions (citext) stay where they are, and so do the types
// and operators the tables take from them.
void rewriteDump(QFile& in, QFile& out, const QString& schema) {
    static const QRegularExpression made(
        QStringLiteral("^(?:CREATE (?:TABLE|VIEW|SEQUENCE|FUNCTION)|.*SEQUENCE NAME) public\\.([A-Za-z0-9_]+)"));
    QSet<QString> names;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine());
        const auto m = made.match(line);
        if (m.hasMatch()) names.insert(m.captured(1));
    }
    const QRegularExpression ours(QStringLiteral("\\bpublic\\.(%1)\\b").arg(QStringList(names.cbegin(), names.cend()).join('|')));
    in.seek(0);
    out.write(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE;\nCREATE SCHEMA %1;\n").arg(schema).toUtf8());
    bool rows = false;
    while (!in.atEnd()) {
        const QByteArray raw = in.readLine();
        if (rows) {
            out.write(raw);
            rows = raw != "\\.\n";
            continue;
        }
        QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1String("CREATE EXTENSION")) || line.startsWith(QLatin1String("COMMENT ON EXTENSION")))
            continue;
        if (!names.isEmpty()) line.replace(ours, schema + QStringLiteral(".\\1"));
        rows = line.startsWith(QLatin1String("COPY ")) && line.trimmed().endsWith(QLatin1String("FROM stdin;"));
        out.write(line.toUtf8());
    }
}
} // namespace

void loadDump(const QString& location, const QString& file, const QString& schema) {
    QString why;
    const QString program = serverProgram(QStringLiteral("psql"), serverVersion(location), &why);
    if (program.isEmpty()) throw DbError(why);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) throw DbError(in.errorString());
    QTemporaryFile script(QDir(QDir::tempPath()).filePath(QStringLiteral("quorvel-restore-XXXXXX.sql")));
    if (!script.open()) throw DbError(QStringLiteral("无法建立临时文件：") + script.errorString());
    rewriteDump(in, script, schema);
    script.close();
    const Server::Address a = Server::parse(location);
    QProcess p;
    p.setProcessEnvironment(clientEnvironment(a));
    p.start(program, QStringList{QStringLiteral("--no-psqlrc"), QStringLiteral("--quiet"), QStringLiteral("--no-password"),
                                 QStringLiteral("--single-transaction"), QStringLiteral("--set=ON_ERROR_STOP=1"),
                                 QStringLiteral("--file=") + script.fileName()} +
                         connectionArguments(a));
    if (!p.waitForStarted()) throw DbError(QStringLiteral("无法运行 %1：%2").arg(program, p.errorString()));
    p.waitForFinished(-1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw DbError(QStringLiteral("备份无法载入数据库服务器（psql）：%1")
                          .arg(err.isEmpty() ? QStringLiteral("退出码 %1").arg(p.exitCode()) : err));
}

void dump(const QString& location, const QString& target) {
    QString why;
    const QString program = serverProgram(QStringLiteral("pg_dump"), serverVersion(location), &why);
    if (program.isEmpty()) throw DbError(why);
    const Server::Address a = Server::parse(location);
    const QProcessEnvironment env = clientEnvironment(a);
    QStringList args = {QStringLiteral("--format=plain"), QStringLiteral("--no-owner"), QStringLiteral("--no-password"),
                        QStringLiteral("--lock-wait-timeout=%1").arg(DataConnect1::busyTimeout()),
                        QStringLiteral("--exclude-schema=") + ScratchSchemas, QStringLiteral("--file=") + target};
    args << connectionArguments(a);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted()) throw DbError(QStringLiteral("无法运行 %1：%2").arg(program, p.errorString()));
    p.waitForFinished(-1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw DbError(QStringLiteral("数据库服务器的备份（pg_dump）失败：%1")
                          .arg(err.isEmpty() ? QStringLiteral("退出码 %1").arg(p.exitCode()) : err));
}

QString checkDump(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return f.errorString();
    const qint64 tail = 4096;
    if (f.size() > tail) f.seek(f.size() - tail);
    return QString::fromUtf8(f.readAll()).contains(DumpComplete) ? QStringLiteral("ok")
                                                                 : QStringLiteral("备份不完整（缺少结束标记）");
}

} // namespace Snapshot
