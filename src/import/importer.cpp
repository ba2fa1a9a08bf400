#include "import/importer.h"

#include "data/DataConnect1_Unit.h"
#include "data/numbers.h"
#include "data/session.h"
#include "barcodes/barcodes.h"
#include "levels/stock_levels.h"
#include "data/sql.h"
#include "export/table_file.h"
#include "masterdata/master_repo.h"
#include "movements/order_numbers.h"
#include "movements/posting.h"
#include "movements/staging.h"
#include "security/audit.h"
#include "security/rights.h"
#include "stocktake/stocktake.h"

#include <QDate>
#include <QSet>
#include <QSqlRecord>

#include <memory>
#include <optional>

namespace Import {

namespace {

const int CodeLength = 25;
const int NameLength = 50;
const int TextLength = 100;

Field text(const char* key, const char* caption, QStringList aliases = {}, bool required = false,
           int maxLength = NameLength) {
    return {QString::fromLatin1(key), QString::fromUtf8(caption), aliases, required, maxLength};
}
Field number(const char* key, const char* caption, QStringList aliases = {}, bool required = false) {
    return {QString::fromLatin1(key), QString::fromUtf8(caption), aliases, required, 0};
}

QList<Field> partnerFields(const Master::Table& t) {
    const QStringList caps = Master::partnerCaptions(t);
    QList<Field> f{{QStringLiteral("code"), caps[0], {}, true, CodeLength},
                   {QStringLiteral("name"), caps[1], {}, true, NameLength}};
    const QStringList cols = Master::partnerColumns();
    for (int i = 0; i < cols.size(); ++i) f.append({cols[i], caps[i + 2], {}, false, TextLength});
    return f;
}

// The stock key columns a row names: colour, size and grade by code or name.
QList<Field> keyFields() {
    return {text("colour", "颜色", {"属性", "颜色代码", "属性代码", "颜色名称", "属性名称"}, true, CodeLength),
            text("size", "尺寸", {"尺码", "尺寸代码", "尺寸名称"}, true, CodeLength),
            text("grade", "等级", {"等级代码", "等级名称"}, true, CodeLength)};
}

} // namespace

QList<Kind> kinds() {
    return {Kind::Items,        Kind::Barcodes,   Kind::Vendors,    Kind::Customers,
            Kind::OpeningStock, Kind::CountSheet, Kind::StockLevels};
}

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::Items: return QStringLiteral("商品资料");
    case Kind::Barcodes: return QStringLiteral("商品条码");
    case Kind::Vendors: return QStringLiteral("供应商");
    case Kind::Customers: return QStringLiteral("客户");
    case Kind::OpeningStock: return QStringLiteral("期初库存");
    case Kind::CountSheet: return QStringLiteral("盘点数据");
    case Kind::StockLevels: return QStringLiteral("库存上下限");
    }
    return {};
}

QList<Field> fields(Kind kind) {
    switch (kind) {
    case Kind::Items:
        return {text("item_code", "项目代码", {"商品代码", "货号", "款号"}, true, CodeLength),
                text("item_name", "项目名称", {"商品名称", "名称"}, true, NameLength),
                text("item_model", "项目型号", {"型号"}, false, CodeLength),
                text("item_spec", "项目规格", {"规格"}, false, CodeLength),
                text("unit", "单位", {"单位代码", "单位名称", "计量单位"}, true, CodeLength),
                text("big", "大类", {"大类代码", "大类名称"}, true, CodeLength),
                text("small", "小类", {"小类代码", "小类名称"}, true, CodeLength)};
    case Kind::Vendors: return partnerFields(Master::vendors());
    case Kind::Customers: return partnerFields(Master::customers());
    case Kind::OpeningStock: {
        QList<Field> f{text("warehouse", "仓库", {"仓库代码", "仓库名称"}, true, CodeLength),
                       text("item_code", "项目代码", {"商品代码", "货号", "款号"}, true, CodeLength)};
        f += keyFields();
        f += {number("qty", "数量", {"期初数量", "库存数量"}, true), number("price", "价格", {"单价", "成本价"})};
        return f;
    }
    case Kind::Barcodes: {
        QList<Field> f{text("item_code", "项目代码", {"商品代码", "货号", "款号"}, true, CodeLength)};
        f += keyFields();
        f.append(text("barcode", "条码", {"商品条码", "条形码"}, true, Barcodes::MaxLength));
        return f;
    }
    case Kind::CountSheet: {
        // A row names its variant by item, colour, size and grade, or by a barcode alone.
        QList<Field> f{text("item_code", "项目代码", {"商品代码", "货号", "款号"}, false, CodeLength)};
        for (Field k : keyFields()) {
            k.required = false;
            f.append(k);
        }
        f += {text("barcode", "条码", {"商品条码", "条形码"}, false, Barcodes::MaxLength),
              number("qty", "盘点数量", {"数量", "实盘数量", "实盘数"}, true)};
        return f;
    }
    case Kind::StockLevels: {
        // Colour and size left empty: the level covers every colour or size of the item.
        QList<Field> f{text("warehouse", "仓库", {"仓库代码", "仓库名称"}, true, CodeLength),
                       text("item_code", "项目代码", {"商品代码", "货号", "款号"}, true, CodeLength)};
        for (Field k : keyFields().mid(0, 2)) {
            k.required = false;
            f.append(k);
        }
        f += {number("min_qty", "下限", {"库存下限", "最低库存"}, true),
              number("max_qty", "上限", {"库存上限", "最高库存"}, true)};
        return f;
    }
    }
    return {};
}

