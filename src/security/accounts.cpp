#include "security/accounts.h"

#include "data/sql.h"

namespace Accounts {

bool login(const QString& code, const QString& password) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM login_table WHERE login_id=? AND pass_word=?"),
                       {code, password});
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

int changePassword(const QString& code, const QString& password, const QString& newPassword) {
    QSqlQuery q = Sql::run(QStringLiteral("UPDATE login_table SET pass_word=? WHERE login_id=? AND pass_word=?"),
                           {newPassword, code, password});
    return q.numRowsAffected();
}

bool codeOrNameUsed(const QString& code, const QString& name) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM login_table WHERE login_id=? OR login_name=?"), {code, name});
}

void add(const QString& code, const QString& name, const QString& password) {
    Sql::run(QStringLiteral("INSERT INTO login_table(login_id, login_name, pass_word) VALUES (?, ?, ?)"),
             {code, name, password});
}

RemoveResult remove(const QString& code, const QString& name) {
    Transaction tx;
    const int total = Sql::scalar(QStringLiteral("SELECT count(*) FROM login_table")).toInt();
    const int matched =
        Sql::scalar(QStringLiteral("SELECT count(*) FROM login_table WHERE login_id=? AND login_name=?"), {code, name})
            .toInt();
    if (matched == 0) return RemoveResult::NothingMatched;
    if (matched >= total) return RemoveResult::LastAccount;
    Sql::run(QStringLiteral("DELETE FROM login_table WHERE login_id=? AND login_name=?"), {code, name});
    tx.commit();
    return RemoveResult::Removed;
}

} // namespace Accounts
