#include "masterdata/master_repo.h"

#include "data/sql.h"
#include "security/audit.h"
#include "security/rights.h"

namespace Master {

namespace {
const QString kBalances = QStringLiteral("库存记录");
const QString kHistory = QStringLiteral("过帐记录");
const QString kStaged = QStringLiteral("待过帐记录");
const QString kCounts = QStringLiteral("盘点记录");
const QString kSeals = QStringLiteral("盘点封库记录");
const QString kSnapshots = QStringLiteral("月结库存记录");
const QString kItems = QStringLiteral("项目资料");
const QString kBarcodes = QStringLiteral("条码");
const QString kLevels = QStringLiteral("库存上下限");

// Stock levels name a warehouse, an item, a colour and a size.
Referrer levels(const QString& column) { return {QStringLiteral("kesp_stock_level"), column, {}, kLevels}; }

// The rows that carry one stock-key column: balances, history, staging, counts and snapshots.
QList<Referrer> stockKeyReferrers(const QString& column) {
    return {{QStringLiteral("kesp_inv_detail_tree"), column, {}, kBalances},
            {QStringLiteral("kesp_post_history"), column, {}, kHistory},
            {QStringLiteral("kesp_post_temp_a"), column, {}, kStaged},
            {QStringLiteral("kesp_check_temp"), column, {}, kCounts},
            {QStringLiteral("kesp_inv_history_detail_tree"), column, {}, kSnapshots}};
}

Table codeTable(const QString& table, const QString& stem, const QString& word) {
    Table t;
    t.table = table;
    t.codeColumn = stem + QStringLiteral("_code");
    t.nameColumn = stem + QStringLiteral("_name");
    t.descColumn = stem + QStringLiteral("_desc");
    t.word = word;
    t.duplicate = Table::Duplicate::Code;
    t.duplicateMessage = QStringLiteral("已经存在相同记录！");
    t.referrers = stockKeyReferrers(t.codeColumn);
    t.referrers.append({QStringLiteral("kesp_item_barcode"), t.codeColumn, {}, kBarcodes});
    return t;
}

Table partnerTable(const QString& table, const QString& code, const QString& word) {
    Table t;
    t.table = table;
    t.codeColumn = code;
    t.nameColumn = code + QStringLiteral("_name");
    t.word = word;
    t.duplicateMessage = QStringLiteral("已经存在相同 %1代码 或 %1名称").arg(word);
    t.referrers = {{QStringLiteral("kesp_post_history"), code, {}, kHistory},
                   {QStringLiteral("kesp_post_temp_a"), code, {}, kStaged}};
    return t;
}

QVariant nullText() { return QVariant(QMetaType(QMetaType::QString)); }

// The record's row as JSON text (empty when there is none); `where` as built by conditions().
QString rowJson(const Table& t, const QString& where, const QVariantList& params) {
    return Audit::rowsJson(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(t.table, where), params);
}

void record(const Table& t, const QString& key, const QString& before, const QString& after) {
    Audit::record({commandOf(t), t.table, key, before, after, {}, {}});
}

// "col=?" joined by `joiner`, with the values appended to `params`.
QString conditions(const Values& match, const QString& joiner, QVariantList& params) {
    QStringList parts;
    for (const auto& [column, value] : match) {
        parts << column + QStringLiteral("=?");
        params << value;
    }
    return parts.join(joiner);
}

bool exists(const QString& table, const Values& match, const QString& joiner = QStringLiteral(" AND ")) {
    QVariantList params;
    const QString where = conditions(match, joiner, params);
    return Sql::exists(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(table, where), params);
}

int insert(const QString& table, const Values& values) {
    QStringList cols, marks;
    QVariantList params;
    for (const auto& [column, value] : values) {
        cols << column;
        marks << QStringLiteral("?");
        params << value;
    }
    return Sql::run(QStringLiteral("INSERT INTO %1(%2) VALUES (%3)").arg(table, cols.join(','), marks.join(',')),
                    params)
        .numRowsAffected();
}

Result refused(const QString& message) { return {Outcome::Refused, 0, message}; }

Result written(int rows) { return {rows > 0 ? Outcome::Done : Outcome::NotFound, rows, {}}; }
} // namespace

const Table& warehouses() {
    static const Table t = [] {
        Table t;
        t.table = QStringLiteral("kesp_warehouse_ini");
        t.codeColumn = QStringLiteral("warehouse");
        t.nameColumn = QStringLiteral("warehouse_name");
        t.descColumn = QStringLiteral("warehouse_desc");
        t.word = QStringLiteral("仓库");
        t.duplicateMessage = QStringLiteral("已经存在相同 仓库代码 或 仓库名称");
        t.deleteMatchesName = true;
        t.referrers = stockKeyReferrers(t.codeColumn);
        t.referrers.insert(3, {QStringLiteral("kesp_post_temp_a"), QStringLiteral("warehouse_a"), {}, kStaged});
        t.referrers.append({QStringLiteral("kesp_check_set"), t.codeColumn, {}, kSeals});
        t.referrers.append(levels(t.codeColumn));
        return t;
    }();
    return t;
}

const Table& bigCategories() {
    static const Table t = [] {
        Table t;
        t.table = QStringLiteral("kesp_item_arrage_b");
        t.codeColumn = QStringLiteral("arrage_code_b");
        t.nameColumn = QStringLiteral("arrage_name_b");
        t.descColumn = QStringLiteral("arrage_desc_b");
        t.word = QStringLiteral("大类");
        t.duplicate = Table::Duplicate::Code;
        t.duplicateMessage = QStringLiteral("已经存在相同记录！");
        t.referrers = {{QStringLiteral("kesp_item_master"), t.codeColumn, {}, kItems},
                       {QStringLiteral("kesp_post_temp_a"), t.codeColumn, {}, kStaged},
                       {QStringLiteral("kesp_check_temp"), t.codeColumn, {}, kCounts}};
        return t;
    }();
    return t;
}

const Table& smallCategories() {
    static const Table t = [] {
        Table t;
        t.table = QStringLiteral("kesp_item_arrage_s");
        t.codeColumn = QStringLiteral("arrage_code_s");
        t.nameColumn = QStringLiteral("arrage_name_s");
        t.descColumn = QStringLiteral("arrage_desc_s");
        t.parentColumn = QStringLiteral("arrage_code_b");
        t.word = QStringLiteral("小类");
        t.duplicate = Table::Duplicate::Code;
        t.duplicateMessage = QStringLiteral("已经存在相同记录！");
        t.referrers = {{QStringLiteral("kesp_item_master"), t.codeColumn, t.parentColumn, kItems},
                       {QStringLiteral("kesp_post_temp_a"), t.codeColumn, t.parentColumn, kStaged},
                       {QStringLiteral("kesp_check_temp"), t.codeColumn, t.parentColumn, kCounts}};
        return t;
    }();
    return t;
}

const Table& attributes() {
    static const Table t = [] {
        Table t = codeTable(QStringLiteral("kesp_item_attr"), QStringLiteral("attr"), QStringLiteral("属性"));
        t.referrers.append(levels(t.codeColumn));
        return t;
    }();
    return t;
}

const Table& sizes() {
    static const Table t = [] {
        Table t = codeTable(QStringLiteral("kesp_item_size"), QStringLiteral("size"), QStringLiteral("尺寸"));
        t.referrers.append(levels(t.codeColumn));
        return t;
    }();
    return t;
}

const Table& grades() {
    static const Table t =
        codeTable(QStringLiteral("kesp_item_stage"), QStringLiteral("stage"), QStringLiteral("等级"));
    return t;
}

const Table& units() {
    static const Table t = [] {
        Table t;
        t.table = QStringLiteral("kesp_item_unit");
        t.codeColumn = QStringLiteral("unit_code");
        t.nameColumn = QStringLiteral("unit_name");
        t.word = QStringLiteral("计量单位");
        t.duplicateMessage = QStringLiteral("已经存在相同 单位代码 或 单位名称");
        t.referrers = {{QStringLiteral("kesp_item_master"), t.codeColumn, {}, kItems},
                       {QStringLiteral("kesp_check_temp"), t.codeColumn, {}, kCounts}};
        return t;
    }();
    return t;
}

const Table& operations() {
    static const Table t = [] {
        Table t;
        t.table = QStringLiteral("kesp_operation_ini");
        t.codeColumn = QStringLiteral("operation_code");
        t.nameColumn = QStringLiteral("operation_name");
        t.word = QStringLiteral("操作类型");
        t.duplicateMessage = QStringLiteral("已经存在相同 操作代码 或 操作名称");
        t.referrers = {{QStringLiteral("kesp_post_history"), t.codeColumn, {}, kHistory},
                       {QStringLiteral("kesp_post_temp_a"), t.codeColumn, {}, kStaged},
                       {QStringLiteral("kesp_check_temp"), t.codeColumn, {}, kCounts}};
        t.reserved = {QStringLiteral("i_r"), QStringLiteral("o_r"), QStringLiteral("i_t"), QStringLiteral("o_t"),
                      QStringLiteral("c_k")};
        return t;
    }();
    return t;
}

const Table& items() {
    static const Table t = [] {
        Table t;
        t.table = QStringLiteral("kesp_item_master");
        t.codeColumn = QStringLiteral("item_code");
        t.nameColumn = QStringLiteral("item_name");
        t.word = QStringLiteral("项目");
        t.duplicate = Table::Duplicate::Code;
        t.duplicateMessage = QStringLiteral("已经存在相同记录！");
        t.referrers = stockKeyReferrers(t.codeColumn);
        t.referrers.append({QStringLiteral("kesp_item_barcode"), t.codeColumn, {}, kBarcodes});
        t.referrers.append(levels(t.codeColumn));
        return t;
    }();
    return t;
}

const Table& vendors() {
    static const Table t = partnerTable(QStringLiteral("kesp_vendor_ini"), QStringLiteral("vendor"),
                                        QStringLiteral("供应商"));
    return t;
}

QStringList partnerColumns() {
    return {"address", "phone1", "phone2", "telegraph", "fax", "zipcode", "area", "connection_man", "conn_phone",
            "business_man", "busin_phone", "delegate", "manager", "bank", "account_no", "taxation_no", "compendium"};
}

QStringList partnerCaptions(const Table& partners) {
    const QString w = partners.word;
    return {w + "代码", w + "名称", "地址", "电话1", "电话2", "电报", "传真", "邮编", "地区", "联系人",
            "联系人电话", "业务员", "业务员电话", "法人代表", "经理", "开户银行", "帐号", "税号", "摘要"};
}

const Table& customers() {
    static const Table t = partnerTable(QStringLiteral("kesp_customer_ini"), QStringLiteral("customer"),
                                        QStringLiteral("客户"));
    return t;
}

QList<const Table*> allTables() {
    return {&warehouses(), &bigCategories(), &smallCategories(), &attributes(), &sizes(), &grades(),
            &units(),      &operations(),    &items(),           &vendors(),    &customers()};
}

QString commandOf(const Table& t) {
    static const QList<QPair<QString, QString>> commands = {
        {"kesp_item_master", "BB10"},  {"kesp_warehouse_ini", "BB20"}, {"kesp_item_arrage_b", "BB30"},
        {"kesp_item_arrage_s", "BB30"}, {"kesp_item_attr", "BB30"},     {"kesp_item_size", "BB30"},
        {"kesp_item_stage", "BB30"},   {"kesp_item_unit", "BB40"},     {"kesp_operation_ini", "BB50"},
        {"kesp_vendor_ini", "BB60"},   {"kesp_customer_ini", "BB70"}};
    for (const auto& [table, command] : commands)
        if (table == t.table) return command;
    return {};
}

QString trimmed(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32) ++b;
    while (e > b && s[e - 1].unicode() <= 32) --e;
    return s.mid(b, e - b);
}

