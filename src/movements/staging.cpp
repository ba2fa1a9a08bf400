#include "movements/staging.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"
#include "security/rights.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace Staging {

QString kindCondition(LineKind kind) {
    switch (kind) {
    // An ordinary line belongs to the direction of its operation type; a line whose type has been
    // deleted since it was staged stays with the screen that wrote its partner column.
    case LineKind::StockIn:
        return QStringLiteral("red_flag IS NULL AND operation_code NOT IN ('i_t','o_t') AND (operation_code IN "
                              "(SELECT operation_code FROM kesp_operation_ini WHERE i_o_flag='i') OR (vendor IS NOT NULL "
                              "AND operation_code NOT IN (SELECT operation_code FROM kesp_operation_ini)))");
    case LineKind::StockOut:
        return QStringLiteral("red_flag IS NULL AND operation_code NOT IN ('i_t','o_t') AND (operation_code IN "
                              "(SELECT operation_code FROM kesp_operation_ini WHERE i_o_flag='o') OR (customer IS NOT NULL "
                              "AND operation_code NOT IN (SELECT operation_code FROM kesp_operation_ini)))");
    case LineKind::InReversal:
        return QStringLiteral("red_flag='Y' AND operation_code='i_r'");
    case LineKind::OutReversal:
        return QStringLiteral("red_flag='Y' AND operation_code='o_r'");
    case LineKind::Transfer:
        return QStringLiteral("operation_code IN ('i_t','o_t')");
    }
    return QStringLiteral("1=0");
}

namespace {
double amount(const QString& column, const QVariant& value) {
    const QString label = column == QLatin1String("qty") ? QStringLiteral("数量") : QStringLiteral("价格");
    std::optional<double> v;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        v = Numbers::parse(value.toString());
    } else if (!value.isNull() && value.canConvert<double>()) {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (ok) v = d;
    }
    if (!v || !std::isfinite(*v)) throw DbError(QStringLiteral("%1不是有效的数值：%2").arg(label, value.toString()));
    if (!Numbers::inRange(*v))
        throw DbError(QStringLiteral("%1超出范围（±999,999,999.999）：%2").arg(label, value.toString()));
    return Numbers::round3(*v);
}
} // namespace

namespace {
QString valueOf(const Values& values, const QString& column) {
    const auto it = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == column; });
    return it == values.end() || it->second.isNull() ? QString() : it->second.toString();
}

// A code column of a staged line and the master record that must hold it.
struct MasterCode {
    const char* column;
    const char* table;
    const char* key;
    const char* caption;
};
const MasterCode masterCodes[] = {
    {"warehouse", "kesp_warehouse_ini", "warehouse", "仓库代码"},
    {"operation_code", "kesp_operation_ini", "operation_code", "操作类型"},
    {"vendor", "kesp_vendor_ini", "vendor", "供应商代码"},
    {"customer", "kesp_customer_ini", "customer", "客户代码"},
    {"arrage_code_b", "kesp_item_arrage_b", "arrage_code_b", "大类"},
    {"arrage_code_s", "kesp_item_arrage_s", "arrage_code_s", "小类"},
    {"item_code", "kesp_item_master", "item_code", "项目代码"},
    {"attr_code", "kesp_item_attr", "attr_code", "属性"},
    {"size_code", "kesp_item_size", "size_code", "尺寸"},
    {"stage_code", "kesp_item_stage", "stage_code", "等级"},
    {"warehouse_a", "kesp_warehouse_ini", "warehouse", "仓库代码"},
};
} // namespace

namespace {
// The statement that tells which codes of a line no master record holds (empty when none are
// given), and the columns it tests in its order.
Sql::Bound unknownCodeStatement(const Values& values, bool itemInCategories, QList<const MasterCode*>& checked) {
    QStringList tests;
    QVariantList params;
    for (const MasterCode& m : masterCodes) {
        const QString code = valueOf(values, QLatin1String(m.column));
        if (code.isEmpty()) continue;
        QString cond = QStringLiteral("%1=?").arg(QLatin1String(m.key));
        params << code;
        const QString col = QLatin1String(m.column);
        if (col == QLatin1String("arrage_code_s")) {
            // A small category belongs to its big one.
            cond += QStringLiteral(" AND arrage_code_b=?");
            params << valueOf(values, QStringLiteral("arrage_code_b"));
        } else if (col == QLatin1String("item_code") && itemInCategories) {
            cond += QStringLiteral(" AND arrage_code_b=? AND arrage_code_s=?");
            params << valueOf(values, QStringLiteral("arrage_code_b")) << valueOf(values, QStringLiteral("arrage_code_s"));
        } else if (col == QLatin1String("operation_code")) {
            // A type of the other direction would post with the other sign.
            const bool in = !valueOf(values, QStringLiteral("vendor")).isEmpty();
            const bool out = !valueOf(values, QStringLiteral("customer")).isEmpty();
            if (in != out) {
                cond += QStringLiteral(" AND i_o_flag=?");
                params << (in ? QStringLiteral("i") : QStringLiteral("o"));
            }
        }
        tests << QStringLiteral("CASE WHEN EXISTS(SELECT 1 FROM %1 WHERE %2) THEN 1 ELSE 0 END")
                     .arg(QLatin1String(m.table), cond);
        checked << &m;
    }
    if (tests.isEmpty()) return {};
    return {QStringLiteral("SELECT ") + tests.join(QLatin1Char(',')), params};
}

UnknownCode unknownOf(QSqlQuery& q, const QList<const MasterCode*>& checked) {
    if (!q.next()) return {};
    for (int i = 0; i < checked.size(); ++i)
        if (q.value(i).toInt() == 0)
            return {QLatin1String(checked[i]->column), QString::fromUtf8(checked[i]->caption) + QStringLiteral(" 不存在")};
    return {};
}
} // namespace

