#include "queries/query_builders.h"

#include "data/session.h"
#include "data/sql.h"

namespace QueryBuilders {

namespace {
Statement filtered(const QString& source, const Criteria& criteria) {
    Statement s{QStringLiteral("SELECT * FROM %1 WHERE 1=1").arg(source), {}};
    for (const auto& [column, value] : criteria) {
        if (value.isEmpty()) continue;
        s.sql += QStringLiteral(" AND %1=?").arg(column);
        s.params << value;
    }
    return s;
}
} // namespace

Statement stockQuery(const Criteria& criteria) { return filtered(QStringLiteral("kesp_inv_detail_tree_v"), criteria); }

Statement historyStockQuery(const Criteria& criteria) {
    return filtered(QStringLiteral("kesp_inv_history_detail_tree_v"), criteria);
}

Statement movementQuery(char direction, const Criteria& criteria, const QString& fromDate, const QString& toDate,
                        const QString& billFrom, const QString& billTo) {
    Statement s = filtered(QStringLiteral("kesp_post_history_v"), criteria);
    if (!billFrom.isEmpty()) {
        s.sql += QStringLiteral(" AND bill_no>=?");
        s.params << billFrom;
    }
    if (!billTo.isEmpty()) {
        s.sql += QStringLiteral(" AND bill_no<=?");
        s.params << billTo;
    }
    s.sql += QStringLiteral(" AND i_o_flag=? AND procure_date>=? AND procure_date<=?");
    s.params << QString(QChar::fromLatin1(direction)) << fromDate << toDate;
    return s;
}

QStringList stockWorkColumns() {
    return {"ID",        "warehouse",     "warehouse_name", "item_code",     "attr_code",     "size_code",
            "stage_code", "qty",          "item_name",      "item_model",    "item_spec",     "unit_code",
            "unit_name", "arrage_code_b", "arrage_name_b",  "arrage_code_s", "arrage_name_s", "attr_name",
            "size_name", "stage_name"};
}

QStringList movementWorkColumns() {
    return {"item_code", "item_name", "arrage_code_b", "arrage_name_b", "arrage_code_s", "arrage_name_s",
            "attr_code", "attr_name", "size_code",     "size_name",     "stage_code",    "stage_name",
            "warehouse", "warehouse_name", "qty"};
}

void refillWorkTable(const Statement& s, const QStringList& columns) {
    const QString user = Session::userCode();
    const QString cols = columns.join(',');
    Transaction tx;
    Sql::run(QStringLiteral("DELETE FROM kesp_inv_detail_tree_v_out WHERE login_id=?"), {user});
    QVariantList params{user};
    params += s.params;
    Sql::run(QStringLiteral("INSERT INTO kesp_inv_detail_tree_v_out(%1,login_id) SELECT %1,? FROM (%2) AS q")
                 .arg(cols, s.sql),
             params);
    Sql::run(QStringLiteral("DELETE FROM kesp_inv_detail_tree_v_out WHERE login_id=? AND qty=0"), {user});
    tx.commit();
}

int workRowCount() {
    return Sql::scalar(QStringLiteral("SELECT count(*) FROM kesp_inv_detail_tree_v_out WHERE login_id=?"),
                       {Session::userCode()})
        .toInt();
}

} // namespace QueryBuilders
