#include "stocktake/stocktake.h"

#include "data/DataConnect1_Unit.h"
#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "security/audit.h"
#include "security/rights.h"

#include <QJsonObject>

#include <QHash>
#include <QStringList>

#include <cmath>
#include <limits>

namespace Stocktake {

std::function<void(int step)> afterStatement;

namespace {
// The columns a count row copies from the stock view.
const QString LoadColumns = QStringLiteral(
    "warehouse,warehouse_name,item_code,item_name,item_model,item_spec,unit_code,unit_name,arrage_code_b,"
    "arrage_name_b,arrage_code_s,arrage_name_s,attr_code,attr_name,size_code,size_name,stage_code,stage_name");
// The columns an adjustment writes into the history, each into the column of its name.
const QString HistoryColumns = QStringLiteral(
    "item_code,attr_code,attr_name,size_code,size_name,stage_code,stage_name,qty,remaind_qty,operation_code,"
    "operation_name,warehouse,warehouse_name,procure_date,order_no,login_id,operation_date,operation_time");
// Count row and balance row of one stock key.
const QString SameKey = QStringLiteral(
    "a.warehouse=b.warehouse AND a.item_code=b.item_code AND a.attr_code=b.attr_code AND a.size_code=b.size_code "
    "AND a.stage_code=b.stage_code");

QString rowId() { return DataConnect1::rowIdColumn(); }

const QString SealCommand = QStringLiteral("FF10");
const QString CountCommand = QStringLiteral("FF20");

void recordCount(const QString& key, const QJsonObject& before, const QJsonObject& after) {
    Audit::record({CountCommand, QStringLiteral("kesp_check_temp"), key, before.isEmpty() ? QString() : Audit::json(before),
                   Audit::json(after), {}, {}});
}

void stepDone(int step) {
    if (afterStatement) afterStatement(step);
}
} // namespace

// ---- Seals -------------------------------------------------------------------------------

std::optional<QString> standingSeal() {
    QSqlQuery q = Sql::run(QStringLiteral("SELECT warehouse FROM kesp_check_set WHERE login_id=? ORDER BY %1")
                               .arg(rowId()),
                           {Session::userCode()});
    if (!q.next()) return std::nullopt;
    return q.value(0).toString();
}

SealResult seal(const QString& warehouse) {
    const QString user = Session::userCode();
    Transaction tx;
    QSqlQuery q = Sql::run(QStringLiteral("SELECT warehouse, warehouse_name FROM kesp_warehouse_ini WHERE warehouse=?"),
                           {warehouse});
    if (warehouse.isEmpty() || !q.next()) return SealResult::NoSuchWarehouse;
    const QString code = q.value(0).toString(); // as the master list spells it
    const QString name = q.value(1).toString().trimmed();
    q.finish();
    Rights::require(SealCommand, code);
    if (Sql::exists(QStringLiteral("SELECT 1 FROM kesp_check_set WHERE login_id=?"), {user}))
        return SealResult::AlreadySealed;
    Sql::run(QStringLiteral("INSERT INTO kesp_check_set(login_id,warehouse,warehouse_name,check_set) VALUES (?,?,?,'Y')"),
             {user, code, name});
    Audit::record({SealCommand, QStringLiteral("kesp_check_set"), code, {},
                   Audit::json({{QStringLiteral("warehouse"), code}, {QStringLiteral("check_set"), QStringLiteral("Y")}}),
                   {}, {}});
    tx.commit();
    return SealResult::Sealed;
}

int unseal(const QString& warehouse) {
    Transaction tx;
    Rights::require(SealCommand);
    const int lifted = Sql::run(QStringLiteral("DELETE FROM kesp_check_set WHERE login_id=? AND warehouse=?"),
                                {Session::userCode(), warehouse})
                           .numRowsAffected();
    if (lifted > 0)
        Audit::record({SealCommand, QStringLiteral("kesp_check_set"), warehouse,
                       Audit::json({{QStringLiteral("warehouse"), warehouse}, {QStringLiteral("check_set"), QStringLiteral("Y")}}),
                       {}, {}, {}});
    tx.commit();
    return lifted;
}

QueryBuilders::Statement sealedWarehouses() {
    return {QStringLiteral("SELECT * FROM kesp_check_set WHERE login_id=? ORDER BY warehouse"), {Session::userCode()}};
}

bool isSealedByUser(const QString& warehouse) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_check_set WHERE login_id=? AND warehouse=?"),
                       {Session::userCode(), warehouse});
}