QVariant optional(const QString& typed) {
    if (typed.isEmpty()) return nullText();
    return trimmed(typed);
}

bool isDuplicate(const Table& t, const Entry& e) {
    // Compared as typed and trimmed: what is stored is trimmed, and the unique key would refuse
    // a code that differs only by blanks.
    QVariantList params;
    QStringList any;
    const auto sameAs = [&](const QString& column, const QString& typed) {
        any << column + QStringLiteral("=?") << column + QStringLiteral("=?");
        params << typed << trimmed(typed);
    };
    sameAs(t.codeColumn, e.code);
    if (t.duplicate == Table::Duplicate::CodeOrName) sameAs(t.nameColumn, e.name);
    QString where = QStringLiteral("(%1)").arg(any.join(QStringLiteral(" OR ")));
    if (!t.parentColumn.isEmpty()) {
        where += QStringLiteral(" AND %1 IN (?,?)").arg(t.parentColumn);
        params << e.parent << trimmed(e.parent);
    }
    return Sql::exists(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(t.table, where), params);
}

Result add(const Table& t, const Entry& e) {
    if (e.code.isEmpty() || e.name.isEmpty()) return {Outcome::Ignored, 0, {}};
    if (!t.parentColumn.isEmpty() && trimmed(e.parent).isEmpty())
        return refused(QStringLiteral("请先选择%1！").arg(bigCategories().word));
    if (trimmed(e.code).isEmpty() || trimmed(e.name).isEmpty())
        return refused(QStringLiteral("%1代码和名称不能只有空格！").arg(t.word));
    Transaction tx;
    Rights::require(commandOf(t));
    if (isDuplicate(t, e)) return refused(t.duplicateMessage);
    Values values{{t.codeColumn, trimmed(e.code)}, {t.nameColumn, trimmed(e.name)}};
    if (!t.descColumn.isEmpty()) values.append({t.descColumn, optional(e.desc)});
    if (!t.parentColumn.isEmpty()) values.append({t.parentColumn, trimmed(e.parent)});
    values += e.extra;
    const int rows = insert(t.table, values);
    QVariantList keyParams;
    Values key{{t.codeColumn, trimmed(e.code)}};
    if (!t.parentColumn.isEmpty()) key.append({t.parentColumn, trimmed(e.parent)});
    const QString where = conditions(key, QStringLiteral(" AND "), keyParams);
    record(t, trimmed(e.code), {}, rowJson(t, where, keyParams));
    tx.commit();
    return written(rows);
}

