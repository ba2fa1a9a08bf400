#include "masterdata/master_repo.h"

#include "data/sql.h"

#include <QStringList>

namespace MasterRepo {

namespace {
QString conditions(const Values& match, const QString& joiner, QVariantList& params) {
    QStringList parts;
    for (const auto& [column, value] : match) {
        parts << column + QStringLiteral("=?");
        params << value;
    }
    return parts.join(joiner);
}
} // namespace

bool existsAll(const QString& table, const Values& match) {
    QVariantList params;
    const QString where = conditions(match, QStringLiteral(" AND "), params);
    return Sql::exists(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(table, where), params);
}

bool existsAny(const QString& table, const Values& match) {
    QVariantList params;
    const QString where = conditions(match, QStringLiteral(" OR "), params);
    return Sql::exists(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(table, where), params);
}

void insert(const QString& table, const Values& values) {
    QStringList cols, marks;
    QVariantList params;
    for (const auto& [column, value] : values) {
        cols << column;
        marks << QStringLiteral("?");
        params << value;
    }
    Sql::run(QStringLiteral("INSERT INTO %1(%2) VALUES (%3)").arg(table, cols.join(','), marks.join(',')), params);
}

void update(const QString& table, const Values& values, const Values& where) {
    QStringList sets;
    QVariantList params;
    for (const auto& [column, value] : values) {
        sets << column + QStringLiteral("=?");
        params << value;
    }
    const QString cond = conditions(where, QStringLiteral(" AND "), params);
    Sql::run(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(','), cond), params);
}

int remove(const QString& table, const Values& where) {
    QVariantList params;
    const QString cond = conditions(where, QStringLiteral(" AND "), params);
    return Sql::run(QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, cond), params).numRowsAffected();
}

QString trimmed(const QString& s) {
    int b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32) ++b;
    while (e > b && s[e - 1].unicode() <= 32) --e;
    return s.mid(b, e - b);
}

QVariant optional(const QString& typed) {
    if (typed.isEmpty()) return QVariant(QMetaType(QMetaType::QString));
    return trimmed(typed);
}

} // namespace MasterRepo