QList<QStringList> exampleRows(Kind kind) {
    switch (kind) {
    case Kind::Items:
        return {{"T1001", "圆领T恤", "T1001", "纯棉", "件", "上装", "T恤"},
                {"P2001", "直筒牛仔裤", "P2001", "", "条", "下装", "牛仔裤"}};
    case Kind::Vendors:
    case Kind::Customers: {
        QStringList a{"001", "华南服饰有限公司", "广州市天河路1号", "020-12345678"};
        QStringList b{"002", "江南制衣厂", "杭州市文三路8号", "0571-87654321"};
        return {a, b};
    }
    case Kind::OpeningStock:
        return {{"01", "T1001", "白色", "M", "正品", "12", "35.5"}, {"01", "T1001", "白色", "L", "正品", "8", "35.5"}};
    case Kind::Barcodes:
        return {{"T1001", "白色", "M", "正品", "6901234567892"}, {"T1001", "白色", "L", "正品", "T1001-WH-L"}};
    case Kind::CountSheet:
        return {{"T1001", "白色", "M", "正品", "", "3"}, {"", "", "", "", "6901234567892", "1"}};
    case Kind::StockLevels:
        return {{"01", "T1001", "", "", "20", "100"}, {"01", "T1001", "白色", "M", "3", "12"}};
    }
    return {};
}

Layout detect(Kind kind, const Sheet& sheet) {
    const QList<Field> fs = fields(kind);
    auto fieldOf = [&](const QString& caption) -> QString {
        const QString c = caption.trimmed().remove(QChar(u'：')).remove(QLatin1Char(':'));
        if (c.isEmpty()) return {};
        for (const Field& f : fs)
            if (f.caption == c || f.aliases.contains(c)) return f.key;
        return {};
    };
    Layout layout;
    const int scan = std::min<int>(10, int(sheet.rows.size()));
    for (int r = 0; r < scan; ++r) {
        int named = 0;
        for (const QString& cell : sheet.rows[r])
            if (!fieldOf(cell).isEmpty()) ++named;
        if (named >= 2) {
            layout.headerRow = r;
            break;
        }
    }
    if (layout.headerRow < sheet.rows.size()) layout.header = sheet.rows[layout.headerRow];
    // A field named by several columns (code and name of a unit) reads the first of them.
    for (int c = 0; c < layout.header.size(); ++c) {
        const QString key = fieldOf(layout.header[c]);
        if (!key.isEmpty() && !layout.columns.contains(key)) layout.columns.insert(key, c);
    }
    return layout;
}

namespace {

QString lower(const QString& s) { return s.toCaseFolded(); }

// Codes and names of one master table, found by code first, then by name (letter case ignored as
// the database does).
struct Dict {
    QHash<QString, QString> byCode; // folded code -> code
    QHash<QString, QString> byName; // folded name -> code
    QHash<QString, QString> names;  // code -> name
    void add(const QString& code, const QString& name) {
        byCode.insert(lower(code), code);
        if (!name.isEmpty() && !byName.contains(lower(name))) byName.insert(lower(name), code);
        names.insert(code, name);
    }
    std::optional<QString> find(const QString& v) const {
        if (auto it = byCode.find(lower(v)); it != byCode.end()) return *it;
        if (auto it = byName.find(lower(v)); it != byName.end()) return *it;
        return std::nullopt;
    }
    void load(const QString& table, const QString& code, const QString& name) {
        QSqlQuery q = Sql::run(QStringLiteral("SELECT %1, %2 FROM %3").arg(code, name, table));
        while (q.next()) add(q.value(0).toString(), q.value(1).toString());
    }
};

// A master record made because a row named it and "自动新增" was ticked.
struct NewMaster {
    QString table;
    QStringList columns;
    QVariantList values;
};

// Inserts rows in statements of many rows each.
void insertRows(const QString& table, const QStringList& columns, const QList<QVariantList>& rows) {
    if (rows.isEmpty()) return;
    // Short statements: binding many values to one statement costs more than the round trips saved.
    const int perStatement = std::max(1, std::min(50, 400 / int(columns.size())));
    const QString one = QStringLiteral("(") + QStringList(columns.size(), QStringLiteral("?")).join(',') + ')';
    for (int start = 0; start < rows.size(); start += perStatement) {
        const int n = std::min<int>(perStatement, int(rows.size()) - start);
        QVariantList params;
        params.reserve(n * columns.size());
        for (int i = 0; i < n; ++i) params += rows[start + i];
        const QString sql = QStringLiteral("INSERT INTO %1(%2) VALUES %3")
                                .arg(table, columns.join(','), QStringList(n, one).join(','));
        QSqlQuery q = Sql::run(sql, params);
        if (q.numRowsAffected() != n) throw DbError(QStringLiteral("导入写入 %1 时行数不符").arg(table));
    }
}

// What one check found and what an import would write.
class Plan {
public:
    Plan(Kind kind, const Sheet& sheet, const Layout& layout, const Options& options, const Progress& progress)
        : m_kind(kind), m_sheet(sheet), m_layout(layout), m_options(options), m_progress(progress),
          m_fields(fields(kind)) {}

    Check build() {
        checkMapping();
        if (!m_result.problems.isEmpty()) return m_result;
        switch (m_kind) {
        case Kind::Items: items(); break;
        case Kind::Vendors: partners(Master::vendors()); break;
        case Kind::Customers: partners(Master::customers()); break;
        case Kind::OpeningStock: openingStock(); break;
        case Kind::Barcodes: barcodes(); break;
        case Kind::CountSheet: countSheet(); break;
        case Kind::StockLevels: stockLevels(); break;
        }
        m_result.counts.masters = int(m_newMasters.size());
        return m_result;
    }

