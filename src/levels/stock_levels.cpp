#include "levels/stock_levels.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

namespace StockLevels {

namespace {
const QString KeyCondition = QStringLiteral("warehouse=? AND item_code=? AND attr_code=? AND size_code=?");
// "Every colour" and "every size" are stored as '' (a null text would be bound as NULL).
QString blank(const QString& code) { return code.isNull() ? QString("") : code; }
QVariantList keyParams(const Level& l) { return {l.warehouse, l.item, blank(l.attr), blank(l.size)}; }
QString keyText(const Level& l) { return QStringList{l.warehouse, l.item, l.attr, l.size}.join(QLatin1Char('/')); }

QString rowJson(const Level& key) {
    return Audit::rowsJson(QStringLiteral("SELECT * FROM kesp_stock_level WHERE ") + KeyCondition, keyParams(key));
}

// The level with every code as its master record spells it, or the refusal.
QString canonical(Level& l) {
    l.warehouse = l.warehouse.trimmed();
    l.item = l.item.trimmed();
    l.attr = blank(l.attr.trimmed());
    l.size = blank(l.size.trimmed());
    if (l.warehouse.isEmpty()) return QStringLiteral("请选择仓库。");
    if (l.item.isEmpty()) return QStringLiteral("请选择项目。");
    if (!Numbers::inRange(l.minQty) || !Numbers::inRange(l.maxQty)) return QStringLiteral("数量超出范围。");
    l.minQty = Numbers::round3(l.minQty);
    l.maxQty = Numbers::round3(l.maxQty);
    if (l.minQty < 0) return QStringLiteral("下限不能小于 0");
    if (l.maxQty < l.minQty) return MaxBelowMinMessage;
    QSqlQuery q = Sql::run(
        QStringLiteral("SELECT (SELECT MAX(warehouse) FROM kesp_warehouse_ini WHERE warehouse=?),"
                       " (SELECT MAX(item_code) FROM kesp_item_master WHERE item_code=?),"
                       " (SELECT MAX(attr_code) FROM kesp_item_attr WHERE attr_code=?),"
                       " (SELECT MAX(size_code) FROM kesp_item_size WHERE size_code=?)"),
        {l.warehouse, l.item, l.attr, l.size});
    q.next();
    const auto found = [&](int i, QString& code, const char* word) -> QString {
        if (code.isEmpty()) return {};
        const QString stored = q.value(i).toString();
        if (stored.isEmpty()) return QStringLiteral("%1 %2 不存在").arg(QString::fromUtf8(word), code);
        code = stored;
        return {};
    };
    for (QString why : {found(0, l.warehouse, "仓库"), found(1, l.item, "项目"), found(2, l.attr, "颜色"),
                        found(3, l.size, "尺寸")})
        if (!why.isEmpty()) return why;
    return {};
}

bool exists(const Level& key) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_stock_level WHERE ") + KeyCondition, keyParams(key));
}

void record(const Level& key, const QString& before, const QString& after) {
    Audit::record({Command, Table, keyText(key), before, after, {}, {}});
}

// The kinds of level ('' is every colour or every size), each with the balance rows it covers.
// Every kind matches on equal codes only, so a level's sum reads its rows straight from the key
// index: a match on "empty or equal" made the server join every balance row with every level.
struct Kind {
    const char* level;
    const char* rows;
};
const Kind Kinds[] = {{"l.attr_code='' AND l.size_code=''", ""},
                      {"l.attr_code<>'' AND l.size_code=''", " AND t.attr_code=l.attr_code"},
                      {"l.attr_code='' AND l.size_code<>''", " AND t.size_code=l.size_code"},
                      {"l.attr_code<>'' AND l.size_code<>''", " AND t.attr_code=l.attr_code AND t.size_code=l.size_code"}};
// The on-hand sum of the level `l` of the kind, NULL when nothing is on its keys.
QString coveredSum(const Kind& k) {
    return QStringLiteral("(SELECT SUM(t.qty) FROM kesp_inv_detail_tree t WHERE t.warehouse=l.warehouse"
                          " AND t.item_code=l.item_code%1)")
        .arg(QLatin1String(k.rows));
}
// A row of the same size as `z` that holds some.
const QString StockedSize = QStringLiteral(
    "SELECT 1 FROM kesp_inv_detail_tree y WHERE y.warehouse=z.warehouse AND y.item_code=z.item_code"
    " AND y.attr_code=z.attr_code AND y.size_code=z.size_code AND y.qty > 0");
} // namespace

QString refusal(const Level& level) {
    Level l = level;
    return canonical(l);
}

