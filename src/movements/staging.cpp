#include "movements/staging.h"

#include "data/numbers.h"
#include "data/session.h"
#include "data/sql.h"

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

void insert(const Values& values) {
    // Every part of the stock key must be there: a NULL part would never match its balance row.
    static const QStringList key = {"warehouse", "item_code", "attr_code", "size_code", "stage_code"};
    for (const QString& part : key) {
        const auto it = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == part; });
        if (it == values.end() || it->second.isNull() || it->second.toString().trimmed().isEmpty())
            throw DbError(QStringLiteral("库存键 %1 不能为空").arg(part));
    }
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
    Sql::run(QStringLiteral("INSERT INTO kesp_post_temp_a(%1) VALUES (%2)").arg(cols.join(','), marks.join(',')),
             params);
}

QString gridStatement(LineKind kind) {
    const QString cond = kind == LineKind::Transfer ? QStringLiteral("operation_code='i_t'") : kindCondition(kind);
    return QStringLiteral("SELECT * FROM kesp_post_temp_a WHERE login_id=? AND ") + cond;
}

QVariantList gridParams() { return {Session::userCode()}; }

int count(LineKind kind) {
    return Sql::scalar(QStringLiteral("SELECT count(*) FROM kesp_post_temp_a WHERE login_id=? AND ") + kindCondition(kind),
                       {Session::userCode()})
        .toInt();
}

void deleteLine(const QString& orderNo) {
    Sql::run(QStringLiteral("DELETE FROM kesp_post_temp_a WHERE order_no=?"), {orderNo});
}

void discard(LineKind kind) {
    Sql::run(QStringLiteral("DELETE FROM kesp_post_temp_a WHERE login_id=? AND ") + kindCondition(kind),
             {Session::userCode()});
}

} // namespace Staging