    void write() {
        for (const NewMaster& m : m_newMasters) insertRows(m.table, m.columns, {m.values});
        for (const auto& [table, columns] : m_insertColumns.asKeyValueRange())
            insertRows(table, columns, m_inserts.value(table));
        for (const auto& [sql, params] : m_updates) {
            QSqlQuery q = Sql::run(sql, params);
            if (q.numRowsAffected() != 1) throw DbError(QStringLiteral("导入更新时记录已不存在，请重新检查"));
        }
        if (m_kind == Kind::OpeningStock) postOpeningStock();
        if (m_kind == Kind::CountSheet) writeCounts();
    }

private:
    const Field* field(const QString& key) const {
        for (const Field& f : m_fields)
            if (f.key == key) return &f;
        return nullptr;
    }
    int dataRows() const { return int(m_sheet.rows.size()) - m_layout.headerRow - 1; }
    int sheetRow(int r) const { return m_layout.headerRow + 2 + r; } // as the spreadsheet numbers it
    const QStringList& row(int r) const { return m_sheet.rows[m_layout.headerRow + 1 + r]; }
    QString cell(int r, const QString& key) const {
        const int c = m_layout.column(key);
        const QStringList& cells = row(r);
        return c >= 0 && c < cells.size() ? Master::trimmed(cells[c]) : QString();
    }
    QString captionOf(const QString& key) const {
        const int c = m_layout.column(key);
        if (c >= 0 && c < m_layout.header.size() && !m_layout.header[c].trimmed().isEmpty())
            return m_layout.header[c].trimmed();
        const Field* f = field(key);
        return f ? f->caption : key;
    }
    void problem(int r, const QString& key, const QString& value, const QString& message) {
        m_result.problems.append({r < 0 ? 0 : sheetRow(r), key.isEmpty() ? QString() : captionOf(key), value, message});
    }
    // An empty row or the sums row of the program's own export: nothing to import.
    bool skipped(int r) const {
        const QStringList& cells = row(r);
        bool empty = true;
        for (const QString& c : cells)
            if (!c.trimmed().isEmpty()) empty = false;
        return empty || (!cells.isEmpty() && cells.first().trimmed().startsWith(QStringLiteral("合计")));
    }
    void tick(int r) {
        if (m_progress && (r % 500 == 0 || r == dataRows() - 1) && !m_progress(r + 1, dataRows())) throw Cancelled();
    }

    void checkMapping() {
        for (const Field& f : m_fields)
            if (f.required && m_layout.column(f.key) < 0)
                problem(-1, QString(), QString(), QStringLiteral("缺少必需的列“%1”").arg(f.caption));
    }

    // The row's texts checked for emptiness and length; numbers checked and returned.
    bool checkCells(int r) {
        bool good = true;
        for (const Field& f : m_fields) {
            if (m_layout.column(f.key) < 0) continue;
            const QString v = cell(r, f.key);
            if (v.isEmpty()) {
                if (f.required) {
                    problem(r, f.key, v, QStringLiteral("不能为空"));
                    good = false;
                }
                continue;
            }
            if (f.maxLength == 0) {
                QString plain = v;
                plain.remove(QLatin1Char(','));
                const auto n = Numbers::parse(plain);
                if (!n || !Numbers::inRange(*n)) {
                    problem(r, f.key, v, QStringLiteral("不是有效的数值"));
                    good = false;
                }
            } else if (v.size() > f.maxLength) {
                problem(r, f.key, v, QStringLiteral("太长（最多 %1 个字）").arg(f.maxLength));
                good = false;
            }
        }
        return good;
    }
    double numberAt(int r, const QString& key) const {
        QString plain = cell(r, key);
        plain.remove(QLatin1Char(','));
        return Numbers::round3(Numbers::parse(plain).value_or(0));
    }

    // The code a row names in a master table; made when allowed, else a problem.
    std::optional<QString> resolve(int r, const QString& key, Dict& dict, const QString& table, const QString& codeCol,
                                   const QString& nameCol, const QString& word, bool creatable) {
        const QString v = cell(r, key);
        if (v.isEmpty()) return std::nullopt; // told already when the column must be filled
        if (auto code = dict.find(v)) return code;
        if (creatable && m_options.autoCreate) {
            dict.add(v, v);
            m_newMasters.append({table, {codeCol, nameCol}, {v, v}});
            return v;
        }
        problem(r, key, v, QStringLiteral("%1不存在").arg(word));
        return std::nullopt;
    }

    void duplicateInFile(int r, const QString& key, const QString& value, QHash<QString, int>& seen) {
        const QString k = lower(value);
        if (auto it = seen.find(k); it != seen.end())
            problem(r, key, value, QStringLiteral("与文件第 %1 行重复").arg(sheetRow(*it)));
        else
            seen.insert(k, r);
    }

