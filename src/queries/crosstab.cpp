#include "queries/crosstab.h"

#include "data/session.h"
#include "data/sql.h"

#include <algorithm>
#include <optional>

namespace Crosstab {

namespace {
std::optional<Source> g_current;
}

Source workRows() {
    return {QStringLiteral("kesp_inv_detail_tree_v_out"), QStringLiteral("login_id=?"), {Session::userCode()}};
}

Source resultRows(const QString& table) { return {table, QStringLiteral("(qty<>0 OR qty IS NULL)"), {}}; }

Source current() { return g_current ? *g_current : workRows(); }

UseSource::UseSource(const Source& s) : m_previous(g_current.value_or(Source{})), m_had(g_current.has_value()) {
    g_current = s;
}

UseSource::~UseSource() {
    if (m_had) g_current = m_previous;
    else g_current.reset();
}

QStringList captions() {
    return {QStringLiteral("大类"), QStringLiteral("小类"), QStringLiteral("属性"),
            QStringLiteral("尺寸"), QStringLiteral("等级"), QStringLiteral("名称")};
}

Heading heading(const QString& caption) {
    static const QList<Heading> all = {{"大类", "arrage_code_b", "arrage_name_b"}, {"小类", "arrage_code_s", "arrage_name_s"},
                                       {"属性", "attr_code", "attr_name"},         {"尺寸", "size_code", "size_name"},
                                       {"等级", "stage_code", "stage_name"},       {"名称", "item_code", "item_name"}};
    for (const Heading& h : all)
        if (h.caption == caption) return h;
    return {};
}

QString rangeListStatement(const Heading& col) {
    const Source s = current();
    return QStringLiteral("SELECT DISTINCT %1,%2 FROM %3 WHERE %4 ORDER BY %1").arg(col.code, col.name, s.table, s.condition);
}

Result build(const Heading& col, const Heading& row, const QString& fromCode, const QString& toCode, int maxColumns) {
    if (!col.valid() || !row.valid()) throw DbError(QStringLiteral("分类样式无效"));
    // One grouping of the work rows by the two names gives every cell; the pivot is laid out here.
    const Source s = current();
    QString sql = QStringLiteral("SELECT %1, %2, SUM(qty) FROM %3 WHERE %4").arg(row.name, col.name, s.table, s.condition);
    QVariantList params = s.params;
    if (!fromCode.isEmpty()) {
        sql += QStringLiteral(" AND %1>=?").arg(col.code);
        params << fromCode;
    }
    if (!toCode.isEmpty()) {
        sql += QStringLiteral(" AND %1<=?").arg(col.code);
        params << toCode;
    }
    sql += QStringLiteral(" GROUP BY %1, %2 ORDER BY %1, %2").arg(row.name, col.name);

    struct Cell {
        int row;
        QVariant column;
        QVariant qty;
    };
    QVector<Cell> cells;
    QVariantList columnValues;
    Result r;
    {
        QSqlQuery q = Sql::run(sql, params);
        while (q.next()) {
            if (r.rows.isEmpty() || r.rows.last().name != q.value(0)) r.rows.append({q.value(0), 0, {}});
            r.rows.last().sum += q.value(2).toDouble();
            cells.append({int(r.rows.size()) - 1, q.value(1), q.value(2)});
            columnValues << q.value(1);
        }
    }
    // Column values in the engine's order of the name column: null first, then text without letter case.
    const auto before = [](const QVariant& a, const QVariant& b) {
        if (a.isNull() || b.isNull()) return a.isNull() && !b.isNull();
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) < 0;
    };
    std::sort(columnValues.begin(), columnValues.end(), before);
    const auto same = [](const QVariant& a, const QVariant& b) {
        return a.isNull() == b.isNull() && a.toString().compare(b.toString(), Qt::CaseInsensitive) == 0;
    };
    columnValues.erase(std::unique(columnValues.begin(), columnValues.end(), same), columnValues.end());
    r.totalColumns = columnValues.size();
    const int shown = std::min<int>(maxColumns, columnValues.size());
    for (int i = 0; i < shown; ++i) r.columns << columnValues[i].toString();
    for (Row& x : r.rows) x.cells.resize(shown);
    for (const Cell& c : cells) {
        const auto end = columnValues.begin() + shown;
        const auto at = std::lower_bound(columnValues.begin(), end, c.column, before);
        if (at != end && same(*at, c.column)) r.rows[c.row].cells[at - columnValues.begin()] = c.qty;
    }
    return r;
}

} // namespace Crosstab
