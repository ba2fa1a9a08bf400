#pragma once
// The group summary: the current user's work rows cross-tabulated by two classifications. Rows
// are the distinct names of the row heading, columns the distinct names of the column heading in
// ascending order; each cell is the sum of its quantities, Row_sum the sum of the row.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace Crosstab {
struct Heading {
    QString caption; // 大类, 小类, 属性, 尺寸, 等级, 名称
    QString code;    // code column of the work table
    QString name;    // name column
    bool valid() const { return !code.isEmpty(); }
};
QStringList captions();
Heading heading(const QString& caption);

struct Row {
    QVariant name;
    double sum = 0;
    QVector<QVariant> cells; // per column; null where the combination has no rows
};
struct Result {
    QStringList columns; // column heading values (names)
    int totalColumns = 0;
    QVector<Row> rows;
};

// Computes the crosstab of the user's work rows (column codes limited to the range when given)
// with one grouping statement. At most `maxColumns` value columns are laid out; row sums always
// count every value. Throws DbError.
Result build(const Heading& col, const Heading& row, const QString& fromCode, const QString& toCode,
             int maxColumns = 200);

// Distinct codes and names of the column heading in the work table, for the range fields.
QString rangeListStatement(const Heading& col);
} // namespace Crosstab
