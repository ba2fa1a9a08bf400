#pragma once
// Who may do what: the commands an account may use, the warehouses it may see (查询) or work in
// (操作), and whether it sees prices. Every core write calls require() inside its transaction, so
// a window that forgets a check still cannot write; queries and lists restrict their warehouses
// through warehouseCondition().
#include "data/sql.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace Rights {
// Stored command rows with a meaning of their own: every command (also those added later) and
// the right to see prices.
inline const QString AllCommands = QStringLiteral("*");
inline const QString SeePrices = QStringLiteral("PRICE");
// Stored warehouse row standing for every warehouse.
inline const QString AllWarehouses = QStringLiteral("*");
// The command of the rights window: its last holder keeps it.
inline const QString RightsCommand = QStringLiteral("AA30");

enum class Access { None, Query, Operate };

// A refused write: "没有权限：{what}". A DbError, so every window shows it as it shows a failure.
class Refused : public DbError {
public:
    explicit Refused(const QString& what) : DbError(message(what)) {}
    static QString message(const QString& what) { return QStringLiteral("没有权限：%1").arg(what); }
};

// What one account holds.
struct Grant {
    bool allCommands = false;
    QStringList commands; // menu codes (when not allCommands)
    bool seePrices = false;
    bool allWarehouses = false;
    Access allAccess = Access::None; // of every warehouse, when allWarehouses
    QList<QPair<QString, Access>> warehouses; // listed warehouses, when not allWarehouses
    bool allows(const QString& command) const {
        return allCommands || commands.contains(command, Qt::CaseInsensitive);
    }
    bool operator==(const Grant&) const = default;
};
Grant everything();

// The logged-in user's rights (Session::userCode()) as the windows show them: read in one
// statement at the first question after a login and kept for the session, read again once the
// rights window saves that user's rights, another user logs in or another database is opened.
// The core writes do not trust them: require() reads the database inside the write.
bool may(const QString& command);
Access access(const QString& warehouse);
bool seesPrices();
// Fields that carry a price or an amount (hidden from a user who does not see prices).
bool isPriceField(const QString& field);
// The kept grant of the logged-in user (read now when there is none), and the next one read anew.
const Grant& mine();
void forget();
// Throws Refused unless the user may use the command and, when a warehouse is given, work in it:
// read from the database in one statement, whatever is kept.
void require(const QString& command, const QString& warehouse = {});
// Throws Refused unless the user may work in the warehouse (operate), read as require() reads.
void requireWarehouse(const QString& warehouse);
// require(command) and requireWarehouse(w) for each of `warehouses` as one statement, to be sent
// with others (one round trip to a server), and the check of its answer (throws Refused).
Sql::Bound requireStatement(const QString& command, const QStringList& warehouses);
void checkRequired(QSqlQuery& answer, const QString& command, const QStringList& warehouses);
// The warehouses the user may see (least Query) or work in (least Operate); nothing when that is
// every warehouse.
std::optional<QStringList> warehouses(Access least = Access::Query);
// Condition restricting `column` to those warehouses ("1=1" for all of them); appends its values.
QString warehouseCondition(const QString& column, QVariantList& params, Access least = Access::Query);
// The warehouse lists of the windows' lookup fields: the master list restricted so.
struct List {
    QString sql;
    QVariantList params;
};
List warehouseList(Access least = Access::Query);

// ---- Administration (the rights window) -----------------------------------------------------
Grant load(const QString& account);
// Replaces the account's rights, with an audit row; throws Refused when it would take the
// rights window from the last account holding it, or when the user may not use the window.
void save(const QString& account, const Grant& grant);
// Gives `to` the rights of `from`.
void copy(const QString& from, const QString& to);
// Accounts that may use the rights window.
QStringList administrators();
inline const QString LastAdministratorMessage =
    QStringLiteral("最后一个管理员必须保留“权限设置”，否则将无人能够分配权限！");
// Removes every right of the account (its account row is being deleted), inside the caller's
// transaction.
void removeAll(const QString& account);

// Grant as JSON text (the audit trail's before and after values).
QString toJson(const Grant& g);
} // namespace Rights