QStringList usedBy(const Table& t, const QString& code, const QString& parent) {
    QStringList what;
    for (const Referrer& r : t.referrers) {
        if (what.contains(r.what)) continue;
        Values match{{r.codeColumn, code}};
        if (!r.parentColumn.isEmpty()) match.append({r.parentColumn, parent});
        if (exists(r.table, match)) what << r.what;
    }
    return what;
}

Result remove(const Table& t, const QString& code, const QString& name, const QString& parent) {
    if (code.isEmpty()) return {Outcome::Ignored, 0, {}};
    if (t.reserved.contains(code, Qt::CaseInsensitive))
        return {Outcome::InUse, 0, QStringLiteral("该%1由系统使用，不能删除！").arg(t.word)};
    Transaction tx; // nobody can post against the record between the check and the delete
    Rights::require(commandOf(t));
    if (&t == &bigCategories() && exists(smallCategories().table, {{smallCategories().parentColumn, code}}))
        return {Outcome::InUse, 0, QStringLiteral("因为此大类中包含多项小类，所以必须先删除它的小类。")};
    const QStringList what = usedBy(t, code, parent);
    if (!what.isEmpty())
        return {Outcome::InUse, 0,
                QStringLiteral("该%1已被%2使用，不能删除！").arg(t.word, what.join(QStringLiteral("、")))};
    Values where{{t.codeColumn, code}};
    if (t.deleteMatchesName) where.append({t.nameColumn, name});
    if (!t.parentColumn.isEmpty()) where.append({t.parentColumn, parent});
    QVariantList params;
    const QString cond = conditions(where, QStringLiteral(" AND "), params);
    const QString before = rowJson(t, cond, params);
    const int rows =
        Sql::run(QStringLiteral("DELETE FROM %1 WHERE %2").arg(t.table, cond), params).numRowsAffected();
    if (rows > 0) record(t, code, before, {});
    tx.commit();
    if (rows == 0) return {Outcome::NotFound, 0, QStringLiteral("该%1已不存在，没有删除任何记录！").arg(t.word)};
    return written(rows);
}

