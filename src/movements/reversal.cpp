#include "movements/reversal.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "security/rights.h"

namespace {
bool out(LineKind kind) { return kind == LineKind::OutReversal; }

// The number after `v` in the order of bill numbers (v + the highest character): bill_no >= v
// and bill_no < upper(v) is v's prefix range, which an index on bill_no serves.
QString prefixEnd(const QString& v) { return v + QString::fromUcs4(U"\U0010FFFF"); }

// A bill posted without a partner (a transfer's side) gives red lines without one as well.
QVariant orNull(const QString& v) { return v.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(v); }
// An empty partner compared with COALESCE(partner,''): a null text would be bound as NULL.
QString orEmpty(const QString& v) { return v.isEmpty() ? QStringLiteral("") : v; }
} // namespace

namespace Reversal {

QString partnerColumn(LineKind kind) { return out(kind) ? QStringLiteral("customer") : QStringLiteral("vendor"); }
QString operationCode(LineKind kind) { return out(kind) ? QStringLiteral("o_r") : QStringLiteral("i_r"); }
QString operationName(LineKind kind) { return out(kind) ? QStringLiteral("出库红冲") : QStringLiteral("入库红冲"); }
QString direction(LineKind kind) { return out(kind) ? QStringLiteral("o") : QStringLiteral("i"); }

ListQuery billSource(LineKind kind) {
    // Bills of the warehouses the user works in: only those can be reversed by him.
    ListQuery l{{}, {direction(kind)}};
    l.sql = QStringLiteral("SELECT DISTINCT h.bill_no, h.warehouse, h.warehouse_name, h.%1, h.%1_name "
                           "FROM kesp_post_history h JOIN kesp_operation_ini o ON o.operation_code=h.operation_code "
                           "WHERE o.i_o_flag=? AND h.bill_no IS NOT NULL AND %2")
                .arg(partnerColumn(kind),
                     Rights::warehouseCondition(QStringLiteral("h.warehouse"), l.params, Rights::Access::Operate));
    return l;
}

QString billOrder(LineKind kind) { return QStringLiteral("h.bill_no DESC, h.warehouse, h.%1").arg(partnerColumn(kind)); }

ListQuery billList(LineKind kind, const QString& prefix, int limit) {
    auto [sql, params] = billSource(kind);
    if (!prefix.isEmpty()) {
        sql += QStringLiteral(" AND h.bill_no>=? AND h.bill_no<?");
        params << prefix << prefixEnd(prefix);
    }
    sql += QStringLiteral(" ORDER BY %1 LIMIT ?").arg(billOrder(kind));
    params << limit;
    return {sql, params};
}

ListQuery lineList(LineKind kind, const Bill& bill) {
    const QString p = partnerColumn(kind);
    // Names are compared as stored; an empty partner matches a line posted without one.
    return {QStringLiteral("SELECT * FROM kesp_post_history_v WHERE bill_no=? AND i_o_flag=? AND warehouse=? "
                           "AND COALESCE(%1,'')=? AND COALESCE(red_flag,'N')<>'Y' ORDER BY order_no")
                .arg(p),
            {bill.billNo, direction(kind), bill.warehouse, orEmpty(bill.partner)}};
}

Refusal check(const RedLine& l) {
    if (l.bill.billNo.isEmpty()) return {QStringLiteral("红字单号 不能为空")};
    if (l.sourceOrderNo.isEmpty() || l.item.itemCode.isEmpty()) return {QStringLiteral("项目列表 不能为空")};
    const auto price = Numbers::parse(l.price);
    if (!price) return {QStringLiteral("'%1' 不是有效的数值").arg(l.price), true};
    if (Numbers::round3(*price) < 0) return {QStringLiteral("请输入正确价格")};
    const auto qty = Numbers::parse(l.qty);
    if (!qty) return {QStringLiteral("'%1' 不是有效的数值").arg(l.qty), true};
    if (Numbers::round3(*qty) <= 0) return {QStringLiteral("请输入正确数量")};
    return {};
}

Refusal stage(const RedLine& l, QString* orderNo) {
    const Refusal r = check(l);
    if (r.refused()) return r;
    const QString p = partnerColumn(l.kind);
    Transaction tx;
    // The line reversed is a posted line of the bill as listed: its direction, warehouse and
    // partner, the same item and stock key, and not a red line itself. Read under the write lock,
    // so what is checked is what is staged against.
    const bool posted = Sql::exists(
        QStringLiteral("SELECT 1 FROM kesp_post_history h JOIN kesp_operation_ini o ON o.operation_code=h.operation_code "
                       "WHERE h.order_no=? AND h.bill_no=? AND o.i_o_flag=? AND h.warehouse=? AND COALESCE(h.%1,'')=? "
                       "AND COALESCE(h.red_flag,'N')<>'Y' AND h.item_code=? AND h.attr_code=? AND h.size_code=? "
                       "AND h.stage_code=?")
            .arg(p),
        {l.sourceOrderNo, l.bill.billNo, direction(l.kind), l.bill.warehouse, orEmpty(l.bill.partner), l.item.itemCode,
         l.item.attrCode, l.item.sizeCode, l.item.stageCode});
    if (!posted) return {QStringLiteral("项目列表 不存在"), false, QStringLiteral("item_code_a")};
    const QString no = OrderNumbers::stageWithNumber([&](const QString& v) {
        Staging::Values values = l.item.columns();
        values += {{"price", *Numbers::parse(l.price)},
                         {"qty", *Numbers::parse(l.qty)},
                         {"bill_no", l.bill.billNo},
                         {"operation_code", operationCode(l.kind)},
                         {"operation_name", operationName(l.kind)},
                         {"warehouse", l.bill.warehouse},
                         {"warehouse_name", l.bill.warehouseName},
                         {"procure_date", l.date},
                         {p, orNull(l.bill.partner)},
                         {p + "_name", orNull(l.bill.partnerName)},
                         {"order_no", v},
                         {"login_id", Session::userCode()},
                         {"operation_date", Dates::today()},
                         {"operation_time", Dates::timeOfDay()},
                         {"red_flag", QStringLiteral("Y")}};
        Staging::insert(values);
    });
    tx.commit();
    if (orderNo) *orderNo = no;
    return {};
}

} // namespace Reversal
