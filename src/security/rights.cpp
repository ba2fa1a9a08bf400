#include "security/rights.h"

#include "data/DataConnect1_Unit.h"
#include "data/session.h"
#include "security/audit.h"
#include "security/commands.h"

#include <QJsonArray>
#include <QJsonObject>

namespace Rights {

namespace {
QString levelText(Access a) { return a == Access::Operate ? QStringLiteral("Y") : QStringLiteral("N"); }
Access levelOf(const QVariant& v) {
    return v.toString().compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0 ? Access::Operate : Access::Query;
}
} // namespace

Grant everything() {
    Grant g;
    g.allCommands = true;
    g.seePrices = true;
    g.allWarehouses = true;
    g.allAccess = Access::Operate;
    return g;
}

namespace {
// A grant as stored: every command row, every warehouse row (the "*" row beside listed ones).
// One statement, ordered by code.
Grant read(const QString& account) {
    Grant g;
    QSqlQuery q = Sql::run(QStringLiteral("SELECT 'C', command, NULL FROM kesp_user_right WHERE login_id=? UNION ALL "
                                          "SELECT 'W', warehouse, may_operate FROM kesp_user_warehouse WHERE login_id=? "
                                          "ORDER BY 1, 2"),
                           {account, account});
    while (q.next()) {
        const QString code = q.value(1).toString();
        if (q.value(0).toString() == QLatin1String("C")) {
            if (code == AllCommands)
                g.allCommands = true;
            else if (code.compare(SeePrices, Qt::CaseInsensitive) == 0)
                g.seePrices = true;
            else
                g.commands << code;
        } else if (code == AllWarehouses) {
            g.allWarehouses = true;
            g.allAccess = levelOf(q.value(2));
        } else {
            g.warehouses.append({code, levelOf(q.value(2))});
        }
    }
    return g;
}

// The logged-in user's grant, with whose it is and of which opening of the database.
struct Kept {
    std::optional<Grant> grant;
    QString account;
    quint64 opening = 0;
};
Kept g_kept;
} // namespace

const Grant& mine() {
    const QString account = Session::userCode();
    if (!g_kept.grant || g_kept.account != account || g_kept.opening != DataConnect1::openings()) {
        g_kept.grant.reset();
        g_kept.grant = read(account);
        g_kept.account = account;
        g_kept.opening = DataConnect1::openings();
    }
    return *g_kept.grant;
}

void forget() { g_kept = {}; }

bool may(const QString& command) { return mine().allows(command); }

Access access(const QString& warehouse) {
    const Grant& g = mine();
    Access best = g.allWarehouses ? g.allAccess : Access::None;
    for (const auto& [w, a] : g.warehouses)
        if (w.compare(warehouse, Qt::CaseInsensitive) == 0 && a > best) best = a;
    return best;
}

bool seesPrices() { return mine().seePrices; }

bool isPriceField(const QString& field) {
    static const QStringList fields = {QStringLiteral("price"), QStringLiteral("amount")};
    return fields.contains(field, Qt::CaseInsensitive);
}

void require(const QString& command, const QString& warehouse) {
    const QStringList warehouses = warehouse.isEmpty() ? QStringList{} : QStringList{warehouse};
    const Sql::Bound b = requireStatement(command, warehouses);
    QSqlQuery q = Sql::run(b.sql, b.params);
    checkRequired(q, command, warehouses);
}

void requireWarehouse(const QString& warehouse) { require({}, warehouse); }

Sql::Bound requireStatement(const QString& command, const QStringList& warehouses) {
    Sql::Bound b;
    if (command.isEmpty()) {
        b.sql = QStringLiteral("SELECT 1");
    } else {
        b.sql = QStringLiteral("SELECT (SELECT count(*) FROM kesp_user_right WHERE login_id=? AND command IN (?,?))");
        b.params = {Session::userCode(), command, AllCommands};
    }
    for (const QString& w : warehouses) {
        b.sql += QStringLiteral(", (SELECT count(*) FROM kesp_user_warehouse WHERE login_id=? AND warehouse IN (?,?) "
                                "AND may_operate='Y')");
        b.params << Session::userCode() << w << AllWarehouses;
    }
    return b;
}

void checkRequired(QSqlQuery& answer, const QString& command, const QStringList& warehouses) {
    // A refusal the kept grant did not foresee: the rights were changed meanwhile, read them anew.
    const auto refuse = [](const QString& what) {
        forget();
        throw Refused(what);
    };
    if (!answer.next() || answer.value(0).toInt() == 0) refuse(Commands::caption(command));
    for (int i = 0; i < warehouses.size(); ++i)
        if (answer.value(i + 1).toInt() == 0) refuse(QStringLiteral("仓库 %1").arg(warehouses[i]));
}

std::optional<QStringList> warehouses(Access least) {
    const Grant& g = mine();
    if (g.allWarehouses && g.allAccess >= least) return std::nullopt;
    QStringList list;
    for (const auto& [w, a] : g.warehouses)
        if (a >= least) list << w;
    return list;
}

QString warehouseCondition(const QString& column, QVariantList& params, Access least) {
    const std::optional<QStringList> allowed = warehouses(least);
    if (!allowed) return QStringLiteral("1=1");
    if (allowed->isEmpty()) return QStringLiteral("1=0");
    for (const QString& w : *allowed) params << w;
    return QStringLiteral("%1 IN (%2)").arg(column, QStringList(allowed->size(), QStringLiteral("?")).join(','));
}

List warehouseList(Access least) {
    // The grant is part of the list's own statement, so a window opening reads nothing for it.
    List l;
    l.sql = QStringLiteral("SELECT * FROM kesp_warehouse_ini WHERE EXISTS (SELECT 1 FROM kesp_user_warehouse u "
                           "WHERE u.login_id=? AND u.warehouse IN (?, kesp_warehouse_ini.warehouse)%1) ORDER BY warehouse")
                .arg(least == Access::Operate ? QStringLiteral(" AND u.may_operate='Y'") : QString());
    l.params = {Session::userCode(), AllWarehouses};
    return l;
}

Grant load(const QString& account) {
    Grant g = read(account);
    if (g.allCommands) g.commands.clear();
    if (g.allWarehouses) g.warehouses.clear();
    return g;
}

QStringList administrators() {
    QSqlQuery q = Sql::run(QStringLiteral("SELECT DISTINCT l.login_id FROM login_table l JOIN kesp_user_right r "
                                          "ON r.login_id=l.login_id WHERE r.command IN (?,?) ORDER BY l.login_id"),
                           {RightsCommand, AllCommands});
    QStringList out;
    while (q.next()) out << q.value(0).toString();
    return out;
}

void removeAll(const QString& account) {
    if (account.compare(Session::userCode(), Qt::CaseInsensitive) == 0) forget();
    Sql::run(QStringLiteral("DELETE FROM kesp_user_right WHERE login_id=?"), {account});
    Sql::run(QStringLiteral("DELETE FROM kesp_user_warehouse WHERE login_id=?"), {account});
}

namespace {
void write(const QString& account, const Grant& g) {
    removeAll(account);
    QStringList commands = g.allCommands ? QStringList{AllCommands} : g.commands;
    if (g.seePrices) commands << SeePrices;
    commands.removeDuplicates();
    for (const QString& c : commands)
        if (Sql::run(QStringLiteral("INSERT INTO kesp_user_right(login_id, command) VALUES (?,?)"), {account, c})
                .numRowsAffected() != 1)
            throw DbError(QStringLiteral("权限没有写入：%1").arg(c));
    QList<QPair<QString, Access>> warehouses = g.warehouses;
    if (g.allWarehouses) warehouses = {{AllWarehouses, g.allAccess}};
    for (const auto& [w, a] : warehouses) {
        if (a == Access::None) continue;
        if (Sql::run(QStringLiteral("INSERT INTO kesp_user_warehouse(login_id, warehouse, may_operate) VALUES (?,?,?)"),
                     {account, w, levelText(a)})
                .numRowsAffected() != 1)
            throw DbError(QStringLiteral("权限没有写入：%1").arg(w));
    }
}
} // namespace

void save(const QString& account, const Grant& grant) {
    Transaction tx;
    require(RightsCommand);
    const Grant before = load(account);
    write(account, grant);
    if (administrators().isEmpty()) throw Refused(LastAdministratorMessage);
    Audit::record({RightsCommand, QStringLiteral("kesp_user_right"), account, toJson(before), toJson(load(account)), {}, {}});
    tx.commit();
    forget(); // the user's own rights may have changed (also by another name's letter case)
}

void copy(const QString& from, const QString& to) { save(to, load(from)); }

QString toJson(const Grant& g) {
    QJsonObject o;
    o.insert(QStringLiteral("commands"), g.allCommands ? QJsonValue(AllCommands) : QJsonValue(QJsonArray::fromStringList(g.commands)));
    o.insert(QStringLiteral("prices"), g.seePrices);
    const auto word = [](Access a) { return a == Access::Operate ? QStringLiteral("操作") : QStringLiteral("查询"); };
    if (g.allWarehouses) {
        o.insert(QStringLiteral("warehouses"), QStringLiteral("*:") + word(g.allAccess));
    } else {
        QJsonObject w;
        for (const auto& [code, a] : g.warehouses) w.insert(code, word(a));
        o.insert(QStringLiteral("warehouses"), w);
    }
    return Audit::json(o);
}

} // namespace Rights