UnknownCode unknownCode(const Values& values, bool itemInCategories) {
    QList<const MasterCode*> checked;
    const Sql::Bound check = unknownCodeStatement(values, itemInCategories, checked);
    if (check.sql.isEmpty()) return {};
    QSqlQuery q = Sql::run(check.sql, check.params);
    return unknownOf(q, checked);
}

QString commandOf(LineKind kind) {
    switch (kind) {
    case LineKind::StockIn: return QStringLiteral("CC10");
    case LineKind::StockOut: return QStringLiteral("DD10");
    case LineKind::InReversal: return QStringLiteral("CC20");
    case LineKind::OutReversal: return QStringLiteral("DD20");
    case LineKind::Transfer: return QStringLiteral("CC30");
    }
    return {};
}

LineKind kindOf(const Values& values) {
    const QString op = valueOf(values, QStringLiteral("operation_code"));
    if (op == QLatin1String("i_r")) return LineKind::InReversal;
    if (op == QLatin1String("o_r")) return LineKind::OutReversal;
    if (op == QLatin1String("i_t") || op == QLatin1String("o_t")) return LineKind::Transfer;
    return valueOf(values, QStringLiteral("customer")).isEmpty() ? LineKind::StockIn : LineKind::StockOut;
}

void insert(const Values& values) {
    // Every part of the stock key must be there: a NULL part would never match its balance row.
    static const QStringList key = {"warehouse", "item_code", "attr_code", "size_code", "stage_code"};
    for (const QString& part : key)
        if (valueOf(values, part).trimmed().isEmpty()) throw DbError(QStringLiteral("库存键 %1 不能为空").arg(part));
    QStringList cols, marks;
    QVariantList params;
    for (const auto& [col, value] : values) {
        cols << col;
        marks << QStringLiteral("?");
        QVariant v = value;
        if (col == QLatin1String("price") || col == QLatin1String("qty")) {
            v = amount(col, value);
        } else if ((col == QLatin1String("item_model") || col == QLatin1String("item_spec")) &&
                   value.toString().isEmpty()) {
            v = QVariant(QMetaType(QMetaType::QString));
        }
        params << v;
    }
    // A code in no master list would leave balances and history of a record that does not exist:
    // checked by the statement sent with the insert (one round trip to a server), as is the user's
    // right to the command and the warehouses; the transaction takes the insert back when either
    // check fails.
    const QString command = commandOf(kindOf(values));
    QStringList warehouses{valueOf(values, QStringLiteral("warehouse"))};
    if (const QString other = valueOf(values, QStringLiteral("warehouse_a")); !other.isEmpty()) warehouses << other;
    warehouses.removeAll(QString());
    QList<const MasterCode*> checked;
    QList<Sql::Bound> statements{unknownCodeStatement(values, false, checked),
                                 Rights::requireStatement(command, warehouses)};
    statements.append({QStringLiteral("INSERT INTO kesp_post_temp_a(%1) VALUES (%2)").arg(cols.join(','), marks.join(',')),
                       params});
    Transaction tx;
    Sql::runAll(statements, [&](qsizetype i, QSqlQuery& q) {
        if (i == 0) {
            if (const UnknownCode unknown = unknownOf(q, checked); unknown.found()) throw DbError(unknown.message);
        } else if (i == 1) {
            Rights::checkRequired(q, command, warehouses);
        }
    });
    tx.commit();
}

QString gridStatement(LineKind kind) {
    const QString cond = kind == LineKind::Transfer ? QStringLiteral("operation_code='i_t'") : kindCondition(kind);
    return QStringLiteral("SELECT * FROM kesp_post_temp_a WHERE login_id=? AND ") + cond;
}

QVariantList gridParams() { return {Session::userCode()}; }

QString countStatement(LineKind kind) {
    return QStringLiteral("SELECT count(*) FROM kesp_post_temp_a WHERE login_id=? AND ") + kindCondition(kind);
}

int count(LineKind kind) { return Sql::scalar(countStatement(kind), gridParams()).toInt(); }

bool deleteLine(const QString& orderNo) {
    return Sql::run(QStringLiteral("DELETE FROM kesp_post_temp_a WHERE order_no=? AND login_id=?"),
                    {orderNo, Session::userCode()})
               .numRowsAffected() > 0;
}

void discard(LineKind kind) {
    Sql::run(QStringLiteral("DELETE FROM kesp_post_temp_a WHERE login_id=? AND ") + kindCondition(kind),
             {Session::userCode()});
}

} // namespace Staging