Result update(const Table& t, const QString& code, const Values& values) {
    QStringList sets;
    QVariantList params;
    for (const auto& [column, value] : values) {
        sets << column + QStringLiteral("=?");
        params << value;
    }
    params << code;
    const QString where = t.codeColumn + QStringLiteral("=?");
    Transaction tx;
    Rights::require(commandOf(t));
    const QString before = rowJson(t, where, {code});
    const int rows = Sql::run(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                  .arg(t.table, sets.join(QLatin1Char(',')), where),
                              params)
                         .numRowsAffected();
    if (rows > 0) record(t, code, before, rowJson(t, where, {code}));
    tx.commit();
    Result r = written(rows);
    if (rows == 0) r.message = QStringLiteral("该%1已不存在，记录没有更新！").arg(t.word);
    return r;
}

namespace {
Values itemColumns(const Item& item) {
    return {{QStringLiteral("item_model"), optional(item.model)},
            {QStringLiteral("item_spec"), optional(item.itemSpec)},
            {QStringLiteral("unit_code"), trimmed(item.unit)},
            {QStringLiteral("unit_name"), trimmed(item.unitName)},
            {QStringLiteral("arrage_code_b"), trimmed(item.big)},
            {QStringLiteral("arrage_name_b"), trimmed(item.bigName)},
            {QStringLiteral("arrage_code_s"), trimmed(item.small)},
            {QStringLiteral("arrage_name_s"), trimmed(item.smallName)}};
}
} // namespace

Result addItem(const Item& item) {
    const QList<std::pair<QString, const char*>> required = {{item.code, "项目代码不能为空"},
                                                             {item.name, "项目名称不能为空"},
                                                             {item.unit, "单位代码不能为空"},
                                                             {item.big, "大类代码不能为空"},
                                                             {item.small, "小类代码不能为空"}};
    for (const auto& [text, message] : required)
        if (text.isEmpty()) return refused(QString::fromUtf8(message));
    if (trimmed(item.code).isEmpty()) return refused(QStringLiteral("项目代码不能为空"));
    Entry e{item.code, item.name, {}, {}, itemColumns(item)};
    return add(items(), e);
}

Result updateItem(const Item& item) {
    Values values{{QStringLiteral("item_name"), item.name}};
    values += itemColumns(item);
    return update(items(), trimmed(item.code), values);
}

} // namespace Master