// ---- Count rows --------------------------------------------------------------------------

QueryBuilders::Statement itemList(const QString& warehouse, const QString& big, const QString& small) {
    QueryBuilders::Statement s{
        QStringLiteral("SELECT item_code,item_name,item_model,item_spec FROM kesp_item_master m WHERE EXISTS "
                       "(SELECT 1 FROM kesp_inv_detail_tree t WHERE t.warehouse=? AND t.item_code=m.item_code)"),
        {warehouse}};
    if (!big.isEmpty()) {
        s.sql += QStringLiteral(" AND arrage_code_b=?");
        s.params << big;
    }
    if (!small.isEmpty()) {
        s.sql += QStringLiteral(" AND arrage_code_s=?");
        s.params << small;
    }
    s.sql += QStringLiteral(" ORDER BY item_code");
    return s;
}

int load(const Filter& f) {
    const QString user = Session::userCode();
    Transaction tx;
    Rights::require(CountCommand, f.warehouse);
    Sql::run(QStringLiteral("DELETE FROM kesp_check_temp WHERE login_id=?"), {user});
    int loaded = 0;
    if (!f.warehouse.isEmpty() && isSealedByUser(f.warehouse)) {
        QString sql = QStringLiteral("INSERT INTO kesp_check_temp(%1,remaind_qty,login_id) SELECT %1,qty,? "
                                     "FROM kesp_inv_detail_tree_v WHERE warehouse=?")
                          .arg(LoadColumns);
        QVariantList params{user, f.warehouse};
        const auto add = [&](const char* cond, const QString& v) {
            if (v.isEmpty()) return;
            sql += QLatin1String(cond);
            params << v;
        };
        add(" AND arrage_code_b=?", f.big);
        add(" AND arrage_code_s=?", f.small);
        add(" AND item_code>=?", f.firstItem);
        add(" AND item_code<=?", f.lastItem);
        loaded = Sql::run(sql, params).numRowsAffected();
    }
    tx.commit();
    return loaded;
}

int discard() {
    return Sql::run(QStringLiteral("DELETE FROM kesp_check_temp WHERE login_id=?"), {Session::userCode()})
        .numRowsAffected();
}

int rowCount() {
    return Sql::scalar(QStringLiteral("SELECT count(*) FROM kesp_check_temp WHERE login_id=?"), {Session::userCode()})
        .toInt();
}

QueryBuilders::Statement countRows() {
    return {QStringLiteral("SELECT %1 AS rid, * FROM kesp_check_temp WHERE login_id=?").arg(rowId()),
            {Session::userCode()}};
}

QString gridOrder() { return QStringLiteral("size_name, rid"); }

