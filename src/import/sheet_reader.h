#pragma once
// Reads the first sheet of a spreadsheet file (XLSX, ODS) or a CSV file into rows of texts.
#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace Import {

class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// The encoding of a CSV file: Auto takes UTF-8 when the bytes are UTF-8 (with or without a byte
// order mark), else GB18030, the encoding older Chinese spreadsheet programs save.
enum class Encoding { Auto, Utf8, Gb18030 };

struct Sheet {
    QList<QStringList> rows; // every row of the sheet, cells as texts, trailing empty cells cut
};

// A number cell as its text: whole numbers without a decimal point or exponent ("6901234567892"),
// others with up to 15 significant digits.
QString numberText(double v);
// The text of bytes in the encoding (Auto as above); throws FileError for GB18030 without a
// converter.
QString decode(const QByteArray& bytes, Encoding encoding);
// Rows of a CSV text: comma separated, quoted cells with doubled quotes, line breaks in quotes.
// A leading apostrophe the program's own export put before a formula-like text is taken off.
QList<QStringList> parseCsv(const QString& text);
// Reads the file by its extension (.xlsx, .ods, .csv or .txt); throws FileError with a message
// for the user when the file cannot be read.
Sheet read(const QString& path, Encoding encoding = Encoding::Auto);

} // namespace Import
