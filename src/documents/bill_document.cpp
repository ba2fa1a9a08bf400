#include "documents/bill_document.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <cmath>

namespace Documents {

namespace {
const char* const LetterheadKeys[] = {"doc_company", "doc_address", "doc_phone"};

QString codeAndName(const QString& code, const QString& name) {
    return name.trimmed().isEmpty() ? code.trimmed() : code.trimmed() + QLatin1Char(' ') + name.trimmed();
}

double cents(double v) { return std::round(v * 100) / 100; }

QString titleOf(Kind k) {
    switch (k) {
    case Kind::StockIn: return QStringLiteral("入库单");
    case Kind::StockOut: return QStringLiteral("出库单");
    case Kind::InReversal: return QStringLiteral("入库红冲单");
    case Kind::OutReversal: return QStringLiteral("出库红冲单");
    case Kind::Transfer: return QStringLiteral("转库单");
    case Kind::CountAdjustment: return QStringLiteral("盘点调帐单");
    }
    return {};
}

QString partnerColumn(Kind k) {
    if (k == Kind::StockIn || k == Kind::InReversal) return QStringLiteral("vendor");
    if (k == Kind::StockOut || k == Kind::OutReversal) return QStringLiteral("customer");
    return {};
}

QStringList signaturesOf(Kind k, const QString& clerk) {
    QStringList s{QStringLiteral("制单：") + clerk, QStringLiteral("审核：")};
    switch (k) {
    case Kind::StockIn: s << QStringLiteral("送货人：") << QStringLiteral("收货人："); break;
    case Kind::StockOut:
    case Kind::Transfer: s << QStringLiteral("发货人：") << QStringLiteral("收货人："); break;
    case Kind::CountAdjustment: s << QStringLiteral("盘点人："); break;
    default: break;
    }
    return s;
}

Document start(Kind k) {
    Document d;
    d.kind = k;
    d.title = titleOf(k);
    d.heading = letterhead();
    d.priced = k != Kind::Transfer && k != Kind::CountAdjustment && Rights::seesPrices();
    d.red = k == Kind::InReversal || k == Kind::OutReversal;
    d.partnerCaption = partnerColumn(k) == QLatin1String("vendor")     ? QStringLiteral("供应商")
                       : partnerColumn(k) == QLatin1String("customer") ? QStringLiteral("客户")
                                                                       : QString();
    return d;
}

struct Line {
    QString attr, attrName, size, sizeName;
    double price, qty;
};

// The header from the first row; blocks and totals from every row (ordered by item and grade).
void fill(Document& d, QSqlQuery& q) {
    QHash<QString, int> blockOf;
    QList<QList<Line>> lines;
    const QString partner = partnerColumn(d.kind);
    while (q.next()) {
        const auto v = [&](const char* f) { return q.value(QString::fromLatin1(f)).toString(); };
        if (lines.isEmpty()) {
            d.billNo = v("bill_no").trimmed();
            d.date = v("procure_date");
            d.operation = v("operation_name").trimmed();
            d.clerk = v("login_id");
            d.warehouse = codeAndName(v("warehouse"), v("warehouse_name"));
            if (d.kind == Kind::Transfer) d.otherWarehouse = codeAndName(v("warehouse_a"), v("warehouse_name_a"));
            if (!partner.isEmpty())
                d.partner = codeAndName(q.value(partner).toString(), q.value(partner + QStringLiteral("_name")).toString());
        }
        const QString key = v("item_code") + QChar(0x1f) + v("stage_code");
        int b = blockOf.value(key, -1);
        if (b < 0) {
            b = d.blocks.size();
            blockOf.insert(key, b);
            Block blk;
            blk.itemCode = v("item_code").trimmed();
            blk.itemName = v("item_name").trimmed();
            blk.itemModel = v("item_model").trimmed();
            blk.stageName = v("stage_name").trimmed().isEmpty() ? v("stage_code").trimmed() : v("stage_name").trimmed();
            d.blocks << blk;
            lines << QList<Line>{};
        }
        const auto name = [&](const char* code, const char* nameField) {
            const QString n = v(nameField).trimmed();
            return n.isEmpty() ? v(code).trimmed() : n;
        };
        lines[b] << Line{v("attr_code"), name("attr_code", "attr_name"), v("size_code"), name("size_code", "size_name"),
                         q.value(QStringLiteral("price")).toDouble(), q.value(QStringLiteral("qty")).toDouble()};
    }
    for (int b = 0; b < d.blocks.size(); ++b) {
        Block& blk = d.blocks[b];
        // Colours and sizes in code order, shown by the names the lines carry.
        QMap<QString, QString> colours, sizes;
        for (const Line& l : lines[b]) {
            colours.insert(l.attr, l.attrName);
            sizes.insert(l.size, l.sizeName);
        }
        const QStringList attrKeys = colours.keys(), sizeKeys = sizes.keys();
        blk.colours = colours.values();
        blk.sizes = sizes.values();
        const int rows = attrKeys.size(), cols = sizeKeys.size();
        blk.cells = QVector<QVector<std::optional<double>>>(rows, QVector<std::optional<double>>(cols));
        blk.rowQty = QVector<double>(rows, 0);
        blk.rowAmount = QVector<double>(rows, 0);
        blk.rowPrice = QVector<std::optional<double>>(rows);
        blk.columnQty = QVector<double>(cols, 0);
        QVector<bool> seen(rows, false), mixed(rows, false);
        for (const Line& l : lines[b]) {
            const int r = attrKeys.indexOf(l.attr), c = sizeKeys.indexOf(l.size);
            blk.cells[r][c] = Numbers::round3(blk.cells[r][c].value_or(0) + l.qty);
            blk.rowQty[r] = Numbers::round3(blk.rowQty[r] + l.qty);
            blk.columnQty[c] = Numbers::round3(blk.columnQty[c] + l.qty);
            blk.rowAmount[r] = cents(blk.rowAmount[r] + l.qty * l.price);
            if (seen[r] && blk.rowPrice[r] != l.price) mixed[r] = true;
            seen[r] = true;
            blk.rowPrice[r] = l.price;
        }
        for (int r = 0; r < rows; ++r) {
            if (mixed[r]) blk.rowPrice[r].reset();
            blk.qty = Numbers::round3(blk.qty + blk.rowQty[r]);
            blk.amount = cents(blk.amount + blk.rowAmount[r]);
        }
        d.qty = Numbers::round3(d.qty + blk.qty);
        d.amount = cents(d.amount + blk.amount);
    }
    d.amountInWords = capitalAmount(d.amount);
    d.signatures = signaturesOf(d.kind, d.clerk);
}

// Rows in block order: item, grade, colour, size.
QString blockOrder(const QString& p) {
    return QStringLiteral(" ORDER BY %1item_code, %1stage_code, %1attr_code, %1size_code, %1order_no").arg(p);
}
} // namespace

Letterhead letterhead() {
    QSqlQuery q = Sql::run(QStringLiteral("SELECT sys_name, sys_value FROM kesp_system_data WHERE sys_name IN (?,?,?)"),
                           {LetterheadKeys[0], LetterheadKeys[1], LetterheadKeys[2]});
    Letterhead h;
    while (q.next()) {
        const QString k = q.value(0).toString(), v = q.value(1).toString();
        if (k == QLatin1String(LetterheadKeys[0])) h.company = v;
        else if (k == QLatin1String(LetterheadKeys[1])) h.address = v;
        else if (k == QLatin1String(LetterheadKeys[2])) h.phone = v;
    }
    return h;
}

void saveLetterhead(const Letterhead& h) {
    Transaction tx;
    Rights::require(QStringLiteral("AA80"));
    const auto asJson = [](const Letterhead& l) {
        return Audit::json({{QStringLiteral("company"), l.company}, {QStringLiteral("address"), l.address},
                            {QStringLiteral("phone"), l.phone}});
    };
    const QString before = asJson(letterhead());
    const QString values[] = {h.company.trimmed(), h.address.trimmed(), h.phone.trimmed()};
    for (int i = 0; i < 3; ++i) {
        const QString key = QLatin1String(LetterheadKeys[i]);
        Sql::run(QStringLiteral("DELETE FROM kesp_system_data WHERE sys_name=?"), {key});
        if (!values[i].isEmpty())
            Sql::run(QStringLiteral("INSERT INTO kesp_system_data(sys_name, sys_value) VALUES (?,?)"), {key, values[i]});
    }
    Audit::record({QStringLiteral("AA80"), QStringLiteral("kesp_system_data"), QStringLiteral("letterhead"), before,
                   asJson(letterhead()), {}, {}});
    tx.commit();
}

AfterPost afterPost(const QString& user) {
    const QString v =
        Sql::scalar(QStringLiteral("SELECT sys_value FROM kesp_system_data WHERE sys_name=?"), {QStringLiteral("doc_after_post:") + user})
            .toString();
    return v == QLatin1String("always") ? AfterPost::Always : v == QLatin1String("never") ? AfterPost::Never : AfterPost::Ask;
}

void saveAfterPost(const QString& user, AfterPost choice) {
    const QString key = QStringLiteral("doc_after_post:") + user;
    Transaction tx;
    Sql::run(QStringLiteral("DELETE FROM kesp_system_data WHERE sys_name=?"), {key});
    if (choice != AfterPost::Ask)
        Sql::run(QStringLiteral("INSERT INTO kesp_system_data(sys_name, sys_value) VALUES (?,?)"),
                 {key, choice == AfterPost::Always ? QStringLiteral("always") : QStringLiteral("never")});
    tx.commit();
}

Kind kindOf(const PostedRow& r) {
    const QString op = r.operationCode.trimmed().toLower();
    if (op == QLatin1String("i_r")) return Kind::InReversal;
    if (op == QLatin1String("o_r")) return Kind::OutReversal;
    if (op == QLatin1String("i_t") || op == QLatin1String("o_t")) return Kind::Transfer;
    if (op == QLatin1String("c_k")) return Kind::CountAdjustment;
    return r.ioFlag.trimmed().compare(QLatin1String("o"), Qt::CaseInsensitive) == 0 ? Kind::StockOut : Kind::StockIn;
}

Document posted(const PostedRow& row) {
    const Kind k = kindOf(row);
    Document d = start(k);
    const QString cols = QStringLiteral("h.*, m.item_name, m.item_model");
    const QString from = QStringLiteral(" FROM kesp_post_history h LEFT JOIN kesp_item_master m ON m.item_code=h.item_code ");
    QString sql;
    QVariantList params;
    switch (k) {
    case Kind::Transfer:
        // The receiving rows of the bill between the same two warehouses as the row's pair; the
        // issuing warehouse from each receiving row's partner under its order number.
        sql = QStringLiteral("SELECT h.order_no, h.item_code, h.attr_code, h.attr_name, h.size_code, h.size_name, "
                             "h.stage_code, h.stage_name, h.price, h.qty, h.bill_no, h.operation_name, h.warehouse, "
                             "h.warehouse_name, h.procure_date, h.login_id, o.warehouse AS warehouse_a, "
                             "o.warehouse_name AS warehouse_name_a, m.item_name, m.item_model") +
              from +
              QStringLiteral("JOIN kesp_post_history o ON o.order_no=h.order_no AND o.operation_code='o_t' "
                             "JOIN kesp_post_history p ON p.order_no=? AND p.operation_code='i_t' "
                             "JOIN kesp_post_history s ON s.order_no=? AND s.operation_code='o_t' "
                             "WHERE h.operation_code='i_t' AND h.bill_no=? AND h.warehouse=p.warehouse "
                             "AND o.warehouse=s.warehouse");
        params << row.orderNo << row.orderNo << row.billNo;
        break;
    case Kind::CountAdjustment:
        sql = QStringLiteral("SELECT ") + cols + from +
              QStringLiteral("WHERE h.operation_code='c_k' AND h.warehouse=? AND h.procure_date=? "
                             "AND h.operation_date=? AND h.operation_time=?");
        params << row.warehouse << row.procureDate << row.operationDate << row.operationTime;
        break;
    case Kind::InReversal:
    case Kind::OutReversal:
        sql = QStringLiteral("SELECT ") + cols + from +
              QStringLiteral("WHERE h.operation_code=? AND h.bill_no=? AND h.warehouse=? AND h.red_flag='Y'");
        params << (k == Kind::InReversal ? QStringLiteral("i_r") : QStringLiteral("o_r")) << row.billNo << row.warehouse;
        break;
    case Kind::StockIn:
    case Kind::StockOut:
        sql = QStringLiteral("SELECT ") + cols + from +
              QStringLiteral("JOIN kesp_operation_ini t ON t.operation_code=h.operation_code "
                             "WHERE t.i_o_flag=? AND h.operation_code NOT IN ('i_t','o_t','i_r','o_r','c_k') "
                             "AND COALESCE(h.red_flag,'N')<>'Y' AND h.bill_no=? AND h.warehouse=?");
        params << (k == Kind::StockIn ? QStringLiteral("i") : QStringLiteral("o")) << row.billNo << row.warehouse;
        break;
    }
    QSqlQuery q = Sql::run(sql + blockOrder(QStringLiteral("h.")), params);
    fill(d, q);
    return d;
}

Document draft(LineKind kind) {
    static const QHash<int, Kind> kinds = {{int(LineKind::StockIn), Kind::StockIn},
                                           {int(LineKind::StockOut), Kind::StockOut},
                                           {int(LineKind::InReversal), Kind::InReversal},
                                           {int(LineKind::OutReversal), Kind::OutReversal},
                                           {int(LineKind::Transfer), Kind::Transfer}};
    Document d = start(kinds.value(int(kind)));
    d.draft = true;
    QSqlQuery q = Sql::run(Staging::gridStatement(kind) + blockOrder(QString()), Staging::gridParams());
    fill(d, q);
    if (d.clerk.isEmpty()) d.signatures = signaturesOf(d.kind, Session::userCode());
    return d;
}

PostedRow stagedBill(LineKind kind) {
    QSqlQuery q = Sql::run(Staging::gridStatement(kind) + QStringLiteral(" ORDER BY order_no"), Staging::gridParams());
    if (!q.next()) return {};
    const auto v = [&](const char* f) { return q.value(QString::fromLatin1(f)).toString(); };
    const bool out = kind == LineKind::StockOut || kind == LineKind::OutReversal;
    return {v("order_no"), v("bill_no"), v("warehouse"), v("operation_code"),
            out ? QStringLiteral("o") : QStringLiteral("i"), v("red_flag")};
}

QString capitalAmount(double amount) {
    static const QString digits = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
    static const QString units[] = {QString(), QStringLiteral("拾"), QStringLiteral("佰"), QStringLiteral("仟")};
    static const QString groups[] = {QString(), QStringLiteral("万"), QStringLiteral("亿"), QStringLiteral("万亿")};
    const qint64 total = qint64(std::llround(std::fabs(amount) * 100));
    const int jiao = int(total / 10 % 10), fen = int(total % 10);
    // The yuan in groups of four figures, highest first; one 零 stands for any run of zeros
    // between figures (100010 → 壹拾万零壹拾).
    QList<int> parts;
    for (qint64 y = total / 100; y > 0; y /= 10000) parts.prepend(int(y % 10000));
    QString integer;
    bool zero = false;
    for (int g = 0; g < parts.size(); ++g) {
        const int v = parts[g];
        if (v == 0) {
            zero = !integer.isEmpty();
            continue;
        }
        if (!integer.isEmpty() && v < 1000) zero = true;
        for (int i = 3, p = 1000; i >= 0; --i, p /= 10) {
            const int dgt = v / p % 10;
            if (dgt == 0) {
                zero = zero || !integer.isEmpty();
                continue;
            }
            if (zero && !integer.isEmpty()) integer += digits[0];
            zero = false;
            integer += digits[dgt] + units[i];
        }
        integer += groups[parts.size() - 1 - g];
        zero = false;
    }
    QString result = integer.isEmpty() ? QString() : integer + QStringLiteral("元");
    if (jiao == 0 && fen == 0) {
        result += integer.isEmpty() ? QStringLiteral("零元整") : QStringLiteral("整");
    } else {
        if (jiao > 0) result += digits[jiao] + QStringLiteral("角");
        else if (!integer.isEmpty()) result += digits[0];
        if (fen > 0) result += digits[fen] + QStringLiteral("分");
    }
    return amount < 0 && total > 0 ? QStringLiteral("负") + result : result;
}

} // namespace Documents
