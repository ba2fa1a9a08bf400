#include "queries/crosstab.h"

#include "data/session.h"
#include "data/sql.h"

namespace Crosstab {

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
    return QStringLiteral("SELECT DISTINCT %1,%2 FROM kesp_inv_detail_tree_v_out WHERE login_id=? ORDER BY %1")
        .arg(col.code, col.name);
}

Result build(const Heading& col, const Heading& row, const QString& fromCode, const QString& toCode, int maxColumns) {
    if (!col.valid() || !row.valid()) throw DbError(QStringLiteral("分类样式无效"));
    const QString user = Session::userCode();
    {
        Transaction tx;
        Sql::run(QStringLiteral("DELETE FROM kesp_inv_detail_tree_v_out2 WHERE login_id=?"), {user});
        QString range;
        QVariantList params{user, user};
        if (!fromCode.isEmpty()) {
            range += QStringLiteral(" AND %1>=?").arg(col.code);
            params << fromCode;
        }
        if (!toCode.isEmpty()) {
            range += QStringLiteral(" AND %1<=?").arg(col.code);
            params << toCode;
        }
        Sql::run(QStringLiteral("INSERT INTO kesp_inv_detail_tree_v_out2(%1,%2,%3,%4,qty,login_id) "
                                "SELECT %1,%2,%3,%4,SUM(qty),? FROM kesp_inv_detail_tree_v_out WHERE login_id=?%5 "
                                "GROUP BY %2,%4,%1,%3")
                     .arg(col.code, col.name, row.code, row.name, range),
                 params);
        tx.commit();
    }

    Result r;
    QVariantList values;
    {
        QSqlQuery q = Sql::run(QStringLiteral("SELECT DISTINCT %1 FROM kesp_inv_detail_tree_v_out2 WHERE login_id=? "
                                              "ORDER BY %1")
                                   .arg(col.name),
                               {user});
        while (q.next()) {
            ++r.totalColumns;
            if (values.size() < maxColumns) {
                values << q.value(0);
                r.columns << q.value(0).toString();
            }
        }
    }
    QString select = QStringLiteral("SELECT %1 AS c0, SUM(qty) AS c1").arg(row.name);
    QVariantList params;
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        if (v.isNull()) {
            select += QStringLiteral(", SUM(CASE WHEN %1 IS NULL THEN qty END) AS c%2").arg(col.name).arg(i + 2);
        } else {
            select += QStringLiteral(", SUM(CASE WHEN %1=? THEN qty END) AS c%2").arg(col.name).arg(i + 2);
            params << v;
        }
    }
    params << user;
    r.sql = select + QStringLiteral(" FROM kesp_inv_detail_tree_v_out2 WHERE login_id=? GROUP BY %1").arg(row.name);
    r.params = params;
    QSqlQuery q = Sql::run(r.sql + QStringLiteral(" ORDER BY c0"), params);
    while (q.next()) {
        Row x;
        x.name = q.value(0);
        x.sum = q.value(1).toDouble();
        for (int i = 0; i < values.size(); ++i) x.cells << q.value(2 + i);
        r.rows << x;
    }
    return r;
}

} // namespace Crosstab
