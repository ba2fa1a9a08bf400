#include "security/rights.h"

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

bool may(const QString& command) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_user_right WHERE login_id=? AND command IN (?,?)"),
                       {Session::userCode(), command, AllCommands});
}

Access access(const QString& warehouse) {
    QSqlQuery q = Sql::run(QStringLiteral("SELECT may_operate FROM kesp_user_warehouse WHERE login_id=? AND warehouse IN (?,?)"),
                           {Session::userCode(), warehouse, AllWarehouses});
    Access best = Access::None;
    while (q.next())
        if (levelOf(q.value(0)) > best) best = levelOf(q.value(0));
    return best;
}

bool seesPrices() {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_user_right WHERE login_id=? AND command=?"),
                       {Session::userCode(), SeePrices});
}

bool isPriceField(const QString& field) {
    static const QStringList fields = {QStringLiteral("price"), QStringLiteral("amount")};
    return fields.contains(field, Qt::CaseInsensitive);
}

void require(const QString& command, const QString& warehouse) {
    if (!may(command)) throw Refused(Commands::caption(command));
    if (!warehouse.isEmpty()) requireWarehouse(warehouse);
}

void requireWarehouse(const QString& warehouse) {
    if (access(warehouse) != Access::Operate) throw Refused(QStringLiteral("仓库 %1").arg(warehouse));
}

Sql::Bound requireStatement(const QString& command, const QStringList& warehouses) {
    Sql::Bound b;
    b.sql = QStringLiteral("SELECT (SELECT count(*) FROM kesp_user_right WHERE login_id=? AND command IN (?,?))");
    b.params = {Session::userCode(), command, AllCommands};
    for (const QString& w : warehouses) {
        b.sql += QStringLiteral(", (SELECT count(*) FROM kesp_user_warehouse WHERE login_id=? AND warehouse IN (?,?) "
                                "AND may_operate='Y')");
        b.params << Session::userCode() << w << AllWarehouses;
    }
    return b;
}

void checkRequired(QSqlQuery& answer, const QString& command, const QStringList& warehouses) {
    if (!answer.next() || answer.value(0).toInt() == 0) throw Refused(Commands::caption(command));
    for (int i = 0; i < warehouses.size(); ++i)
        if (answer.value(i + 1).toInt() == 0) throw Refused(QStringLiteral("仓库 %1").arg(warehouses[i]));
}

std::optional<QStringList> warehouses(Access least) {
    QSqlQuery q = Sql::run(QStringLiteral("SELECT warehouse, may_operate FROM kesp_user_warehouse WHERE login_id=? "
                                          "ORDER BY warehouse"),
                           {Session::userCode()});
    QStringList list;
    while (q.next()) {
        if (levelOf(q.value(1)) < least) continue;
        const QString w = q.value(0).toString();
        if (w == AllWarehouses) return std::nullopt;
        list << w;
    }
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
    Grant g;
    QSqlQuery c = Sql::run(QStringLiteral("SELECT command FROM kesp_user_right WHERE login_id=? ORDER BY command"), {account});
    while (c.next()) {
        const QString code = c.value(0).toString();
        if (code == AllCommands)
            g.allCommands = true;
        else if (code.compare(SeePrices, Qt::CaseInsensitive) == 0)
            g.seePrices = true;
        else
            g.commands << code;
    }
    if (g.allCommands) g.commands.clear();
    QSqlQuery w = Sql::run(QStringLiteral("SELECT warehouse, may_operate FROM kesp_user_warehouse WHERE login_id=? "
                                          "ORDER BY warehouse"),
                           {account});
    while (w.next()) {
        if (w.value(0).toString() == AllWarehouses) {
            g.allWarehouses = true;
            g.allAccess = levelOf(w.value(1));
        } else {
            g.warehouses.append({w.value(0).toString(), levelOf(w.value(1))});
        }
    }
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