QString add(const Level& level) {
    Level l = level;
    Transaction tx;
    Rights::require(Command, l.warehouse.trimmed());
    if (const QString why = canonical(l); !why.isEmpty()) return why;
    if (exists(l)) return DuplicateMessage;
    const int rows = Sql::run(QStringLiteral("INSERT INTO kesp_stock_level(warehouse, item_code, attr_code, size_code, "
                                             "min_qty, max_qty, login_id, operation_date) VALUES (?,?,?,?,?,?,?,?)"),
                              keyParams(l) + QVariantList{l.minQty, l.maxQty, Session::userCode(), Dates::today()})
                         .numRowsAffected();
    if (rows != 1) throw DbError(QStringLiteral("库存上下限没有写入"));
    record(l, {}, rowJson(l));
    tx.commit();
    return {};
}

QString change(const Level& old, const Level& now) {
    Level l = now;
    Transaction tx;
    Rights::require(Command, old.warehouse);
    Rights::require(Command, l.warehouse.trimmed());
    if (const QString why = canonical(l); !why.isEmpty()) return why;
    const bool sameKey = keyText(l).compare(keyText(old), Qt::CaseInsensitive) == 0;
    if (!sameKey && exists(l)) return DuplicateMessage;
    const QString before = rowJson(old);
    const QVariantList params =
        keyParams(l) + QVariantList{l.minQty, l.maxQty, Session::userCode(), Dates::today()} + keyParams(old);
    const int rows = Sql::run(QStringLiteral("UPDATE kesp_stock_level SET warehouse=?, item_code=?, attr_code=?, "
                                             "size_code=?, min_qty=?, max_qty=?, login_id=?, operation_date=? WHERE ") +
                                  KeyCondition,
                              params)
                         .numRowsAffected();
    if (rows == 0) return GoneMessage;
    record(l, before, rowJson(l));
    tx.commit();
    return {};
}

bool remove(const Level& key) {
    Transaction tx;
    Rights::require(Command, key.warehouse);
    const QString before = rowJson(key);
    const int rows =
        Sql::run(QStringLiteral("DELETE FROM kesp_stock_level WHERE ") + KeyCondition, keyParams(key)).numRowsAffected();
    if (rows > 0) record(key, before, {});
    tx.commit();
    return rows > 0;
}

QueryBuilders::Statement list() {
    QueryBuilders::Statement s;
    const QString seen = Rights::warehouseCondition(QStringLiteral("l.warehouse"), s.params);
    s.sql = QStringLiteral(
                "SELECT l.warehouse, w.warehouse_name, l.item_code, m.item_name, m.item_model,"
                " l.attr_code, CASE WHEN l.attr_code='' THEN '（全部）' ELSE a.attr_name END AS attr_name,"
                " l.size_code, CASE WHEN l.size_code='' THEN '（全部）' ELSE s.size_name END AS size_name,"
                " l.min_qty, l.max_qty, l.login_id, l.operation_date"
                " FROM kesp_stock_level l"
                " LEFT JOIN kesp_warehouse_ini w ON w.warehouse=l.warehouse"
                " LEFT JOIN kesp_item_master m ON m.item_code=l.item_code"
                " LEFT JOIN kesp_item_attr a ON a.attr_code=l.attr_code"
                " LEFT JOIN kesp_item_size s ON s.size_code=l.size_code"
                " WHERE %1 ORDER BY l.warehouse, l.item_code, l.attr_code, l.size_code")
                .arg(seen);
    return s;
}

