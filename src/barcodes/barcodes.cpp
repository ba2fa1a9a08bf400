#include "barcodes/barcodes.h"

#include "data/DataConnect1_Unit.h"
#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

#include <cmath>
#include <optional>

namespace Barcodes {

namespace {
const QString CounterName = QStringLiteral("barcode_no");
constexpr qlonglong MaxInStore = 99999999999LL; // 11 digits after the prefix "2"

// The names of a variant's codes, joined to a row `v` that carries item, attribute, size and grade.
const QString NameJoins = QStringLiteral(
    " LEFT JOIN kesp_item_master m ON m.item_code=v.item_code"
    " LEFT JOIN kesp_item_attr a ON a.attr_code=v.attr_code"
    " LEFT JOIN kesp_item_size s ON s.size_code=v.size_code"
    " LEFT JOIN kesp_item_stage g ON g.stage_code=v.stage_code");
const QString VariantColumns = QStringLiteral(
    "v.barcode, v.barcode_kind, v.item_code, m.item_name, m.item_model, m.item_spec, m.arrage_code_b, "
    "m.arrage_name_b, m.arrage_code_s, m.arrage_name_s, v.attr_code, a.attr_name, v.size_code, s.size_name, "
    "v.stage_code, g.stage_name");

Variant variantOf(const QSqlQuery& q) {
    const auto t = [&](int i) { return q.value(i).toString().trimmed(); };
    Variant v;
    v.barcode = q.value(0).toString();
    v.kind = kindFromName(t(1));
    v.item = {t(2), t(3), t(4), t(5), t(6), t(7), t(8), t(9), t(10), t(11), t(12), t(13), t(14), t(15)};
    return v;
}

QString shownName(const QVariant& name, const QVariant& code) {
    const QString n = name.toString().trimmed();
    return n.isEmpty() ? code.toString().trimmed() : n;
}
} // namespace

QString kindName(Kind k) {
    switch (k) {
    case Kind::EAN13: return QStringLiteral("EAN13");
    case Kind::EAN8: return QStringLiteral("EAN8");
    case Kind::UPCA: return QStringLiteral("UPCA");
    case Kind::CODE128: break;
    }
    return QStringLiteral("CODE128");
}

Kind kindFromName(const QString& name) {
    for (Kind k : {Kind::EAN13, Kind::EAN8, Kind::UPCA})
        if (name == kindName(k)) return k;
    return Kind::CODE128;
}

int checkDigit(const QString& body) {
    int sum = 0, weight = 3;
    for (qsizetype i = body.size() - 1; i >= 0; --i) {
        const QChar c = body[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
        sum += (c.unicode() - '0') * weight;
        weight = 4 - weight;
    }
    return body.isEmpty() ? -1 : (10 - sum % 10) % 10;
}

Checked check(const QString& code) {
    if (code.isEmpty()) return {Kind::CODE128, QStringLiteral("条码不能为空")};
    if (code.size() > MaxLength || code.trimmed() != code)
        return {Kind::CODE128, QStringLiteral("条码只能是不超过 %1 个可打印的 ASCII 字符").arg(MaxLength)};
    bool digits = true;
    for (const QChar c : code) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return {Kind::CODE128, QStringLiteral("条码只能是不超过 %1 个可打印的 ASCII 字符").arg(MaxLength)};
        digits = digits && c.isDigit();
    }
    const qsizetype n = code.size();
    if (!digits || (n != 8 && n != 12 && n != 13)) return {Kind::CODE128, {}};
    const Kind kind = n == 13 ? Kind::EAN13 : n == 8 ? Kind::EAN8 : Kind::UPCA;
    if (checkDigit(code.left(n - 1)) != code.back().unicode() - '0') return {kind, CheckDigitMessage};
    return {kind, {}};
}

std::optional<Variant> resolve(const QString& code) {
    QSqlQuery q = Sql::run(
        QStringLiteral("SELECT %1 FROM kesp_item_barcode v%2 WHERE v.barcode=?").arg(VariantColumns, NameJoins), {code});
    if (!q.next()) return std::nullopt;
    return variantOf(q);
}

std::optional<qlonglong> balanceRow(const QString& warehouse, const Key& key) {
    const QVariant id = Sql::scalar(QStringLiteral("SELECT ID FROM kesp_inv_detail_tree WHERE warehouse=? AND item_code=? "
                                                   "AND attr_code=? AND size_code=? AND stage_code=?"),
                                    {warehouse, key.item, key.attr, key.size, key.stage});
    if (!id.isValid() || id.isNull()) return std::nullopt;
    return id.toLongLong();
}

QString takenMessage(const QString& code) {
    QSqlQuery q = Sql::run(QStringLiteral("SELECT v.item_code, a.attr_name, v.attr_code, s.size_name, v.size_code "
                                          "FROM kesp_item_barcode v%1 WHERE v.barcode=?")
                               .arg(NameJoins),
                           {code});
    if (!q.next()) return {};
    return QStringLiteral("条码已被 %1 %2 %3 使用")
        .arg(q.value(0).toString().trimmed(), shownName(q.value(1), q.value(2)), shownName(q.value(3), q.value(4)));
}

namespace {
// Codes are master data of the item window: its right, and a row of the trail per change.
const QString ItemCommand = QStringLiteral("BB10");
void recorded(const QString& code, const QString& before, const QString& after) {
    Audit::record({ItemCommand, QStringLiteral("kesp_item_barcode"), code, before, after, {}, {}});
}
QString keyJson(const QString& code, const Key& k) {
    return Audit::json({{QStringLiteral("barcode"), code}, {QStringLiteral("item_code"), k.item},
                        {QStringLiteral("attr_code"), k.attr}, {QStringLiteral("size_code"), k.size},
                        {QStringLiteral("stage_code"), k.stage}});
}
} // namespace

QString add(const QString& code, const Key& key) {
    const Checked c = check(code);
    if (!c.ok()) return c.message;
    Transaction tx;
    Rights::require(ItemCommand);
    const QString taken = takenMessage(code);
    if (!taken.isEmpty()) return taken;
    const Staging::UnknownCode unknown = Staging::unknownCode(
        {{"item_code", key.item}, {"attr_code", key.attr}, {"size_code", key.size}, {"stage_code", key.stage}});
    if (unknown.found()) return unknown.message;
    const int n = Sql::run(QStringLiteral("INSERT INTO kesp_item_barcode(barcode, item_code, attr_code, size_code, "
                                          "stage_code, barcode_kind, login_id, operation_date) VALUES (?,?,?,?,?,?,?,?)"),
                           {code, key.item, key.attr, key.size, key.stage, kindName(c.kind), Session::userCode(),
                            Dates::today()})
                      .numRowsAffected();
    if (n != 1) throw DbError(QStringLiteral("条码没有写入"));
    recorded(code, {}, keyJson(code, key));
    tx.commit();
    return {};
}

QString change(const QString& oldCode, const QString& newCode) {
    if (oldCode == newCode) return {};
    const Checked c = check(newCode);
    if (!c.ok()) return c.message;
    Transaction tx;
    Rights::require(ItemCommand);
    const QString taken = takenMessage(newCode);
    if (!taken.isEmpty()) return taken;
    const int n = Sql::run(QStringLiteral("UPDATE kesp_item_barcode SET barcode=?, barcode_kind=?, login_id=?, "
                                          "operation_date=? WHERE barcode=?"),
                           {newCode, kindName(c.kind), Session::userCode(), Dates::today(), oldCode})
                      .numRowsAffected();
    if (n != 1) return QStringLiteral("该条码已不存在。");
    recorded(newCode, Audit::json({{QStringLiteral("barcode"), oldCode}}), Audit::json({{QStringLiteral("barcode"), newCode}}));
    tx.commit();
    return {};
}

bool remove(const QString& code) {
    Transaction tx;
    Rights::require(ItemCommand);
    if (Sql::run(QStringLiteral("DELETE FROM kesp_item_barcode WHERE barcode=?"), {code}).numRowsAffected() == 0) return false;
    recorded(code, Audit::json({{QStringLiteral("barcode"), code}}), {});
    tx.commit();
    return true;
}

Statement variantsOf(const QString& item, bool all) {
    Statement s;
    QString variants;
    if (all) {
        variants = QStringLiteral("SELECT a.attr_code, z.size_code, g.stage_code FROM kesp_item_attr a "
                                  "CROSS JOIN kesp_item_size z CROSS JOIN kesp_item_stage g");
    } else {
        variants = QStringLiteral("SELECT attr_code, size_code, stage_code FROM kesp_inv_detail_tree WHERE item_code=? "
                                  "UNION SELECT attr_code, size_code, stage_code FROM kesp_post_history WHERE item_code=?");
        s.params << item << item;
    }
    // A variant that has a code is always shown.
    variants += QStringLiteral(" UNION SELECT attr_code, size_code, stage_code FROM kesp_item_barcode WHERE item_code=?");
    s.params << item << item;
    s.sql = QStringLiteral(
                "SELECT v.attr_code, a.attr_name, v.size_code, s.size_name, v.stage_code, g.stage_name, b.barcode, "
                "b.barcode_kind FROM (%1) v "
                "LEFT JOIN kesp_item_barcode b ON b.item_code=? AND b.attr_code=v.attr_code "
                "AND b.size_code=v.size_code AND b.stage_code=v.stage_code "
                "LEFT JOIN kesp_item_attr a ON a.attr_code=v.attr_code "
                "LEFT JOIN kesp_item_size s ON s.size_code=v.size_code "
                "LEFT JOIN kesp_item_stage g ON g.stage_code=v.stage_code")
                .arg(variants);
    return s;
}

QString inStoreCode(qlonglong number) {
    const QString body = QStringLiteral("2") + QStringLiteral("%1").arg(number, 11, 10, QLatin1Char('0'));
    return body + QString::number(checkDigit(body));
}

int generate(const QString& item, bool all) {
    const Statement s = variantsOf(item, all);
    Transaction tx;
    Rights::require(ItemCommand);
    QList<Key> open;
    {
        QSqlQuery q = Sql::run(s.sql + QStringLiteral(" WHERE b.barcode IS NULL ORDER BY v.attr_code, v.size_code, "
                                                      "v.stage_code"),
                               s.params);
        while (q.next()) open.append({item, q.value(0).toString(), q.value(2).toString(), q.value(4).toString()});
    }
    if (open.isEmpty()) return 0;
    if (!Sql::exists(QStringLiteral("SELECT 1 FROM kesp_item_master WHERE item_code=?"), {item}))
        throw DbError(QStringLiteral("项目代码 不存在"));
    const QVariant stored = Sql::scalar(
        QStringLiteral("SELECT sys_value FROM kesp_system_data WHERE sys_name=?%1").arg(DataConnect1::forUpdate()),
        {CounterName});
    bool ok = true;
    qlonglong number = stored.isValid() ? stored.toString().trimmed().toLongLong(&ok) : 1;
    if (!ok || number < 1) throw DbError(QStringLiteral("条码计数器的值无效：%1").arg(stored.toString()));
    const QString user = Session::userCode(), today = Dates::today();
    for (const Key& k : open) {
        QString code;
        do { // a code typed by hand may hold an in-store number already
            if (number > MaxInStore) throw DbError(QStringLiteral("店内条码已经用完"));
            code = inStoreCode(number++);
        } while (Sql::exists(QStringLiteral("SELECT 1 FROM kesp_item_barcode WHERE barcode=?"), {code}));
        const int n = Sql::run(QStringLiteral("INSERT INTO kesp_item_barcode(barcode, item_code, attr_code, size_code, "
                                              "stage_code, barcode_kind, login_id, operation_date) "
                                              "VALUES (?,?,?,?,?,?,?,?)"),
                               {code, k.item, k.attr, k.size, k.stage, kindName(Kind::EAN13), user, today})
                          .numRowsAffected();
        if (n != 1) throw DbError(QStringLiteral("条码没有写入"));
    }
    const int n = stored.isValid()
                      ? Sql::run(QStringLiteral("UPDATE kesp_system_data SET sys_value=? WHERE sys_name=?"),
                                 {QString::number(number), CounterName})
                            .numRowsAffected()
                      : Sql::run(QStringLiteral("INSERT INTO kesp_system_data(sys_name, sys_value) VALUES (?,?)"),
                                 {CounterName, QString::number(number)})
                            .numRowsAffected();
    if (n != 1) throw DbError(QStringLiteral("条码计数器没有写入"));
    recorded(item, {}, Audit::json({{QStringLiteral("item_code"), item}, {QStringLiteral("generated"), int(open.size())}}));
    tx.commit();
    return int(open.size());
}

QList<Label> labels(const QList<Wanted>& wanted, QList<Key>* missing) {
    QList<Label> out;
    for (const Wanted& w : wanted) {
        const int copies = int(std::ceil(Numbers::round3(w.pieces) - 1e-9));
        if (copies <= 0) continue;
        QString sql = QStringLiteral("SELECT %1 FROM kesp_item_barcode v%2 WHERE ").arg(VariantColumns, NameJoins);
        QVariantList params;
        if (!w.barcode.isEmpty()) {
            sql += QStringLiteral("v.barcode=?");
            params << w.barcode;
        } else {
            sql += QStringLiteral("v.item_code=? AND v.attr_code=? AND v.size_code=? AND v.stage_code=? "
                                  "ORDER BY v.barcode");
            params << w.key.item << w.key.attr << w.key.size << w.key.stage;
        }
        QSqlQuery q = Sql::run(sql, params);
        if (!q.next()) {
            if (missing) missing->append(w.key);
            continue;
        }
        const Variant v = variantOf(q);
        const Label l{v.barcode, v.kind, v.item.itemCode, v.item.itemName,
                      shownName(v.item.attrName, v.item.attrCode), shownName(v.item.sizeName, v.item.sizeCode),
                      shownName(v.item.stageName, v.item.stageCode)};
        for (int i = 0; i < copies; ++i) out.append(l);
    }
    return out;
}

namespace {
// The choice as last read or saved, of which user and which opening of the database.
struct KeptChoice {
    QString user;
    quint64 opening = 0;
    std::optional<bool> on;
};
KeptChoice g_scanCommit;
} // namespace

bool scanCommit(const QString& user) {
    KeptChoice& k = g_scanCommit;
    if (!k.on || k.user != user || k.opening != DataConnect1::openings()) {
        k.on.reset();
        k.on = Sql::scalar(QStringLiteral("SELECT sys_value FROM kesp_system_data WHERE sys_name=?"),
                           {QStringLiteral("scan_commit:") + user})
                   .toString() == QLatin1String("1");
        k.user = user;
        k.opening = DataConnect1::openings();
    }
    return *k.on;
}

void saveScanCommit(const QString& user, bool on) {
    const QString key = QStringLiteral("scan_commit:") + user;
    Transaction tx;
    Sql::run(QStringLiteral("DELETE FROM kesp_system_data WHERE sys_name=?"), {key});
    if (on) Sql::run(QStringLiteral("INSERT INTO kesp_system_data(sys_name, sys_value) VALUES (?,?)"), {key, QStringLiteral("1")});
    tx.commit();
    g_scanCommit = {user, DataConnect1::openings(), on};
}

} // namespace Barcodes