    void items() {
        Dict units, bigs;
        units.load(QStringLiteral("kesp_item_unit"), QStringLiteral("unit_code"), QStringLiteral("unit_name"));
        bigs.load(QStringLiteral("kesp_item_arrage_b"), QStringLiteral("arrage_code_b"), QStringLiteral("arrage_name_b"));
        // Small categories by big category.
        QHash<QString, Dict> smalls;
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT arrage_code_b, arrage_code_s, arrage_name_s FROM kesp_item_arrage_s"));
            while (q.next()) smalls[lower(q.value(0).toString())].add(q.value(1).toString(), q.value(2).toString());
        }
        const QStringList cols{"item_code", "item_name", "item_model", "item_spec", "unit_code", "unit_name",
                               "arrage_code_b", "arrage_name_b", "arrage_code_s", "arrage_name_s"};
        QHash<QString, QVariantList> existing; // folded code -> the row in `cols` order
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT %1 FROM kesp_item_master").arg(cols.join(',')));
            while (q.next()) {
                QVariantList v;
                for (int i = 0; i < cols.size(); ++i) v.append(q.value(i).toString());
                existing.insert(lower(q.value(0).toString()), v);
            }
        }
        QHash<QString, int> seen;
        QList<QVariantList> adds;
        for (int r = 0; r < dataRows(); ++r) {
            tick(r);
            if (skipped(r)) continue;
            bool good = checkCells(r);
            const QString code = cell(r, "item_code");
            if (!code.isEmpty()) duplicateInFile(r, "item_code", code, seen);
            const auto unit = resolve(r, "unit", units, "kesp_item_unit", "unit_code", "unit_name", "单位", true);
            const auto big = resolve(r, "big", bigs, "kesp_item_arrage_b", "arrage_code_b", "arrage_name_b", "大类", true);
            std::optional<QString> small;
            if (big && !cell(r, "small").isEmpty()) {
                Dict& d = smalls[lower(*big)];
                const QString v = cell(r, "small");
                small = d.find(v);
                if (!small && m_options.autoCreate) {
                    d.add(v, v);
                    m_newMasters.append({"kesp_item_arrage_s", {"arrage_code_b", "arrage_code_s", "arrage_name_s"},
                                         {*big, v, v}});
                    small = v;
                } else if (!small) {
                    problem(r, "small", v, QStringLiteral("小类不存在于大类 %1 下").arg(*big));
                }
            }
            if (!good || !unit || !big || !small) continue;
            const QVariantList row{code,
                                   cell(r, "item_name"),
                                   optionalText(cell(r, "item_model")),
                                   optionalText(cell(r, "item_spec")),
                                   *unit,
                                   units.names.value(*unit),
                                   *big,
                                   bigs.names.value(*big),
                                   *small,
                                   smalls[lower(*big)].names.value(*small)};
            auto it = existing.find(lower(code));
            if (it == existing.end()) {
                adds.append(row);
                ++m_result.counts.added;
                continue;
            }
            update(r, QStringLiteral("kesp_item_master"), QStringLiteral("item_code"), cols, *it, row,
                   {"item_model", "item_spec"});
        }
        m_inserts.insert(QStringLiteral("kesp_item_master"), adds);
        m_insertColumns.insert(QStringLiteral("kesp_item_master"), cols);
    }

    static QVariant optionalText(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

    // An existing record: unchanged, skipped or updated in the columns the file maps.
    void update(int r, const QString& table, const QString& codeCol, const QStringList& cols, const QVariantList& old,
                const QVariantList& now, const QStringList& optionalCols) {
        QStringList sets;
        QVariantList params;
        for (int i = 1; i < cols.size(); ++i) {
            // Columns the file does not hold keep their value.
            const bool mapped = fieldMapsColumn(cols[i]);
            if (!mapped) continue;
            if (old[i].toString() == now[i].toString()) continue;
            sets.append(cols[i] + QStringLiteral("=?"));
            params.append(optionalCols.contains(cols[i]) && now[i].toString().isEmpty() ? QVariant() : now[i]);
        }
        if (sets.isEmpty() || !m_options.update) {
            ++m_result.counts.unchanged;
            return;
        }
        ++m_result.counts.changed;
        params.append(old[0]);
        m_updates.append({QStringLiteral("UPDATE %1 SET %2 WHERE %3=?").arg(table, sets.join(','), codeCol), params});
        Q_UNUSED(r);
    }
    bool fieldMapsColumn(const QString& column) const {
        static const QHash<QString, QString> itemField{{"item_name", "item_name"}, {"item_model", "item_model"},
                                                       {"item_spec", "item_spec"}, {"unit_code", "unit"},
                                                       {"unit_name", "unit"}, {"arrage_code_b", "big"},
                                                       {"arrage_name_b", "big"}, {"arrage_code_s", "small"},
                                                       {"arrage_name_s", "small"}};
        if (m_kind == Kind::Items) return m_layout.column(itemField.value(column)) >= 0;
        const Master::Table& t = m_kind == Kind::Vendors ? Master::vendors() : Master::customers();
        if (column == t.nameColumn) return m_layout.column(QStringLiteral("name")) >= 0;
        return m_layout.column(column) >= 0;
    }

    void partners(const Master::Table& t) {
        QStringList cols{t.codeColumn, t.nameColumn};
        cols += Master::partnerColumns();
        QHash<QString, QVariantList> existing;
        QHash<QString, QString> nameOwner; // folded name -> code
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT %1 FROM %2").arg(cols.join(','), t.table));
            while (q.next()) {
                QVariantList v;
                for (int i = 0; i < cols.size(); ++i) v.append(q.value(i).toString());
                existing.insert(lower(v[0].toString()), v);
                nameOwner.insert(lower(v[1].toString()), v[0].toString());
            }
        }
        QHash<QString, int> seenCodes, seenNames;
        QList<QVariantList> adds;
        for (int r = 0; r < dataRows(); ++r) {
            tick(r);
            if (skipped(r)) continue;
            bool good = checkCells(r);
            const QString code = cell(r, "code"), name = cell(r, "name");
            if (!code.isEmpty()) duplicateInFile(r, "code", code, seenCodes);
            if (!name.isEmpty()) duplicateInFile(r, "name", name, seenNames);
            if (!good) continue;
            const QString owner = nameOwner.value(lower(name));
            if (!owner.isEmpty() && lower(owner) != lower(code)) {
                problem(r, "name", name, QStringLiteral("名称已被%1 %2 使用").arg(t.word, owner));
                continue;
            }
            QVariantList row{code, name};
            for (const QString& c : Master::partnerColumns()) row.append(optionalText(cell(r, c)));
            auto it = existing.find(lower(code));
            if (it == existing.end()) {
                adds.append(row);
                ++m_result.counts.added;
                continue;
            }
            update(r, t.table, t.codeColumn, cols, *it, row, Master::partnerColumns());
        }
        m_inserts.insert(t.table, adds);
        m_insertColumns.insert(t.table, cols);
    }

    struct StockLine {
        QString warehouse, item, colour, size, grade;
        double qty = 0, price = 0;
    };

    void openingStock() {
        Dict warehouses;
        warehouses.load("kesp_warehouse_ini", "warehouse", "warehouse_name");
        Variants v;
        v.load();
        const int staged = Staging::count(LineKind::StockIn);
        if (staged > 0)
            problem(-1, QString(), QString(),
                    QStringLiteral("入库操作中还有 %1 条未过帐的记录，请先过帐或删除后再导入期初库存").arg(staged));
        QSet<QString> sealed;
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT DISTINCT warehouse FROM kesp_check_set"));
            while (q.next()) sealed.insert(lower(q.value(0).toString()));
        }
        for (int r = 0; r < dataRows(); ++r) {
            tick(r);
            if (skipped(r)) continue;
            bool good = checkCells(r);
            StockLine line;
            const auto wh = resolve(r, "warehouse", warehouses, {}, {}, {}, "仓库", false);
            const auto key = variantOf(r, v);
            line.qty = numberAt(r, "qty");
            line.price = numberAt(r, "price");
            good = good && wh && key;
            if (line.qty <= 0 && Numbers::parse(QString(cell(r, "qty")).remove(QLatin1Char(',')))) {
                problem(r, "qty", cell(r, "qty"), QStringLiteral("数量必须大于 0"));
                good = false;
            }
            if (line.price < 0) { // a price that is no number reads 0
                problem(r, "price", cell(r, "price"), QStringLiteral("价格不能小于 0"));
                good = false;
            }
            if (wh && sealed.contains(lower(*wh))) {
                problem(r, "warehouse", cell(r, "warehouse"), QStringLiteral("仓库正在盘点（已封帐）"));
                good = false;
            }
            if (!good) continue;
            line.warehouse = *wh;
            line.item = key->item;
            line.colour = key->attr;
            line.size = key->size;
            line.grade = key->stage;
            m_lines.append(line);
            ++m_result.counts.added;
        }
        m_names[QStringLiteral("warehouse")] = warehouses.names;
        m_names[QStringLiteral("attr")] = v.colours.names;
        m_names[QStringLiteral("size")] = v.sizes.names;
        m_names[QStringLiteral("stage")] = v.grades.names;
    }

    // The variant a row names by item, colour, size and grade; nothing (with the problems told)
    // when one of them is unknown.
    struct Variants {
        Dict items, colours, sizes, grades;
        void load() {
            items.load("kesp_item_master", "item_code", "item_name");
            colours.load("kesp_item_attr", "attr_code", "attr_name");
            sizes.load("kesp_item_size", "size_code", "size_name");
            grades.load("kesp_item_stage", "stage_code", "stage_name");
        }
    };
    // The item a row names by its code (items are never made on the way).
    std::optional<QString> itemAt(int r, const Variants& v) {
        const QString text = cell(r, "item_code");
        if (auto it = v.items.byCode.find(lower(text)); it != v.items.byCode.end()) return *it;
        if (!text.isEmpty()) problem(r, "item_code", text, QStringLiteral("项目不存在"));
        return std::nullopt;
    }
    std::optional<Barcodes::Key> variantOf(int r, Variants& v) {
        const auto item = itemAt(r, v);
        const auto colour = resolve(r, "colour", v.colours, "kesp_item_attr", "attr_code", "attr_name", "颜色", true);
        const auto size = resolve(r, "size", v.sizes, "kesp_item_size", "size_code", "size_name", "尺寸", true);
        const auto grade = resolve(r, "grade", v.grades, "kesp_item_stage", "stage_code", "stage_name", "等级", true);
        if (!item || !colour || !size || !grade) return std::nullopt;
        return Barcodes::Key{*item, *colour, *size, *grade};
    }
    static QString keyText(const Barcodes::Key& k) {
        return lower(k.item) + '\x1f' + lower(k.attr) + '\x1f' + lower(k.size) + '\x1f' + lower(k.stage);
    }

    // The rows the database holds for codes of the file, read in statements of many codes each.
    static QHash<QString, Barcodes::Key> storedCodes(const QStringList& codes) {
        QHash<QString, Barcodes::Key> out;
        for (int start = 0; start < codes.size(); start += 500) {
            const QStringList part = codes.mid(start, 500);
            QVariantList params(part.begin(), part.end());
            QSqlQuery q = Sql::run(QStringLiteral("SELECT barcode, item_code, attr_code, size_code, stage_code "
                                                  "FROM kesp_item_barcode WHERE barcode IN (%1)")
                                       .arg(QStringList(part.size(), QStringLiteral("?")).join(',')),
                                   params);
            while (q.next())
                out.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString(),
                                                   q.value(3).toString(), q.value(4).toString()});
        }
        return out;
    }

    void barcodes() {
        Variants v;
        v.load();
        QStringList codes;
        for (int r = 0; r < dataRows(); ++r)
            if (!skipped(r)) codes << cell(r, "barcode");
        const QHash<QString, Barcodes::Key> stored = storedCodes(codes);
        QHash<QString, int> seen; // codes keep their letter case: compared as they are
        QList<QVariantList> adds;
        const QString user = Session::userCode(), today = Dates::today();
        for (int r = 0; r < dataRows(); ++r) {
            tick(r);
            if (skipped(r)) continue;
            bool good = checkCells(r);
            const QString code = cell(r, "barcode");
            Barcodes::Checked checked;
            if (!code.isEmpty()) {
                checked = Barcodes::check(code);
                if (!checked.ok()) {
                    problem(r, "barcode", code, checked.message);
                    good = false;
                } else if (auto it = seen.find(code); it != seen.end()) {
                    problem(r, "barcode", code, QStringLiteral("与文件第 %1 行重复").arg(sheetRow(*it)));
                    good = false;
                } else {
                    seen.insert(code, r);
                }
            }
            const auto key = variantOf(r, v);
            if (!good || !key) continue;
            auto it = stored.find(code);
            if (it == stored.end()) {
                adds.append({code, key->item, key->attr, key->size, key->stage, Barcodes::kindName(checked.kind), user,
                             today});
                ++m_result.counts.added;
            } else if (keyText(*it) == keyText(*key)) {
                ++m_result.counts.unchanged;
            } else if (!m_options.update) {
                problem(r, "barcode", code, Barcodes::takenMessage(code));
            } else {
                ++m_result.counts.changed;
                m_updates.append({QStringLiteral("UPDATE kesp_item_barcode SET item_code=?, attr_code=?, size_code=?, "
                                                 "stage_code=?, login_id=?, operation_date=? WHERE barcode=?"),
                                  {key->item, key->attr, key->size, key->stage, user, today, code}});
            }
        }
        m_inserts.insert(QStringLiteral("kesp_item_barcode"), adds);
        m_insertColumns.insert(QStringLiteral("kesp_item_barcode"),
                               {"barcode", "item_code", "attr_code", "size_code", "stage_code", "barcode_kind",
                                "login_id", "operation_date"});
    }

    void stockLevels() {
        Dict warehouses;
        warehouses.load("kesp_warehouse_ini", "warehouse", "warehouse_name");
        Variants v;
        v.load();
        QHash<QString, QPair<double, double>> existing; // folded key -> min, max
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT warehouse, item_code, attr_code, size_code, min_qty, max_qty "
                                                  "FROM kesp_stock_level"));
            while (q.next())
                existing.insert(levelKey({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                          q.value(3).toString()}),
                                {q.value(4).toDouble(), q.value(5).toDouble()});
        }
        QHash<QString, bool> operable; // folded warehouse -> the user works in it
        QHash<QString, int> seen;
        QList<QVariantList> adds;
        const QString user = Session::userCode(), today = Dates::today();
        for (int r = 0; r < dataRows(); ++r) {
            tick(r);
            if (skipped(r)) continue;
            bool good = checkCells(r);
            const auto wh = resolve(r, "warehouse", warehouses, {}, {}, {}, "仓库", false);
            const auto item = itemAt(r, v);
            QString colour(""), size(""); // every colour, every size (never a null text: bound as NULL)
            if (!cell(r, "colour").isEmpty()) {
                const auto c = resolve(r, "colour", v.colours, "kesp_item_attr", "attr_code", "attr_name", "颜色", true);
                good = good && c;
                colour = c.value_or(colour);
            }
            if (!cell(r, "size").isEmpty()) {
                const auto s = resolve(r, "size", v.sizes, "kesp_item_size", "size_code", "size_name", "尺寸", true);
                good = good && s;
                size = s.value_or(size);
            }
            if (!good || !wh || !item) continue;
            if (!operable.contains(lower(*wh)))
                operable.insert(lower(*wh), Rights::access(*wh) == Rights::Access::Operate);
            if (!operable.value(lower(*wh))) {
                problem(r, "warehouse", cell(r, "warehouse"), Rights::Refused::message(QStringLiteral("仓库 ") + *wh));
                continue;
            }
            const double minQty = numberAt(r, "min_qty"), maxQty = numberAt(r, "max_qty");
            if (minQty < 0) {
                problem(r, "min_qty", cell(r, "min_qty"), QStringLiteral("下限不能小于 0"));
                continue;
            }
            if (maxQty < minQty) {
                problem(r, "max_qty", cell(r, "max_qty"), StockLevels::MaxBelowMinMessage);
                continue;
            }
            const QStringList k{*wh, *item, colour, size};
            const QString folded = levelKey(k);
            if (auto it = seen.find(folded); it != seen.end()) {
                problem(r, "item_code", cell(r, "item_code"), QStringLiteral("与文件第 %1 行重复").arg(sheetRow(*it)));
                continue;
            }
            seen.insert(folded, r);
            auto it = existing.find(folded);
            if (it == existing.end()) {
                adds.append({*wh, *item, colour, size, minQty, maxQty, user, today});
                ++m_result.counts.added;
            } else if ((it->first == minQty && it->second == maxQty) || !m_options.update) {
                ++m_result.counts.unchanged;
            } else {
                ++m_result.counts.changed;
                m_updates.append({QStringLiteral("UPDATE kesp_stock_level SET min_qty=?, max_qty=?, login_id=?, "
                                                 "operation_date=? WHERE warehouse=? AND item_code=? AND attr_code=? "
                                                 "AND size_code=?"),
                                  {minQty, maxQty, user, today, *wh, *item, colour, size}});
            }
        }
        m_inserts.insert(StockLevels::Table, adds);
        m_insertColumns.insert(StockLevels::Table, {"warehouse", "item_code", "attr_code", "size_code", "min_qty",
                                                    "max_qty", "login_id", "operation_date"});
    }
    static QString levelKey(const QStringList& parts) {
        QStringList folded;
        for (const QString& p : parts) folded << lower(p);
        return folded.join(QChar(0x1f));
    }

    struct Count {
        Barcodes::Key key;
        QString attrName, sizeName, stageName;
        double qty = 0;
    };

    void countSheet() {
        const QString warehouse = m_options.warehouse.isEmpty() ? Stocktake::standingSeal().value_or(QString())
                                                                : m_options.warehouse;
        if (warehouse.isEmpty() || !Stocktake::isSealedByUser(warehouse)) {
            problem(-1, QString(), warehouse, QStringLiteral("请先在“设置盘点”中封帐要盘点的仓库"));
            return;
        }
        m_countWarehouse = warehouse;
        Variants v;
        v.load();
        QStringList codes;
        for (int r = 0; r < dataRows(); ++r)
            if (!skipped(r) && !cell(r, "barcode").isEmpty()) codes << cell(r, "barcode");
        const QHash<QString, Barcodes::Key> stored = storedCodes(codes);
        QHash<QString, int> byKey; // key -> index in m_counts: a key counted on several rows adds up
        for (int r = 0; r < dataRows(); ++r) {
            tick(r);
            if (skipped(r)) continue;
            bool good = checkCells(r);
            std::optional<Barcodes::Key> key;
            const QString code = cell(r, "barcode");
            if (!code.isEmpty() && cell(r, "item_code").isEmpty()) {
                if (auto it = stored.find(code); it != stored.end()) key = *it;
                else problem(r, "barcode", code, QStringLiteral("未知条码"));
            } else if (cell(r, "item_code").isEmpty()) {
                problem(r, "item_code", QString(), QStringLiteral("请填写项目代码或条码"));
            } else {
                for (const char* k : {"colour", "size", "grade"})
                    if (cell(r, k).isEmpty()) problem(r, k, QString(), QStringLiteral("不能为空"));
                key = variantOf(r, v);
            }
            const double qty = numberAt(r, "qty");
            if (qty < 0) {
                problem(r, "qty", cell(r, "qty"), QStringLiteral("盘点数量不能小于 0"));
                good = false;
            }
            if (!good || !key) continue;
            const QString k = keyText(*key);
            if (auto it = byKey.find(k); it != byKey.end()) {
                m_counts[*it].qty = Numbers::round3(m_counts[*it].qty + qty);
                continue;
            }
            byKey.insert(k, int(m_counts.size()));
            m_counts.append({*key, v.colours.names.value(key->attr), v.sizes.names.value(key->size),
                             v.grades.names.value(key->stage), qty});
        }
        // New and changed count rows: keys the user's count of the warehouse holds already.
        QSet<QString> held;
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT item_code, attr_code, size_code, stage_code FROM kesp_check_temp "
                                                  "WHERE login_id=? AND warehouse=?"),
                                   {Session::userCode(), warehouse});
            while (q.next())
                held.insert(keyText({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                     q.value(3).toString()}));
        }
        for (const Count& c : m_counts) {
            if (held.contains(keyText(c.key))) ++m_result.counts.changed;
            else ++m_result.counts.added;
        }
    }

    void writeCounts() {
        for (const Count& c : m_counts) {
            StagedItem item;
            item.itemCode = c.key.item;
            item.attrCode = c.key.attr;
            item.attrName = c.attrName;
            item.sizeCode = c.key.size;
            item.sizeName = c.sizeName;
            item.stageCode = c.key.stage;
            item.stageName = c.stageName;
            Stocktake::scan(m_countWarehouse, item, c.qty, m_options.replaceCounts);
        }
    }

    // The operation type of opening stock: found by name among the stock-in types, else made.
    static QPair<QString, QString> openingType() {
        const QVariant code = Sql::scalar(
            QStringLiteral("SELECT operation_code FROM kesp_operation_ini WHERE operation_name=? AND i_o_flag='i' ORDER BY operation_code"),
            {OpeningTypeName});
        if (code.isValid()) return {code.toString(), OpeningTypeName};
        QString c = QStringLiteral("i_q");
        for (int n = 1; Sql::exists(QStringLiteral("SELECT 1 FROM kesp_operation_ini WHERE operation_code=?"), {c}); ++n)
            c = QStringLiteral("i_q%1").arg(n);
        Sql::run(QStringLiteral("INSERT INTO kesp_operation_ini(operation_code, operation_name, i_o_flag) VALUES (?,?,'i')"),
                 {c, OpeningTypeName});
        return {c, OpeningTypeName};
    }

    // One bill number per warehouse: "QC", the date as yyMMdd and a running two digits.
    static QString freeBillNo(QSet<QString>& taken) {
        const QString day = QDate::currentDate().toString(QStringLiteral("yyMMdd"));
        for (int n = 1; n < 100; ++n) {
            const QString b = QStringLiteral("QC%1%2").arg(day).arg(n, 2, 10, QLatin1Char('0'));
            if (taken.contains(b) || OrderNumbers::billNoUsed(b)) continue;
            taken.insert(b);
            return b;
        }
        throw DbError(QStringLiteral("今天的期初入库单号已用完"));
    }

    void postOpeningStock() {
        if (m_lines.isEmpty()) return;
        const auto [typeCode, typeName] = openingType();
        // Item details the staged line carries.
        QHash<QString, QStringList> itemRows;
        {
            QSqlQuery q = Sql::run(QStringLiteral("SELECT item_code, item_name, item_model, item_spec, arrage_code_b, "
                                                  "arrage_name_b, arrage_code_s, arrage_name_s FROM kesp_item_master"));
            while (q.next()) {
                QStringList v;
                for (int i = 0; i < 8; ++i) v.append(q.value(i).toString());
                itemRows.insert(lower(v[0]), v);
            }
        }
        QHash<QString, QString> bills;
        QSet<QString> taken;
        for (const StockLine& l : m_lines)
            if (!bills.contains(lower(l.warehouse))) bills.insert(lower(l.warehouse), freeBillNo(taken));
        const QString user = Session::userCode();
        const QString today = Dates::today();
        OrderNumbers::stageWithNumbers(int(m_lines.size()), [&](const QStringList& orderNos) {
            for (int i = 0; i < m_lines.size(); ++i) {
                const StockLine& l = m_lines[i];
                const QStringList it = itemRows.value(lower(l.item));
                Staging::insert({{"item_code", it[0]},
                                 {"item_name", it[1]},
                                 {"item_model", it[2]},
                                 {"item_spec", it[3]},
                                 {"arrage_code_b", it[4]},
                                 {"arrage_name_b", it[5]},
                                 {"arrage_code_s", it[6]},
                                 {"arrage_name_s", it[7]},
                                 {"attr_code", l.colour},
                                 {"attr_name", m_names["attr"].value(l.colour)},
                                 {"size_code", l.size},
                                 {"size_name", m_names["size"].value(l.size)},
                                 {"stage_code", l.grade},
                                 {"stage_name", m_names["stage"].value(l.grade)},
                                 {"price", l.price},
                                 {"qty", l.qty},
                                 {"bill_no", bills.value(lower(l.warehouse))},
                                 {"operation_code", typeCode},
                                 {"operation_name", typeName},
                                 {"warehouse", l.warehouse},
                                 {"warehouse_name", m_names["warehouse"].value(l.warehouse)},
                                 {"procure_date", today},
                                 {"vendor", QVariant()},
                                 {"vendor_name", QVariant()},
                                 {"order_no", orderNos[i]},
                                 {"login_id", user},
                                 {"operation_date", today},
                                 {"operation_time", Dates::timeOfDay()}});
            }
        });
        Posting::post(LineKind::StockIn);
    }

    Kind m_kind;
    const Sheet& m_sheet;
    const Layout& m_layout;
    Options m_options;
    Progress m_progress;
    QList<Field> m_fields;
    Check m_result;
    QList<NewMaster> m_newMasters;
    QHash<QString, QList<QVariantList>> m_inserts;
    QHash<QString, QStringList> m_insertColumns;
    QList<QPair<QString, QVariantList>> m_updates;
    QList<StockLine> m_lines;
    QHash<QString, QHash<QString, QString>> m_names;
    QList<Count> m_counts;
    QString m_countWarehouse;
};

} // namespace

