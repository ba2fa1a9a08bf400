#pragma once
// Accounts of login_table: login, password change, adding and deleting accounts.
#include <QString>

namespace Accounts {
inline const QString DefaultCode = QStringLiteral("abc");
inline const QString DefaultPassword = QStringLiteral("123");
// The command of the account list, and what the trail calls a login and a refused one.
inline const QString AccountsCommand = QStringLiteral("AA20");
inline const QString LoginCommand = QStringLiteral("LOGIN");
inline const QString FailedLoginCommand = QStringLiteral("LOGIN_FAILED");

// Code and password compared as given (untrimmed), without regard to letter case.
// Every attempt leaves a row in the trail.
bool login(const QString& code, const QString& password);

struct Account {
    QString code;
    QString name;
    bool found = false;
};
Account find(const QString& code, const QString& password);
// Returns the number of rows changed.
int changePassword(const QString& code, const QString& password, const QString& newPassword);

bool codeOrNameUsed(const QString& code, const QString& name);
void add(const QString& code, const QString& name, const QString& password);

enum class RemoveResult { Removed, NothingMatched, LastAccount };
RemoveResult remove(const QString& code, const QString& name);
inline const QString LastAccountMessage =
    QStringLiteral("不能删除最后一个管理员，否则将无人能够登录系统！");
} // namespace Accounts