void saveRow(const QVariant& rid, std::optional<double> qty, bool approved) {
    QVariant stored(QMetaType(QMetaType::Double));
    if (qty) {
        const double v = Numbers::round3(*qty);
        if (!std::isfinite(v) || std::fabs(v) > MaxCount)
            throw DbError(QStringLiteral("调帐数量超出范围（最大 ±999,999,999.999）"));
        stored = v;
    }
    Transaction tx;
    Rights::require(CountCommand);
    QSqlQuery before = Sql::run(QStringLiteral("SELECT check_flag, order_no, warehouse, item_code FROM kesp_check_temp "
                                               "WHERE %1=? AND login_id=?")
                                    .arg(rowId()),
                                {rid, Session::userCode()});
    if (!before.next()) throw DbError(QStringLiteral("盘点记录已不存在，请重新查询。"));
    const bool wasApproved = before.value(0).toBool();
    const QString key = before.value(1).toString();
    const QString warehouse = before.value(2).toString(), item = before.value(3).toString();
    before.finish();
    const int n = Sql::run(QStringLiteral("UPDATE kesp_check_temp SET qty=?, check_flag=? WHERE %1=? AND login_id=?")
                               .arg(rowId()),
                           {stored, approved, rid, Session::userCode()})
                      .numRowsAffected();
    if (n != 1) throw DbError(QStringLiteral("盘点记录已不存在，请重新查询。"));
    if (wasApproved != approved) {
        const QJsonObject row{{QStringLiteral("warehouse"), warehouse}, {QStringLiteral("item_code"), item}};
        QJsonObject b = row, a = row;
        b.insert(QStringLiteral("check_flag"), wasApproved);
        a.insert(QStringLiteral("check_flag"), approved);
        a.insert(QStringLiteral("qty"), stored.isNull() ? QJsonValue() : QJsonValue(stored.toDouble()));
        recordCount(key, b, a);
    }
    tx.commit();
}

QString takeOrderNumber(const QVariant& rid) {
    const QString user = Session::userCode();
    return OrderNumbers::stageWithNumber([&](const QString& orderNo) {
        Rights::require(CountCommand);
        const int n = Sql::run(QStringLiteral("UPDATE kesp_check_temp SET order_no=?, check_flag=? "
                                              "WHERE %1=? AND login_id=? AND order_no IS NULL")
                                   .arg(rowId()),
                               {orderNo, true, rid, user})
                          .numRowsAffected();
        if (n != 1) throw DbError(QStringLiteral("盘点记录已不存在，请重新查询。"));
        recordCount(orderNo, {{QStringLiteral("check_flag"), false}}, {{QStringLiteral("check_flag"), true}});
    });
}

int approveAll() {
    const QString user = Session::userCode();
    Transaction tx;
    Rights::require(CountCommand);
    const int missing = Sql::scalar(QStringLiteral("SELECT count(*) FROM kesp_check_temp "
                                                   "WHERE login_id=? AND qty IS NOT NULL AND order_no IS NULL"),
                                    {user})
                            .toInt();
    if (missing > 0) {
        const QVariant cur =
            Sql::scalar(QStringLiteral("SELECT sys_value FROM kesp_system_data WHERE sys_name='order_no'"));
        if (!cur.isValid()) throw DbError(QStringLiteral("单据序号计数器不存在"));
        const QString first = cur.toString().trimmed();
        OrderNumbers::next(first); // refuses a counter that is not a number
        const qlonglong base = first.toLongLong();
        if (base + missing - 1 >= std::numeric_limits<qint32>::max())
            throw DbError(QStringLiteral("单据序号计数器的值无效：%1").arg(first));
        // The first row takes the counter as it stands, the others the numbers after it.
        Sql::run(QStringLiteral("UPDATE kesp_check_temp SET check_flag=?, order_no=CASE WHEN n.rn=1 THEN ? ELSE %1 END "
                                "FROM (SELECT rid, ROW_NUMBER() OVER (ORDER BY %2) AS rn FROM "
                                "(SELECT %3 AS rid, size_name FROM kesp_check_temp "
                                "WHERE login_id=? AND qty IS NOT NULL AND order_no IS NULL) AS c) AS n "
                                "WHERE kesp_check_temp.%3=n.rid")
                     .arg(DataConnect1::tenDigits(QStringLiteral("? + n.rn - 1")), gridOrder(), rowId()),
                 {true, first, base, user});
        Sql::run(QStringLiteral("UPDATE kesp_system_data SET sys_value=? WHERE sys_name='order_no'"),
                 {OrderNumbers::next(QString::number(base + missing - 1))});
    }
    // Rows numbered before and unticked since are approved again.
    const int approved = missing + Sql::run(QStringLiteral("UPDATE kesp_check_temp SET check_flag=? "
                                                           "WHERE login_id=? AND qty IS NOT NULL AND check_flag=?"),
                                            {true, user, false})
                                       .numRowsAffected();
    if (approved > 0) recordCount({}, {}, {{QStringLiteral("approved"), approved}});
    tx.commit();
    return approved;
}