Check check(Kind kind, const Sheet& sheet, const Layout& layout, const Options& options, const Progress& progress) {
    return Plan(kind, sheet, layout, options, progress).build();
}

Check run(Kind kind, const Sheet& sheet, const Layout& layout, const Options& options, const Progress& progress) {
    Transaction tx;
    Rights::require(Command);
    if (kind == Kind::StockLevels) Rights::require(StockLevels::Command); // the levels' own right as well
    Plan plan(kind, sheet, layout, options, progress);
    const Check result = plan.build();
    if (!result.ok()) return result;
    plan.write();
    Audit::record({Command, {}, kindName(kind), {},
                   Audit::json({{QStringLiteral("kind"), kindName(kind)},
                                {QStringLiteral("added"), result.counts.added},
                                {QStringLiteral("changed"), result.counts.changed},
                                {QStringLiteral("unchanged"), result.counts.unchanged},
                                {QStringLiteral("masters"), result.counts.masters}}),
                   {}, {}});
    tx.commit();
    return result;
}

bool writeTemplate(Kind kind, const QString& path, QString* error) {
    std::unique_ptr<TableFile::Writer> w = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                               ? TableFile::csvWriter()
                                               : TableFile::xlsxWriter(2);
    QList<TableFile::Column> columns;
    for (const Field& f : fields(kind)) columns.append({f.caption, 90, {}, false});
    if (!w->begin(path, {}, columns)) {
        if (error) *error = w->error();
        return false;
    }
    for (const QStringList& r : exampleRows(kind)) {
        QVector<QVariant> cells;
        for (int i = 0; i < columns.size(); ++i) cells.append(i < r.size() ? QVariant(r[i]) : QVariant(QString()));
        w->row(cells);
    }
    if (!w->commit()) {
        if (error) *error = w->error();
        return false;
    }
    return true;
}

} // namespace Import
