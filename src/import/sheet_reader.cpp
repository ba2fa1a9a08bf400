#include "import/sheet_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <orcus/csv_parser.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <iconv.h>

#include <cctype>
#include <cmath>

namespace Import {

QString numberText(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

namespace {

QString fromGb18030(const QByteArray& bytes) {
    QStringDecoder qt("GB18030");
    if (qt.isValid()) {
        QString s = qt.decode(bytes);
        if (!qt.hasError()) return s;
    }
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == iconv_t(-1)) throw FileError(QStringLiteral("本机不能读取 GB18030 编码的文件"));
    QByteArray in = bytes;
    QByteArray out(in.size() * 2 + 16, '\0');
    char* src = in.data();
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == size_t(-1)) throw FileError(QStringLiteral("文件不是 GB18030 编码，请选择正确的编码"));
    out.truncate(out.size() - int(dstLeft));
    return QString::fromUtf8(out);
}

// Cells a CSV parser hands over, row by row.
struct CsvRows {
    QList<QStringList> rows;
    QStringList current;
    void begin_parse() {}
    void end_parse() {}
    void begin_row() { current.clear(); }
    void end_row() { rows.append(current); }
    void cell(const char* p, size_t n, bool /*transient*/) {
        current.append(p ? QString::fromUtf8(p, qsizetype(n)) : QString());
    }
};

void cutTrailingEmpties(QStringList& row) {
    while (!row.isEmpty() && row.last().trimmed().isEmpty()) row.removeLast();
}

Sheet readCsv(const QString& path, Encoding encoding) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw FileError(QStringLiteral("无法打开文件 %1").arg(path));
    Sheet sheet;
    sheet.rows = parseCsv(decode(f.readAll(), encoding));
    return sheet;
}

namespace ss = orcus::spreadsheet;

// The cells the spreadsheet readers hand over, kept as texts of the first sheet; every other
// sheet, style and view is left unread.
class CellSink : public ss::iface::import_sheet {
public:
    QList<QStringList> rows;
    std::vector<std::string>* strings = nullptr;

    void put(ss::row_t row, ss::col_t col, const QString& text) {
        if (row < 0 || col < 0) return;
        while (rows.size() <= row) rows.append(QStringList());
        QStringList& r = rows[row];
        while (r.size() <= col) r.append(QString());
        r[col] = text;
    }
    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
        put(row, col, QString::fromUtf8(s.data(), qsizetype(s.size())));
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t id) override {
        if (strings && id < strings->size()) put(row, col, QString::fromStdString((*strings)[id]));
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override { put(row, col, numberText(value)); }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override {
        put(row, col, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int, int, double) override {
        put(row, col, QStringLiteral("%1/%2/%3").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0'))
                          .arg(day, 2, 10, QLatin1Char('0')));
    }
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t row, ss::col_t col, ss::row_t size) override {
        const QString v = row < rows.size() && col < rows[row].size() ? rows[row][col] : QString();
        for (ss::row_t i = 1; i <= size; ++i) put(row + i, col, v);
    }
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }
    ss::iface::import_formula* get_formula() override { return &m_formula; }

private:
    // A formula cell shows the result the saving program stored with it.
    class Formula : public ss::iface::import_formula {
    public:
        CellSink* sink = nullptr;
        ss::row_t row = -1;
        ss::col_t col = -1;
        void set_position(ss::row_t r, ss::col_t c) override { row = r, col = c; }
        void set_formula(ss::formula_grammar_t, std::string_view) override {}
        void set_shared_formula_index(size_t) override {}
        void set_result_string(std::string_view v) override { sink->set_auto(row, col, v); }
        void set_result_value(double v) override { sink->set_value(row, col, v); }
        void set_result_bool(bool v) override { sink->set_bool(row, col, v); }
        void set_result_empty() override {}
        void commit() override {}
    };
    Formula m_formula = makeFormula(this);
    static Formula makeFormula(CellSink* s) {
        Formula f;
        f.sink = s;
        return f;
    }
};

