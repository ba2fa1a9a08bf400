#include "security/accounts.h"

#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

#include <QJsonObject>

namespace Accounts {

bool login(const QString& code, const QString& password) {
    const bool ok = Sql::exists(QStringLiteral("SELECT 1 FROM login_table WHERE login_id=? AND pass_word=?"),
                                {code, password});
    Audit::record({ok ? LoginCommand : FailedLoginCommand, QStringLiteral("login_table"), code, {}, {}, {}, code});
    return ok;
}

Account find(const QString& code, const QString& password) {
    QSqlQuery q = Sql::run(
        QStringLiteral("SELECT login_id, login_name FROM login_table WHERE login_id=? AND pass_word=?"),
        {code, password});
    Account a;
    if (q.next()) {
        a.code = q.value(0).toString();
        a.name = q.value(1).toString();
        a.found = true;
    }
    return a;
}

namespace {
// The account as the trail shows it: never its password.
QString accountJson(const QString& code) {
    return Audit::rowsJson(QStringLiteral("SELECT login_id, login_name FROM login_table WHERE login_id=?"), {code});
}
} // namespace

int changePassword(const QString& code, const QString& password, const QString& newPassword) {
    Transaction tx;
    Rights::require(QStringLiteral("AA10"));
    QSqlQuery q = Sql::run(QStringLiteral("UPDATE login_table SET pass_word=? WHERE login_id=? AND pass_word=?"),
                           {newPassword, code, password});
    const int rows = q.numRowsAffected();
    if (rows > 0)
        Audit::record({QStringLiteral("AA10"), QStringLiteral("login_table"), code, {},
                       Audit::json({{QStringLiteral("pass_word"), QStringLiteral("(changed)")}}), {}, {}});
    tx.commit();
    return rows;
}

bool codeOrNameUsed(const QString& code, const QString& name) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM login_table WHERE login_id=? OR login_name=?"), {code, name});
}

void add(const QString& code, const QString& name, const QString& password) {
    Transaction tx;
    Rights::require(AccountsCommand);
    if (Sql::run(QStringLiteral("INSERT INTO login_table(login_id, login_name, pass_word) VALUES (?, ?, ?)"),
                 {code, name, password})
            .numRowsAffected() != 1)
        throw DbError(QStringLiteral("账户没有写入：%1").arg(code));
    // Rows left by an account of the same code deleted before are no rights of the new one.
    Rights::removeAll(code);
    Audit::record({AccountsCommand, QStringLiteral("login_table"), code, {}, accountJson(code), {}, {}});
    tx.commit();
}

RemoveResult remove(const QString& code, const QString& name) {
    Transaction tx;
    Rights::require(AccountsCommand);
    const int total = Sql::scalar(QStringLiteral("SELECT count(*) FROM login_table")).toInt();
    const int matched =
        Sql::scalar(QStringLiteral("SELECT count(*) FROM login_table WHERE login_id=? AND login_name=?"), {code, name})
            .toInt();
    if (matched == 0) return RemoveResult::NothingMatched;
    if (matched >= total) return RemoveResult::LastAccount;
    const QString before = accountJson(code);
    Sql::run(QStringLiteral("DELETE FROM login_table WHERE login_id=? AND login_name=?"), {code, name});
    // Rights go with the account; some account must keep the rights window.
    if (!Sql::exists(QStringLiteral("SELECT 1 FROM login_table WHERE login_id=?"), {code})) Rights::removeAll(code);
    if (Rights::administrators().isEmpty()) return RemoveResult::LastAccount;
    Audit::record({AccountsCommand, QStringLiteral("login_table"), code, before, {}, {}, {}});
    tx.commit();
    return RemoveResult::Removed;
}

} // namespace Accounts
