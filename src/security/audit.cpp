#include "security/audit.h"

#include "data/session.h"
#include "data/sql.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlRecord>
#include <QSysInfo>

namespace Audit {

namespace {
QVariant orNull(const QString& v) { return v.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(v); }
} // namespace

QString computerName() { return QSysInfo::machineHostName(); }

QString json(const QJsonObject& o) { return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)); }

namespace {
// The row's INSERT: one row of values, so it writes that row or fails.
Sql::Bound insertOf(const Entry& e) {
    const QString account = e.account.isEmpty() ? Session::userCode() : e.account;
    return {QStringLiteral("INSERT INTO kesp_audit_log(log_time, login_id, computer_name, command, table_name, "
                           "key_value, before_value, after_value, bill_no) VALUES (?,?,?,?,?,?,?,?,?)"),
            {QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), account, computerName(),
             e.command, orNull(e.table), orNull(e.key), orNull(e.before), orNull(e.after), orNull(e.billNo)}};
}
} // namespace

void record(const Entry& e) {
    Transaction tx;
    const Sql::Bound b = insertOf(e);
    if (Sql::run(b.sql, b.params).numRowsAffected() != 1) throw DbError(QStringLiteral("操作日志没有写入"));
    tx.commit();
}

void recordLater(const Entry& e) {
    const Sql::Bound b = insertOf(e);
    Sql::runLater(b.sql, b.params);
}

QString rowsJson(const QString& sql, const QVariantList& params) {
    QSqlQuery q = Sql::run(sql, params);
    QJsonArray rows;
    while (q.next()) {
        const QSqlRecord r = q.record();
        QJsonObject o;
        for (int i = 0; i < r.count(); ++i) {
            const QVariant v = q.value(i);
            o.insert(r.fieldName(i), v.isNull() ? QJsonValue() : QJsonValue::fromVariant(v));
        }
        rows.append(o);
    }
    if (rows.isEmpty()) return {};
    if (rows.size() == 1) return json(rows.first().toObject());
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

Statement query(const Filter& f) {
    Statement s{QStringLiteral("SELECT log_time AS 时间, login_id AS 操作员, computer_name AS 计算机, command AS 命令, "
                               "table_name AS 数据表, key_value AS 关键字, bill_no AS 单据号, before_value AS 修改前, "
                               "after_value AS 修改后, ID FROM kesp_audit_log WHERE 1=1"),
                {}};
    const auto add = [&](const QString& cond, const QString& value) {
        if (value.isEmpty()) return;
        s.sql += QStringLiteral(" AND ") + cond;
        s.params << value;
    };
    add(QStringLiteral("log_time>=?"), f.from);
    add(QStringLiteral("log_time<=?"), f.to);
    add(QStringLiteral("login_id=?"), f.account);
    add(QStringLiteral("command=?"), f.command);
    add(QStringLiteral("table_name=?"), f.table);
    add(QStringLiteral("bill_no=?"), f.billNo);
    return s;
}

} // namespace Audit