class Strings : public ss::iface::import_shared_strings {
public:
    std::vector<std::string> all;
    size_t append(std::string_view s) override {
        all.emplace_back(s);
        return all.size() - 1;
    }
    size_t add(std::string_view s) override { return append(s); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { m_segments.append(s); }
    size_t commit_segments() override {
        const size_t id = append(m_segments);
        m_segments.clear();
        return id;
    }

private:
    std::string m_segments;
};

// Cell addresses in the files' own A1 notation ("B12", "$C$3", "A1:D9").
class A1 : public ss::iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view a) override {
        ss::src_address_t r{0, 0, 0};
        size_t i = 0;
        int col = 0, row = 0;
        for (; i < a.size() && (a[i] == '$' || std::isalpha(static_cast<unsigned char>(a[i]))); ++i)
            if (a[i] != '$') col = col * 26 + (std::toupper(static_cast<unsigned char>(a[i])) - 'A' + 1);
        for (; i < a.size(); ++i)
            if (std::isdigit(static_cast<unsigned char>(a[i]))) row = row * 10 + (a[i] - '0');
        r.row = row - 1;
        r.column = col - 1;
        return r;
    }
    ss::src_range_t resolve_range(std::string_view range) override {
        const size_t colon = range.find(':');
        const ss::src_address_t first = resolve_address(range.substr(0, colon));
        return {first, colon == std::string_view::npos ? first : resolve_address(range.substr(colon + 1))};
    }
};

class FirstSheet : public ss::iface::import_factory {
public:
    CellSink sink;
    Strings strings;
    FirstSheet() { sink.strings = &strings.all; }
    ss::iface::import_shared_strings* get_shared_strings() override { return &strings; }
    ss::iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override { return &m_a1; }
    ss::iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override {
        if (index == 0) m_first = name;
        return index == 0 ? &sink : &m_ignored;
    }
    ss::iface::import_sheet* get_sheet(std::string_view name) override {
        return name == m_first ? &sink : &m_ignored;
    }
    ss::iface::import_sheet* get_sheet(ss::sheet_t index) override { return index == 0 ? &sink : &m_ignored; }
    void finalize() override {}

private:
    CellSink m_ignored;
    A1 m_a1;
    std::string m_first;
};

Sheet readSpreadsheet(const QString& path, bool ods) {
    FirstSheet factory;
    try {
        if (ods) {
            orcus::orcus_ods loader(&factory);
            loader.read_file(path.toStdString());
        } else {
            orcus::orcus_xlsx loader(&factory);
            loader.read_file(path.toStdString());
        }
    } catch (const std::exception& e) {
        throw FileError(QStringLiteral("文件 %1 不是可以读取的%2文件（%3）")
                            .arg(QFileInfo(path).fileName(), ods ? QStringLiteral(" ODS ") : QStringLiteral(" XLSX "),
                                 QString::fromUtf8(e.what())));
    }
    Sheet sheet;
    sheet.rows = std::move(factory.sink.rows);
    for (QStringList& row : sheet.rows) cutTrailingEmpties(row);
    return sheet;
}

} // namespace

QString decode(const QByteArray& bytes, Encoding encoding) {
    QByteArray b = bytes;
    const bool bom = b.startsWith("\xEF\xBB\xBF");
    if (bom) b.remove(0, 3);
    if (encoding == Encoding::Gb18030) return fromGb18030(b);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(b);
    if (!utf8.hasError() || encoding == Encoding::Utf8 || bom) return s;
    return fromGb18030(b);
}

QList<QStringList> parseCsv(const QString& text) {
    // Line ends as LF alone: the parser takes a CR before LF for part of the cell.
    QString lf = text;
    lf.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray utf8 = lf.toUtf8();
    orcus::csv::parser_config config;
    config.delimiters.push_back(',');
    config.text_qualifier = '"';
    CsvRows rows;
    try {
        orcus::csv_parser<CsvRows> parser(utf8.constData(), size_t(utf8.size()), rows, config);
        parser.parse();
    } catch (const std::exception& e) {
        throw FileError(QStringLiteral("CSV 文件格式错误（%1）").arg(QString::fromUtf8(e.what())));
    }
    for (QStringList& row : rows.rows) {
        for (QString& cell : row) {
            if (cell.size() > 1 && cell.at(0) == QLatin1Char('\'') &&
                QStringLiteral("=+-@\t\r").contains(cell.at(1)))
                cell.remove(0, 1);
        }
        cutTrailingEmpties(row);
    }
    return rows.rows;
}

Sheet read(const QString& path, Encoding encoding) {
    if (!QFileInfo::exists(path)) throw FileError(QStringLiteral("文件 %1 不存在").arg(path));
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("xlsx")) return readSpreadsheet(path, false);
    if (ext == QLatin1String("ods")) return readSpreadsheet(path, true);
    if (ext == QLatin1String("csv") || ext == QLatin1String("txt")) return readCsv(path, encoding);
    throw FileError(QStringLiteral("不能读取 .%1 文件：请选择 XLSX、ODS 或 CSV 文件").arg(ext));
}

} // namespace Import
