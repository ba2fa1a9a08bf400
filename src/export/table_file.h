#pragma once
// Writes a table of rows to a CSV or XLSX file as a stream: a heading, the column captions, the
// rows one by one and a last row of sums. Nothing appears under the chosen name before the writer
// commits; a discarded or failed file leaves no trace there.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

namespace TableFile {

struct Column {
    QString caption;
    int width = 0;  // pixels on screen; 0: a default width
    QString format; // display pattern of numbers ("#,##0.##", "0.00#"); empty: as stored
    bool checkBox = false;
};

struct Heading {
    QString title;     // the window caption
    QStringList lines; // the filter values used, "仓库：01 总仓"
};

// Cells of the footer row: a number shown with `pattern`, a label ("合计"), or nothing.
struct FooterCell {
    QVariant value;
    QString pattern;
    QString label; // written where there is no value
};

// True for the values written as numbers; texts (codes such as "007") stay texts.
bool isNumber(const QVariant& v);
// A cell as text, the way a list shows it: numbers in the column's pattern, check boxes as "√".
// `grouping` false leaves out thousands separators (for files that are read again).
QString cellText(const QVariant& v, const Column& c, bool grouping = true);
// A text as a CSV cell that a spreadsheet program keeps as text: one that it would take for a
// formula (beginning with "=", "+", "-", "@", a tab or a carriage return) gets a leading apostrophe.
QString inertText(const QString& text);
// A date as the program stores it ("2026/12/09"); an invalid date for any other text.
QDate storedDate(const QVariant& v);
// A display pattern as a spreadsheet number format: literal text quoted, "#,##0.##" kept.
QString spreadsheetFormat(const QString& pattern);

class Writer {
public:
    virtual ~Writer() = default;
    // Opens the file to be written at `path`. False with error() when it cannot be written.
    virtual bool begin(const QString& path, const Heading& heading, const QList<Column>& columns) = 0;
    // One row, a cell per column in column order.
    virtual void row(const QVector<QVariant>& cells) = 0;
    // The last row: sums under their columns.
    virtual void footer(const QVector<FooterCell>& cells) = 0;
    // Puts the finished file under its name. False with error() when that failed.
    virtual bool commit() = 0;
    // Drops what was written; nothing is left under the name.
    virtual void discard() = 0;
    QString error() const { return m_error; }

protected:
    QString m_error;
};

// A plain table (no heading): UTF-8 with a byte-order mark, comma-separated, CRLF line ends,
// fields quoted where needed, texts never read as formulas.
std::unique_ptr<Writer> csvWriter();
// An Excel workbook written row by row, captions frozen above the rows; texts are strings (never
// formulas), dates are dates shown "yyyy/mm/dd". A table of up to SharedStringCells cells
// (`expectedRows` × columns; unknown: -1) keeps its texts in the workbook's shared string table,
// as spreadsheet programs write them and every reader takes them; a larger one is written in
// constant memory with its texts inline.
inline constexpr qint64 SharedStringCells = 1000000;
std::unique_ptr<Writer> xlsxWriter(qint64 expectedRows = -1);

} // namespace TableFile
