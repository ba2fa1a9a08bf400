#pragma once
// The group summary: the rows of the last stock or movement query cross-tabulated by two
// classifications. Rows are the distinct names of the row heading, columns the distinct names of
// the column heading in ascending order; each cell is the sum of its quantities, Row_sum the sum
// of the row.
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

// The rows a summary reads: a table (or view) and the condition that picks them.
struct Source {
    QString table;
    QString condition;
    QVariantList params;
};
// The current user's rows of kesp_inv_detail_tree_v_out.
Source workRows();
// The rows of a query window's own result (a temporary table of this connection) whose quantity
// is not 0: what the work rows would hold after the same query, read where they already are.
Source resultRows(const QString& table);
// What the summary windows read: the result of the query window that opened them while it is
// open, the user's work rows otherwise.
Source current();
// Makes `s` the current source for the lifetime of the object, then puts the previous one back.
class UseSource {
public:
    explicit UseSource(const Source& s);
    ~UseSource();
    UseSource(const UseSource&) = delete;
    UseSource& operator=(const UseSource&) = delete;

private:
    Source m_previous;
    bool m_had;
};

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

// Computes the crosstab of the current source's rows (column codes limited to the range when
// given) with one grouping statement. At most `maxColumns` value columns are laid out; row sums
// always count every value. Throws DbError.
Result build(const Heading& col, const Heading& row, const QString& fromCode, const QString& toCode,
             int maxColumns = 200);

// Distinct codes and names of the column heading in the current source, for the range fields;
// its values are the source's.
QString rangeListStatement(const Heading& col);
} // namespace Crosstab