int fillWithBook() {
    Rights::require(CountCommand);
    return Sql::run(QStringLiteral("UPDATE kesp_check_temp SET qty=remaind_qty "
                                   "WHERE login_id=? AND qty IS NULL AND remaind_qty IS NOT NULL"),
                    {Session::userCode()})
        .numRowsAffected();
}

// ---- Scanning ----------------------------------------------------------------------------

Scanned scan(const QString& warehouse, const StagedItem& v, double pieces, bool replace) {
    const QString user = Session::userCode();
    Transaction tx;
    Rights::require(CountCommand, warehouse);
    if (warehouse.isEmpty() || !isSealedByUser(warehouse))
        throw DbError(QStringLiteral("仓库 %1 没有封帐，不能盘点。").arg(warehouse));
    const QString key = QStringLiteral("login_id=? AND warehouse=? AND item_code=? AND attr_code=? AND size_code=? "
                                       "AND stage_code=?");
    const QVariantList keyValues{user, warehouse, v.itemCode, v.attrCode, v.sizeCode, v.stageCode};
    Scanned s;
    pieces = Numbers::round3(pieces);
    const int n = Sql::run(QStringLiteral("UPDATE kesp_check_temp SET qty=round(%1+?,3), check_flag=? WHERE ")
                                   .arg(replace ? QStringLiteral("0") : QStringLiteral("COALESCE(qty,0)")) +
                               key,
                           QVariantList{pieces, false} + keyValues)
                      .numRowsAffected();
    if (n == 0) {
        const int made =
            Sql::run(QStringLiteral("INSERT INTO kesp_check_temp(%1,remaind_qty,qty,check_flag,found_flag,login_id) "
                                    "SELECT w.warehouse,w.warehouse_name,m.item_code,m.item_name,m.item_model,"
                                    "m.item_spec,m.unit_code,m.unit_name,m.arrage_code_b,m.arrage_name_b,"
                                    "m.arrage_code_s,m.arrage_name_s,?,?,?,?,?,?,0,?,?,?,? "
                                    "FROM kesp_item_master m, kesp_warehouse_ini w WHERE m.item_code=? AND w.warehouse=?")
                         .arg(LoadColumns),
                     {v.attrCode, v.attrName, v.sizeCode, v.sizeName, v.stageCode, v.stageName, pieces, false, true, user,
                      v.itemCode, warehouse})
                .numRowsAffected();
        if (made != 1) throw DbError(QStringLiteral("项目代码 不存在"));
        s.found = true;
    }
    QSqlQuery q = Sql::run(QStringLiteral("SELECT %1, qty FROM kesp_check_temp WHERE ").arg(rowId()) + key, keyValues);
    if (!q.next()) throw DbError(QStringLiteral("盘点记录已不存在，请重新查询。"));
    s.rid = q.value(0);
    s.qty = q.value(1).toDouble();
    q.finish();
    tx.commit();
    return s;
}

// ---- Adjustment --------------------------------------------------------------------------

