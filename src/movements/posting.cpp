#include "movements/posting.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

#include <QJsonObject>
#include <QMap>

namespace Posting {

std::function<void(int)> afterStatement;

int sign(LineKind kind) {
    switch (kind) {
    case LineKind::StockIn: return 1;
    case LineKind::StockOut: return -1;
    case LineKind::InReversal: return -1;
    case LineKind::OutReversal: return 1;
    case LineKind::Transfer: return 1;
    }
    return 0;
}

QString successMessage(LineKind kind) {
    switch (kind) {
    case LineKind::StockIn: return QStringLiteral("入库操作成功！");
    case LineKind::StockOut: return QStringLiteral("出库操作成功！");
    case LineKind::InReversal: return QStringLiteral("入库红冲操作成功！");
    case LineKind::OutReversal: return QStringLiteral("出库红冲操作成功！");
    case LineKind::Transfer: return QStringLiteral("转库操作成功！");
    }
    return {};
}

namespace {
struct Shape {
    QString party;    // "vendor,vendor_name" or "customer,customer_name"
    QString qtyExpr;  // quantity written to the history
    bool price;       // price carried
    bool red;         // red_flag carried
};

Shape shapeOf(LineKind kind) {
    const QString vendor = QStringLiteral("vendor,vendor_name");
    const QString customer = QStringLiteral("customer,customer_name");
    switch (kind) {
    case LineKind::StockIn: return {vendor, QStringLiteral("round(qty,3)"), true, false};
    case LineKind::StockOut: return {customer, QStringLiteral("round(qty,3)"), true, false};
    case LineKind::InReversal: return {vendor, QStringLiteral("round(-qty,3)"), true, true};
    case LineKind::OutReversal: return {customer, QStringLiteral("round(-qty,3)"), true, true};
    case LineKind::Transfer: return {customer, QStringLiteral("round(abs(qty),3)"), false, false};
    }
    return {};
}

// The user must hold the kind's command and work in every warehouse of the staged lines: the
// right's statement and one grouping statement per bill and warehouse (with the user's grant of
// each warehouse), sent with the posting's steps. The trail gets one row per bill with its line
// count, quantity and warehouses (a transfer's line is its receiving row), written with the COMMIT.
struct Check {
    QString command;
    QList<Sql::Bound> statements;
};

Check checkOf(LineKind kind, const QString& user, const QString& cond) {
    Check c{Staging::commandOf(kind), {}};
    c.statements << Rights::requireStatement(c.command, {});
    c.statements.append(
        {QStringLiteral("SELECT bill_no, warehouse, SUM(CASE WHEN operation_code='o_t' THEN 0 ELSE 1 END), "
                        "SUM(CASE WHEN operation_code='o_t' THEN 0 ELSE qty END), (SELECT count(*) FROM "
                        "kesp_user_warehouse AS u WHERE u.login_id=? AND u.warehouse IN (t.warehouse,?) AND "
                        "u.may_operate='Y') FROM kesp_post_temp_a AS t WHERE login_id=? AND %1 GROUP BY bill_no, warehouse "
                        "ORDER BY bill_no, warehouse")
             .arg(cond),
         {user, Rights::AllWarehouses, user}});
    return c;
}

// The grouping's answer: refused for a warehouse the user may not work in, else the trail's rows.
void record(const QString& command, QSqlQuery& q) {
    struct Bill {
        int lines = 0;
        double qty = 0;
        QStringList warehouses;
    };
    QMap<QString, Bill> bills;
    while (q.next()) {
        const QString warehouse = q.value(1).toString();
        if (q.value(4).toInt() == 0) {
            Rights::forget();
            throw Rights::Refused(QStringLiteral("仓库 %1").arg(warehouse));
        }
        Bill& b = bills[q.value(0).toString()];
        b.lines += q.value(2).toInt();
        b.qty += q.value(3).toDouble();
        b.warehouses << warehouse;
    }
    for (auto it = bills.cbegin(); it != bills.cend(); ++it) {
        QJsonObject after{{QStringLiteral("lines"), it->lines},
                          {QStringLiteral("qty"), qRound64(it->qty * 1000) / 1000.0},
                          {QStringLiteral("warehouse"), it->warehouses.join(',')}};
        Audit::recordLater({command, QStringLiteral("kesp_post_history"), it.key(), {}, Audit::json(after), it.key(), {}});
    }
}

void step(int n) {
    if (afterStatement) afterStatement(n);
}

const QString KeyMatch = QStringLiteral(
    "%1.warehouse=b.warehouse AND %1.item_code=b.item_code AND %1.attr_code=b.attr_code "
    "AND %1.size_code=b.size_code AND %1.stage_code=b.stage_code");

// The keys of the grouped lines that would fall below zero in warehouses that forbid it; read
// under the posting's write lock after the grouping and before any balance changes, so no other
// posting changes them before this one commits.
Sql::Bound shortKeysStatement(int factor, const QString& user) {
    return {QStringLiteral("SELECT b.warehouse, w.warehouse_name, b.item_code, m.item_name, b.attr_name, b.size_name, "
                           "b.stage_name, COALESCE(a.qty,0), round((?)*b.sum_qty,3) "
                           "FROM kesp_post_temp_groupby_out AS b "
                           "JOIN kesp_warehouse_ini AS w ON w.warehouse=b.warehouse AND w.forbid_negative "
                           "LEFT JOIN kesp_inv_detail_tree AS a ON ") +
                KeyMatch.arg(QStringLiteral("a")) +
                QStringLiteral(" LEFT JOIN kesp_item_master AS m ON m.item_code=b.item_code "
                               "WHERE b.login_id=? AND (?)*b.sum_qty<0 AND round(COALESCE(a.qty,0)+(?)*b.sum_qty,3)<0 "
                               "ORDER BY b.warehouse, b.item_code, b.attr_code, b.size_code, b.stage_code"),
            {-factor, user, factor, factor}};
}

QList<ShortKey> shortKeys(QSqlQuery& q) {
    QList<ShortKey> out;
    while (q.next()) {
        ShortKey k{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                   q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), q.value(7).toDouble(),
                   q.value(8).toDouble()};
        k.shortBy = Numbers::round3(k.wanted - k.onHand);
        out << k;
    }
    return out;
}
} // namespace

