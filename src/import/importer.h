#pragma once
// Bringing a business in from a spreadsheet: the kinds of rows, the columns each kind reads, the
// check of a whole file (every problem at once, nothing written) and the import in one
// transaction (all rows or none).
#include "import/sheet_reader.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace Import {

enum class Kind { Items, Barcodes, Vendors, Customers, OpeningStock, CountSheet, StockLevels };

struct Field {
    QString key;         // what the importer calls the column
    QString caption;     // the template's caption
    QStringList aliases; // further captions taken for it (those the program's own lists export)
    bool required = false;
    int maxLength = 50;  // 0: a number
};

QList<Kind> kinds();
QString kindName(Kind kind);       // "商品资料", ...
QList<Field> fields(Kind kind);
QList<QStringList> exampleRows(Kind kind); // the two rows of the template

// Which sheet row holds the captions and which column each field reads (-1: none).
struct Layout {
    int headerRow = 0;
    QStringList header;
    QHash<QString, int> columns; // field key -> column
    int column(const QString& key) const { return columns.value(key, -1); }
};
// The caption row (the first of the first ten rows naming two or more fields; else the first row)
// and the columns mapped by caption.
Layout detect(Kind kind, const Sheet& sheet);

struct Options {
    bool autoCreate = false;   // "自动新增分类/单位": missing units, categories, colours, sizes, grades made
    bool update = false;       // existing records: "更新" (true) or "跳过"
    bool replaceCounts = false;// count sheet: replace the counted quantity instead of adding to it
    QString warehouse;         // count sheet: the sealed warehouse counted
};

struct Problem {
    int row = 0;       // the row as the spreadsheet numbers it (first row 1)
    QString column;    // caption of the column
    QString value;
    QString message;
};

struct Counts {
    int added = 0;
    int changed = 0;
    int unchanged = 0; // existing and equal, or skipped
    int masters = 0;   // units, categories, colours, sizes, grades made on the way
};

struct Check {
    QList<Problem> problems;
    Counts counts;
    bool ok() const { return problems.isEmpty(); }
};

// Told how many data rows are done of how many; answers false to cancel.
using Progress = std::function<bool(int done, int total)>;

class Cancelled : public std::exception {};

// Reads the whole file against the database and lists every problem; writes nothing.
Check check(Kind kind, const Sheet& sheet, const Layout& layout, const Options& options,
            const Progress& progress = {});
// Checks again and, without a problem, writes every row in one transaction. Returns the counts;
// with problems returns them unwritten. Throws DbError (nothing written) when the database fails
// and Cancelled when the progress answered false.
Check run(Kind kind, const Sheet& sheet, const Layout& layout, const Options& options,
          const Progress& progress = {});

// The command whose right an import needs.
inline const QString Command = QStringLiteral("AA50");

// The operation type opening stock is posted under ("期初入库", made on first use).
inline const QString OpeningTypeName = QStringLiteral("期初入库");

// Writes the template of a kind: its captions and two example rows. False with `error` set.
bool writeTemplate(Kind kind, const QString& path, QString* error);

} // namespace Import