QueryBuilders::Statement alerts(const QueryBuilders::Criteria& criteria) {
    QString warehouse, item;
    for (const auto& [column, value] : criteria) {
        if (column == QLatin1String("warehouse")) warehouse = value;
        if (column == QLatin1String("item_code")) item = value;
    }
    QueryBuilders::Statement s;
    // Warehouse and item narrow both parts where they read; the rest filters their rows.
    const auto narrowed = [&](const QString& alias) {
        QString c = Rights::warehouseCondition(alias + QStringLiteral("warehouse"), s.params);
        if (!warehouse.isEmpty()) {
            c += QStringLiteral(" AND %1warehouse=?").arg(alias);
            s.params << warehouse;
        }
        if (!item.isEmpty()) {
            c += QStringLiteral(" AND %1item_code=?").arg(alias);
            s.params << item;
        }
        return c;
    };
    // Each level's sum once, in a table of its own: a sum named twice in a select the server flattens
    // would be read twice.
    QStringList covered;
    for (const Kind& k : Kinds)
        covered << QStringLiteral("SELECT l.warehouse, l.item_code, l.attr_code, l.size_code, l.min_qty, l.max_qty,"
                                  " %1 AS qty FROM kesp_stock_level l WHERE %2 AND %3")
                       .arg(coveredSum(k), narrowed(QStringLiteral("l.")), QLatin1String(k.level));
    const QString balances = narrowed(QStringLiteral("z."));
    s.sql = QStringLiteral(
                "WITH covered AS MATERIALIZED (%3),"
                // Sizes none of whose rows holds anything (read from the index of such rows) beside
                // sizes of the same colour that do.
                " runs AS MATERIALIZED (SELECT z.warehouse, z.item_code, z.attr_code, z.size_code,"
                " ROUND(SUM(z.qty), 3) AS qty,"
                " (SELECT COUNT(DISTINCT p.size_code) FROM kesp_inv_detail_tree p WHERE p.warehouse=z.warehouse"
                " AND p.item_code=z.item_code AND p.attr_code=z.attr_code AND p.qty > 0) AS stocked"
                " FROM kesp_inv_detail_tree z WHERE %4 AND z.qty <= 0 AND NOT EXISTS (%5)"
                " GROUP BY z.warehouse, z.item_code, z.attr_code, z.size_code)"
                " SELECT r.alert_kind, r.warehouse, w.warehouse_name, r.item_code, m.item_name, m.item_model,"
                " m.arrage_code_b, m.arrage_name_b, m.arrage_code_s, m.arrage_name_s,"
                " r.attr_code, CASE WHEN r.attr_code='' THEN '（全部）' ELSE a.attr_name END AS attr_name,"
                " r.size_code, CASE WHEN r.size_code='' THEN '（全部）' ELSE s.size_name END AS size_name,"
                " r.qty, r.min_qty, r.max_qty, r.order_qty, r.sizes_in_stock FROM ("
                // Levels whose covered stock is below the minimum.
                "SELECT '%1' AS alert_kind, warehouse, item_code, attr_code, size_code,"
                " ROUND(COALESCE(qty, 0), 3) AS qty, min_qty, max_qty,"
                " ROUND(max_qty - COALESCE(qty, 0), 3) AS order_qty, CAST(NULL AS INTEGER) AS sizes_in_stock"
                " FROM covered WHERE ROUND(COALESCE(qty, 0), 3) < min_qty"
                " UNION ALL "
                "SELECT '%2', warehouse, item_code, attr_code, size_code, qty, NULL, NULL, NULL, stocked"
                " FROM runs WHERE stocked > 0"
                ") r"
                " LEFT JOIN kesp_warehouse_ini w ON w.warehouse=r.warehouse"
                " LEFT JOIN kesp_item_master m ON m.item_code=r.item_code"
                " LEFT JOIN kesp_item_attr a ON a.attr_code=r.attr_code"
                " LEFT JOIN kesp_item_size s ON s.size_code=r.size_code WHERE 1=1")
                .arg(BelowMinimum, BrokenSizes, covered.join(QStringLiteral(" UNION ALL ")), balances, StockedSize);
    static const QList<QPair<QString, QString>> outer = {{"arrage_code_b", "m.arrage_code_b"},
                                                         {"arrage_code_s", "m.arrage_code_s"},
                                                         {"attr_code", "r.attr_code"},
                                                         {"size_code", "r.size_code"}};
    for (const auto& [column, value] : criteria) {
        if (value.isEmpty()) continue;
        for (const auto& [name, qualified] : outer)
            if (column == name) {
                s.sql += QStringLiteral(" AND %1=?").arg(qualified);
                s.params << value;
            }
    }
    return s;
}

bool anyAlert() {
    QVariantList params;
    QStringList below;
    for (const Kind& k : Kinds)
        below << QStringLiteral("EXISTS (SELECT 1 FROM kesp_stock_level l WHERE %1 AND %2 AND l.min_qty >"
                                " ROUND(COALESCE(%3, 0), 3))")
                     .arg(Rights::warehouseCondition(QStringLiteral("l.warehouse"), params), QLatin1String(k.level),
                          coveredSum(k));
    const QString balances = Rights::warehouseCondition(QStringLiteral("z.warehouse"), params);
    const QString sql = QStringLiteral(
        "SELECT CASE WHEN %1"
        " OR EXISTS (SELECT 1 FROM kesp_inv_detail_tree z WHERE %2 AND z.qty <= 0 AND NOT EXISTS (%3)"
        " AND EXISTS (SELECT 1 FROM kesp_inv_detail_tree p WHERE p.warehouse=z.warehouse AND p.item_code=z.item_code"
        " AND p.attr_code=z.attr_code AND p.qty > 0))"
        " THEN 1 ELSE 0 END").arg(below.join(QStringLiteral(" OR ")), balances, StockedSize);
    return Sql::scalar(sql, params).toInt() == 1;
}

namespace {
QString switchName(const QString& user) { return QStringLiteral("alert_at_login:") + user; }
} // namespace

bool showAtLogin(const QString& user) {
    return Sql::scalar(QStringLiteral("SELECT sys_value FROM kesp_system_data WHERE sys_name=?"), {switchName(user)})
               .toString() != QLatin1String("0");
}

void saveShowAtLogin(const QString& user, bool on) {
    Transaction tx;
    Sql::run(QStringLiteral("DELETE FROM kesp_system_data WHERE sys_name=?"), {switchName(user)});
    Sql::run(QStringLiteral("INSERT INTO kesp_system_data(sys_name, sys_value) VALUES (?,?)"),
             {switchName(user), on ? QStringLiteral("1") : QStringLiteral("0")});
    tx.commit();
}

} // namespace StockLevels
