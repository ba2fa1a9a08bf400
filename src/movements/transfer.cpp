#include "movements/transfer.h"

#include "data/DataConnect1_Unit.h"
#include "data/numbers.h"
#include "data/sql.h"
#include "data/session.h"
#include "movements/order_numbers.h"
#include "movements/staging.h"

namespace Transfer {

Refusal check(const Line& l) {
    const struct {
        const QString& text;
        const char16_t* message;
    } required[] = {
        {l.billNo, u"出库单据号 不能为空"}, {l.toWarehouse, u"转入仓库 不能为空"}, {l.fromWarehouse, u"转出仓库 不能为空"},
        {l.item.bigCode, u"大类 不能为空"},  {l.item.smallCode, u"小类 不能为空"}, {l.item.itemCode, u"项目代码 不能为空"},
        {l.item.attrCode, u"属性 不能为空"}, {l.item.sizeCode, u"尺寸 不能为空"},  {l.item.stageCode, u"等级 不能为空"},
    };
    for (const auto& r : required)
        if (r.text.isEmpty()) return {QString::fromUtf16(r.message)};
    const auto qty = Numbers::parse(l.qty);
    if (!qty) return {QStringLiteral("'%1' 不是有效的数值").arg(l.qty), true};
    if (Numbers::round3(*qty) <= 0) return {QStringLiteral("请输入正确数量")};
    // Warehouse codes are compared as the balances match them: letter case ignored.
    if (l.toWarehouse.trimmed().compare(l.fromWarehouse.trimmed(), Qt::CaseInsensitive) == 0) return {SameWarehouses};
    return {};
}

Refusal stage(const Line& l, QString* orderNo) {
    const Refusal r = check(l);
    if (r.refused()) return r;
    Transaction tx;
    for (const QString& wh : {l.toWarehouse, l.fromWarehouse})
        if (DataConnect1::IsWarehouseSealed(wh) == QLatin1String("Y")) return {Sealed};
    // Both warehouses and every code of the item must exist: checked under the write lock.
    Staging::Values codes = l.item.columns();
    codes += {{"warehouse", l.toWarehouse}, {"warehouse_a", l.fromWarehouse}};
    const Staging::UnknownCode unknown = Staging::unknownCode(codes);
    if (unknown.column == QLatin1String("warehouse")) return {QStringLiteral("转入仓库 不存在"), false, QStringLiteral("warehouse_a")};
    if (unknown.column == QLatin1String("warehouse_a")) return {QStringLiteral("转出仓库 不存在"), false, QStringLiteral("warehouse_b")};
    if (unknown.found()) return {unknown.message, false, QStringLiteral("item_code_a")};
    const double q = *Numbers::parse(l.qty);
    const QString today = Dates::today(), time = Dates::timeOfDay(), user = Session::userCode();
    const QString no = OrderNumbers::stageWithNumber([&](const QString& v) {
        const auto row = [&](bool receiving) {
            Staging::Values values = l.item.columns();
            values += {{"qty", receiving ? q : -q},
                             {"bill_no", l.billNo},
                             {"warehouse", receiving ? l.toWarehouse : l.fromWarehouse},
                             {"warehouse_name", receiving ? l.toWarehouseName : l.fromWarehouseName},
                             {"warehouse_a", receiving ? l.fromWarehouse : l.toWarehouse},
                             {"warehouse_name_a", receiving ? l.fromWarehouseName : l.toWarehouseName},
                             {"procure_date", l.date},
                             {"operation_code", receiving ? QStringLiteral("i_t") : QStringLiteral("o_t")},
                             {"order_no", v},
                             {"login_id", user},
                             {"operation_date", today},
                             {"operation_time", time}};
            Staging::insert(values);
        };
        row(true);
        row(false);
    });
    tx.commit();
    if (orderNo) *orderNo = no;
    return {};
}

} // namespace Transfer