int adjust(const QString& countDate) {
    const QString user = Session::userCode();
    // One history row per count row, stamped "c_k" with the count date. Its book quantity is the
    // balance this adjustment overwrites, read now: another user may have posted into the
    // warehouse since the rows were loaded.
    const QHash<QString, QVariant> stamped{{"operation_code", OperationCode},
                                           {"procure_date", countDate},
                                           {"operation_date", Dates::today()},
                                           {"operation_time", Dates::timeOfDay()}};
    QStringList select;
    QVariantList params;
    for (const QString& c : HistoryColumns.split(',')) {
        if (c == QLatin1String("remaind_qty")) {
            select << QStringLiteral("COALESCE(a.qty, b.remaind_qty)");
        } else if (stamped.contains(c)) {
            select << QStringLiteral("?");
            params << stamped.value(c);
        } else {
            select << QStringLiteral("b.") + c;
        }
    }
    params << user;
    // The checks and the writes go to a server in one round trip; when a check stops the
    // adjustment, the transaction takes back what ran after it.
    const QList<Sql::Bound> steps{
        {QStringLiteral("SELECT count(*) FROM kesp_check_temp WHERE login_id=? AND qty IS NOT NULL AND check_flag=?"),
         {user, true}},
        // Counts overwrite balances only of a warehouse that stays sealed while it is counted.
        {QStringLiteral("SELECT 1 FROM kesp_check_temp AS b WHERE b.login_id=? AND NOT EXISTS "
                        "(SELECT 1 FROM kesp_check_set AS s WHERE s.login_id=b.login_id AND s.warehouse=b.warehouse)"),
         {user}},
        {QStringLiteral("DELETE FROM kesp_check_temp WHERE login_id=? AND (qty IS NULL OR check_flag=?)"), {user, false}},
        {QStringLiteral("INSERT INTO kesp_post_history(%1) SELECT %2 FROM kesp_check_temp AS b "
                        "LEFT JOIN kesp_inv_detail_tree AS a ON %3 WHERE b.login_id=?")
             .arg(HistoryColumns, select.join(','), SameKey),
         params},
        {QStringLiteral("UPDATE kesp_inv_detail_tree AS a SET qty=b.qty FROM kesp_check_temp AS b "
                        "WHERE b.login_id=? AND %1")
             .arg(SameKey),
         {user}},
        // Goods found by scanning that the books did not know get their balance row.
        {QStringLiteral("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,"
                        "stage_code,qty) SELECT b.warehouse,b.warehouse_name,b.item_code,b.attr_code,b.size_code,"
                        "b.stage_code,b.qty FROM kesp_check_temp AS b WHERE b.login_id=? AND NOT EXISTS "
                        "(SELECT 1 FROM kesp_inv_detail_tree AS a WHERE %1)")
             .arg(SameKey),
         {user}},
        {QStringLiteral("DELETE FROM kesp_check_temp WHERE login_id=?"), {user}},
    };
    struct Stopped {
        int result;
    };
    Transaction tx;
    Rights::require(CountCommand);
    QStringList warehouses;
    for (QSqlQuery w = Sql::run(QStringLiteral("SELECT DISTINCT warehouse FROM kesp_check_temp WHERE login_id=?"), {user});
         w.next();) {
        warehouses << w.value(0).toString();
    }
    for (const QString& w : warehouses) Rights::requireWarehouse(w);
    int ready = 0, posted = 0;
    try {
        Sql::runAll(steps, [&](qsizetype i, QSqlQuery& q) {
            if (i == 0 && (ready = q.next() ? q.value(0).toInt() : 0) == 0) throw Stopped{0};
            if (i == 1 && q.next()) throw Stopped{NotSealed};
            if (i == 3) posted = q.numRowsAffected();
            // Steps 1..4: the unready rows gone, the history, the balances (updated and found), the rows gone.
            if (i >= 2 && i != 4) stepDone(i < 4 ? int(i) - 1 : int(i) - 2);
        });
    } catch (const Stopped& s) {
        return s.result;
    }
    if (posted != ready) throw DbError(QStringLiteral("调帐记录数不符（%1 / %2）").arg(posted).arg(ready));
    Audit::record({CountCommand, QStringLiteral("kesp_inv_detail_tree"), warehouses.join(','), {},
                   Audit::json({{QStringLiteral("rows"), posted}, {QStringLiteral("date"), countDate}}), {}, {}});
    tx.commit();
    return posted;
}

// ---- Stocktake query ---------------------------------------------------------------------

QueryBuilders::Statement historyQuery(const QueryBuilders::Criteria& criteria, const QString& fromDate,
                                      const QString& toDate) {
    QueryBuilders::Criteria all{{QStringLiteral("operation_code"), OperationCode}};
    all += criteria;
    return QueryBuilders::movementQuery('c', all, fromDate, toDate);
}

} // namespace Stocktake