int post(LineKind kind) {
    const Shape s = shapeOf(kind);
    const QString user = Session::userCode();
    const QString cond = Staging::kindCondition(kind);
    const int factor = sign(kind);
    const QStringList partyCols = s.party.split(',');

    // The steps depend on no answer of the one before: they go to a server together, in one round
    // trip, and the lines are counted by the first of them.
    QList<Sql::Bound> steps{{Staging::countStatement(kind), Staging::gridParams()}};

    // History: one row per staged line.
    QString histCols = QStringLiteral("order_no,item_code,attr_code,attr_name,size_code,size_name,stage_code,"
                                      "stage_name,%1qty,bill_no,operation_code,operation_name,warehouse,"
                                      "warehouse_name,procure_date,%2,login_id,operation_date,operation_time%3")
                           .arg(s.price ? QStringLiteral("price,") : QString(), s.party,
                                s.red ? QStringLiteral(",red_flag") : QString());
    QString histSel = QStringLiteral("order_no,item_code,attr_code,attr_name,size_code,size_name,stage_code,"
                                     "stage_name,%1%2,bill_no,operation_code,operation_name,warehouse,"
                                     "warehouse_name,procure_date,%3,login_id,operation_date,operation_time%4")
                          .arg(s.price ? QStringLiteral("round(price,3),") : QString(), s.qtyExpr, s.party,
                               s.red ? QStringLiteral(",red_flag") : QString());
    steps.append({QStringLiteral("INSERT INTO kesp_post_history(%1) SELECT %2 FROM kesp_post_temp_a WHERE login_id=? AND %3")
                 .arg(histCols, histSel, cond),
             {user}});

    // Snapshot of the grouped lines, one row per stock key.
    steps.append({QStringLiteral("DELETE FROM kesp_post_temp_groupby_out WHERE login_id=?"), {user}});
    QString snapCols = QStringLiteral("item_code,attr_code,attr_name,size_code,size_name,stage_code,stage_name,%1"
                                      "sum_qty,bill_no,operation_code,operation_name,warehouse,warehouse_name,"
                                      "procure_date,%2,login_id%3")
                           .arg(s.price ? QStringLiteral("price,") : QString(), s.party,
                                s.red ? QStringLiteral(",red_flag") : QString());
    QString snapSel = QStringLiteral("item_code,attr_code,MAX(attr_name),size_code,MAX(size_name),stage_code,"
                                     "MAX(stage_name),%1round(SUM(qty),3),MAX(bill_no),MAX(operation_code),"
                                     "MAX(operation_name),warehouse,MAX(warehouse_name),MAX(procure_date),"
                                     "MAX(%2),MAX(%3),login_id%4")
                          .arg(s.price ? QStringLiteral("MAX(price),") : QString(), partyCols[0], partyCols[1],
                               s.red ? QStringLiteral(",MAX(red_flag)") : QString());
    steps.append({QStringLiteral("INSERT INTO kesp_post_temp_groupby_out(%1) SELECT %2 FROM kesp_post_temp_a "
                            "WHERE login_id=? AND %3 GROUP BY login_id,warehouse,item_code,attr_code,size_code,stage_code")
                 .arg(snapCols, snapSel, cond),
             {user}});

    // The negative-stock guard reads the grouped lines before any balance changes.
    const qsizetype guardAt = steps.size();

    // Existing balances change once per key, by the signed sum.
    steps.append({QStringLiteral("UPDATE kesp_inv_detail_tree SET qty=round(COALESCE(kesp_inv_detail_tree.qty,0)+(?)*b.sum_qty,3) "
                            "FROM kesp_post_temp_groupby_out AS b WHERE b.login_id=? AND ") +
                 KeyMatch.arg(QStringLiteral("kesp_inv_detail_tree")),
             {factor, user}});

    // New stock keys get a balance row of their own.
    steps.append({QStringLiteral("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,"
                            "stage_code,qty) SELECT b.warehouse,b.warehouse_name,b.item_code,b.attr_code,b.size_code,"
                            "b.stage_code,round((?)*b.sum_qty,3) FROM kesp_post_temp_groupby_out AS b WHERE b.login_id=? "
                            "AND NOT EXISTS (SELECT 1 FROM kesp_inv_detail_tree AS a WHERE ") +
                 KeyMatch.arg(QStringLiteral("a")) + QStringLiteral(")"),
             {factor, user}});

    steps.append({QStringLiteral("DELETE FROM kesp_post_temp_a WHERE login_id=? AND ") + cond, {user}});

    // The rights and the trail's grouping first, the guard's read between the grouping and the
    // balances: all of it one round trip to a server (on the file one statement after the other,
    // stopping at a refusal). A refusal or a shortage found in the answers takes back what the
    // later statements did, as the transaction is never committed; the trail's rows go with the
    // COMMIT.
    const Check check = checkOf(kind, user, cond);
    QList<Sql::Bound> all = check.statements;
    const qsizetype first = all.size(); // steps[i] is all[first + i] before the guard
    all += steps.mid(0, guardAt);
    const qsizetype guardRead = all.size();
    all << shortKeysStatement(factor, user);
    all += steps.mid(guardAt);
    Transaction tx;
    int lines = 0;
    Sql::runAll(all, [&](qsizetype i, QSqlQuery& q) {
        if (i == 0) {
            Rights::checkRequired(q, check.command, {});
        } else if (i == 1) {
            record(check.command, q);
            step(0);
        } else if (i == first) {
            lines = q.next() ? q.value(0).toInt() : 0;
        } else if (i == guardRead) {
            // The negative-stock guard refuses the whole bill.
            if (QList<ShortKey> shorts = shortKeys(q); !shorts.isEmpty()) throw Shortage(std::move(shorts));
        } else {
            step(int(i < guardRead ? i - first : i - first - 1));
        }
    });
    tx.commit();
    return lines;
}

