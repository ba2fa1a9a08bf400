#include "movements/matrix.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "movements/order_numbers.h"
#include "security/rights.h"
#include "movements/posting.h"

#include <QSet>

namespace Matrix {
namespace {
constexpr double MaxValue = 999999999.999;
const QString NoNumber = QStringLiteral("'%1' 不是有效的数值");

struct Names {
    QHash<QString, QString> attrs, sizes;
    QStringList attrOrder, sizeOrder;
};

// Every attribute and size of the master tables, in code order, names trimmed as the name boxes show them.
Names masterNames() {
    Names n;
    auto q = Sql::run(QStringLiteral("SELECT 0 AS kind, attr_code AS code, attr_name AS name FROM kesp_item_attr "
                                     "UNION ALL SELECT 1, size_code, size_name FROM kesp_item_size ORDER BY 1, 2"));
    while (q.next()) {
        const QString code = q.value(1).toString();
        const QString name = q.value(2).toString().trimmed();
        if (q.value(0).toInt() == 0) {
            n.attrs.insert(code, name);
            n.attrOrder << code;
        } else {
            n.sizes.insert(code, name);
            n.sizeOrder << code;
        }
    }
    return n;
}

QList<Code> codes(const QStringList& order, const QHash<QString, QString>& names) {
    QList<Code> out;
    for (const QString& c : order) out.append({c, names.value(c)});
    return out;
}
} // namespace

QString cellKey(const QString& attr, const QString& size) { return attr + QChar(0x1f) + size; }

bool Layout::hasBalance(const QString& attr, const QString& size) const {
    return balances.contains(cellKey(attr, size));
}

Layout load(LineKind kind, const QString& warehouse, const QString& item, const QString& stage, bool all) {
    const bool out = kind == LineKind::StockOut;
    Layout l;
    QSet<QString> usedAttrs, usedSizes;
    auto q = out ? Sql::run(QStringLiteral("SELECT attr_code, size_code, qty FROM kesp_inv_detail_tree "
                                           "WHERE warehouse=? AND item_code=? AND stage_code=?"),
                            {warehouse, item, stage})
                 : Sql::run(QStringLiteral("SELECT DISTINCT attr_code, size_code, 0 FROM kesp_inv_detail_tree "
                                           "WHERE item_code=?"),
                            {item});
    while (q.next()) {
        const QString a = q.value(0).toString(), s = q.value(1).toString();
        usedAttrs.insert(a);
        usedSizes.insert(s);
        if (out) l.balances.insert(cellKey(a, s), q.value(2).toDouble());
    }
    l.all = all || (!out && usedAttrs.isEmpty());
    l.guarded = out && Posting::forbidsNegative(warehouse);
    Names n = masterNames();
    if (l.all) {
        l.attrs = codes(n.attrOrder, n.attrs);
        l.sizes = codes(n.sizeOrder, n.sizes);
        return l;
    }
    // Codes of balance rows whose master row has gone stay offered, after the others.
    const auto pick = [](const QStringList& order, const QHash<QString, QString>& names, QSet<QString> used) {
        QStringList chosen;
        for (const QString& c : order)
            if (used.remove(c)) chosen << c;
        QStringList rest(used.begin(), used.end());
        rest.sort();
        return codes(chosen + rest, names);
    };
    l.attrs = pick(n.attrOrder, n.attrs, usedAttrs);
    l.sizes = pick(n.sizeOrder, n.sizes, usedSizes);
    return l;
}

Refusal stage(const Entry& e, QStringList* orderNos) {
    const Header& h = e.header;
    const bool out = h.kind == LineKind::StockOut;
    for (const QString& v : {h.billNo, h.operationCode, h.warehouse, h.partner, e.item.bigCode, e.item.smallCode,
                             e.item.itemCode, e.item.stageCode})
        if (v.isEmpty()) return {QStringLiteral("单据表头不完整")};
    const auto price = Numbers::parse(e.price);
    if (!price) return {NoNumber.arg(e.price), true};
    const double p = Numbers::round3(*price);
    // A clerk who does not see prices issues without one.
    if ((out && Rights::seesPrices() ? p <= 0 : p < 0) || p > MaxValue) return {QStringLiteral("请输入正确价格")};

    struct Line {
        QString attr, size;
        double qty;
    };
    QList<Line> lines;
    for (const Cell& c : e.cells) {
        const QString t = c.qty.trimmed();
        if (t.isEmpty()) continue;
        const auto v = Numbers::parse(t);
        if (!v) return {NoNumber.arg(c.qty), true};
        const double qty = Numbers::round3(*v);
        if (qty == 0) continue;
        if (qty < 0 || qty > MaxValue || c.attrCode.isEmpty() || c.sizeCode.isEmpty())
            return {QStringLiteral("请输入正确数量")};
        lines.append({c.attrCode, c.sizeCode, qty});
    }
    if (lines.isEmpty()) return {QStringLiteral("请输入正确数量")};

    const Names n = masterNames();
    if (out) {
        // A stock-out line is picked from a balance row of the warehouse.
        const Layout l = load(h.kind, h.warehouse, e.item.itemCode, e.item.stageCode, false);
        for (const Line& ln : lines)
            if (!l.hasBalance(ln.attr, ln.size))
                return {QStringLiteral("%1 %2 没有库存记录").arg(n.attrs.value(ln.attr, ln.attr), n.sizes.value(ln.size, ln.size))};
    }

    const QString partnerCol = out ? QStringLiteral("customer") : QStringLiteral("vendor");
    const QString today = Dates::today(), time = Dates::timeOfDay(), user = Session::userCode();
    const QStringList numbers = OrderNumbers::stageWithNumbers(int(lines.size()), [&](const QStringList& nos) {
        for (int i = 0; i < lines.size(); ++i) {
            StagedItem it = e.item;
            it.attrCode = lines[i].attr;
            it.attrName = n.attrs.value(lines[i].attr);
            it.sizeCode = lines[i].size;
            it.sizeName = n.sizes.value(lines[i].size);
            Staging::Values v = it.columns();
            v += Staging::Values{{"price", p},
                                 {"qty", lines[i].qty},
                                 {"bill_no", h.billNo},
                                 {"operation_code", h.operationCode},
                                 {"operation_name", h.operationName},
                                 {"warehouse", h.warehouse},
                                 {"warehouse_name", h.warehouseName},
                                 {"procure_date", h.date},
                                 {partnerCol, h.partner},
                                 {partnerCol + "_name", h.partnerName},
                                 {"order_no", nos[i]},
                                 {"login_id", user},
                                 {"operation_date", today},
                                 {"operation_time", time}};
            Staging::insert(v);
        }
    });
    if (orderNos) *orderNos = numbers;
    return {};
}

} // namespace Matrix