bool forbidsNegative(const QString& warehouse) {
    return Sql::exists(QStringLiteral("SELECT 1 FROM kesp_warehouse_ini WHERE warehouse=? AND forbid_negative"),
                       {warehouse});
}

std::optional<Shortfall> shortfall(LineKind kind, const QString& warehouse, const StagedItem& key, double change) {
    if (change >= 0 || !forbidsNegative(warehouse)) return std::nullopt;
    const QVariantList k{warehouse, key.itemCode, key.attrCode, key.sizeCode, key.stageCode};
    const QString match = QStringLiteral("warehouse=? AND item_code=? AND attr_code=? AND size_code=? AND stage_code=?");
    Shortfall s;
    s.onHand = Sql::scalar(QStringLiteral("SELECT qty FROM kesp_inv_detail_tree WHERE ") + match, k).toDouble();
    s.staged = Numbers::round3(
        sign(kind) * Sql::scalar(QStringLiteral("SELECT SUM(qty) FROM kesp_post_temp_a WHERE login_id=? AND %1 AND %2")
                                     .arg(Staging::kindCondition(kind), match),
                                 QVariantList{Session::userCode()} + k)
                         .toDouble());
    if (Numbers::round3(s.onHand + s.staged + change) >= 0) return std::nullopt;
    return s;
}

QString shortfallQuestion(const Shortfall& s, double change) {
    return QStringLiteral("库存不足：库存 %1，已录入 %2，本次 %3。过帐时将被拒绝，仍然加入？")
        .arg(Numbers::footer(s.onHand), Numbers::footer(-s.staged), Numbers::footer(-change));
}

} // namespace Posting
