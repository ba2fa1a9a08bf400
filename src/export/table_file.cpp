#include "export/table_file.h"

#include "data/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>
#include <xlsxwriter.h>

namespace TableFile {

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return !v.isNull();
    default:
        return false;
    }
}

namespace {
QString plainNumber(double v) {
    QString s = QString::number(Numbers::round3(v), 'f', 3);
    while (s.endsWith('0'))
        s.chop(1);
    if (s.endsWith('.')) s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString withoutGrouping(const QString& pattern) {
    QString p = pattern;
    return p.remove(',');
}
} // namespace

QString cellText(const QVariant& v, const Column& c, bool grouping) {
    if (c.checkBox) return v.toBool() ? QStringLiteral("√") : QString();
    if (v.isNull()) return {};
    if (isNumber(v)) {
        if (c.format.isEmpty()) return plainNumber(v.toDouble());
        return Numbers::format(v.toDouble(), grouping ? c.format : withoutGrouping(c.format));
    }
    return v.toString();
}

QString inertText(const QString& text) {
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStart.contains(text.front())) return QLatin1Char('\'') + text;
    return text;
}

QDate storedDate(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate) return v.toDate();
    if (v.typeId() != QMetaType::QString) return {};
    const QString s = v.toString();
    if (s.size() != 10 || s[4] != '/' || s[7] != '/') return {};
    return QDate::fromString(s, QStringLiteral("yyyy/MM/dd"));
}

QString spreadsheetFormat(const QString& pattern) {
    static const QString special = QStringLiteral("#0.,");
    QString out, literal;
    const auto flush = [&] {
        if (literal.isEmpty()) return;
        out += '"' + QString(literal).replace('"', QStringLiteral("\\\"")) + '"';
        literal.clear();
    };
    for (const QChar ch : pattern) {
        if (special.contains(ch)) {
            flush();
            out += ch;
        } else {
            literal += ch;
        }
    }
    flush();
    return out;
}

// ---------------------------------------------------------------------------------------------

namespace {

class CsvWriter : public Writer {
public:
    bool begin(const QString& path, const Heading&, const QList<Column>& columns) override {
        m_columns = columns;
        m_file = std::make_unique<QSaveFile>(path);
        if (!m_file->open(QIODevice::WriteOnly)) return fail();
        m_file->write("\xEF\xBB\xBF");
        QStringList captions;
        for (const Column& c : columns)
            captions << inertText(c.caption);
        line(captions);
        return true;
    }
    void row(const QVector<QVariant>& cells) override {
        QStringList fields;
        for (int i = 0; i < m_columns.size(); ++i) {
            const QVariant& v = cells.value(i);
            const QString t = cellText(v, m_columns[i], false);
            fields << (isNumber(v) ? t : inertText(t));
        }
        line(fields);
    }
    void footer(const QVector<FooterCell>& cells) override {
        QStringList fields;
        for (int i = 0; i < m_columns.size(); ++i) {
            const FooterCell f = cells.value(i);
            fields << (f.value.isNull() ? inertText(f.label)
                                        : Numbers::format(f.value.toDouble(), withoutGrouping(f.pattern)));
        }
        line(fields);
    }
    bool commit() override {
        if (!m_file) return false;
        const bool ok = m_file->commit();
        if (!ok) fail();
        m_file.reset();
        return ok;
    }
    void discard() override {
        if (m_file) m_file->cancelWriting();
        m_file.reset(); // the temporary file goes with it
    }

private:
    bool fail() {
        m_error = m_file->errorString();
        return false;
    }
    static QString quoted(const QString& s) {
        if (!s.contains(',') && !s.contains('"') && !s.contains('\n') && !s.contains('\r')) return s;
        return '"' + QString(s).replace('"', QStringLiteral("\"\"")) + '"';
    }
    void line(const QStringList& fields) {
        QStringList q;
        q.reserve(fields.size());
        for (const QString& f : fields)
            q << quoted(f);
        m_file->write((q.join(',') + QStringLiteral("\r\n")).toUtf8());
    }
    QList<Column> m_columns;
    std::unique_ptr<QSaveFile> m_file;
};

// ---------------------------------------------------------------------------------------------

class XlsxWriter : public Writer {
public:
    explicit XlsxWriter(qint64 expectedRows) : m_expectedRows(expectedRows) {}
    ~XlsxWriter() override { discard(); }

    bool begin(const QString& path, const Heading& heading, const QList<Column>& columns) override {
        m_columns = columns;
        m_path = path;
        // Written beside the target under a temporary name, moved into place on commit.
        QTemporaryFile probe(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".export-XXXXXX.xlsx")));
        if (!probe.open()) {
            m_error = probe.errorString();
            return false;
        }
        m_temp = probe.fileName();
        probe.setAutoRemove(false);
        probe.close();
        lxw_workbook_options options{};
        const qint64 cells = m_expectedRows < 0 ? -1 : (m_expectedRows + 8) * std::max<qint64>(1, columns.size());
        options.constant_memory = cells < 0 || cells > SharedStringCells ? LXW_TRUE : LXW_FALSE;
        m_book = workbook_new_opt(m_temp.toLocal8Bit().constData(), &options);
        if (!m_book) {
            QFile::remove(m_temp);
            m_error = QStringLiteral("无法写入文件 %1").arg(path);
            return false;
        }
        m_sheet = workbook_add_worksheet(m_book, nullptr);
        m_titleFormat = workbook_add_format(m_book);
        format_set_bold(m_titleFormat);
        format_set_font_size(m_titleFormat, 14);
        m_headerFormat = workbook_add_format(m_book);
        format_set_bold(m_headerFormat);
        format_set_align(m_headerFormat, LXW_ALIGN_CENTER);
        format_set_bg_color(m_headerFormat, 0xE8E8E8);
        format_set_border(m_headerFormat, LXW_BORDER_THIN);
        m_dateFormat = workbook_add_format(m_book);
        format_set_num_format(m_dateFormat, "yyyy/mm/dd");
        m_footerLabelFormat = workbook_add_format(m_book);
        format_set_bold(m_footerLabelFormat);
        for (int i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            worksheet_set_column_pixels(m_sheet, i, i, c.width > 0 ? c.width : 64, nullptr);
            m_numberFormats << numberFormat(c.format, false);
        }
        if (!heading.title.isEmpty()) write(heading.title, m_titleFormat);
        if (!heading.lines.isEmpty()) write(heading.lines.join(QStringLiteral("    ")), nullptr);
        if (m_row > 0) ++m_row; // a blank row between heading and table
        for (int i = 0; i < columns.size(); ++i)
            text(m_row, i, columns[i].caption, m_headerFormat);
        worksheet_freeze_panes(m_sheet, m_row + 1, 0);
        ++m_row;
        return true;
    }

    void row(const QVector<QVariant>& cells) override {
        if (full()) return;
        for (int i = 0; i < m_columns.size(); ++i) {
            const QVariant v = cells.value(i);
            const Column& c = m_columns[i];
            if (c.checkBox) {
                if (v.toBool()) text(m_row, i, QStringLiteral("√"), nullptr);
            } else if (isNumber(v)) {
                worksheet_write_number(m_sheet, m_row, i, v.toDouble(), m_numberFormats[i]);
            } else if (const QDate d = storedDate(v); d.isValid()) {
                lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0};
                worksheet_write_datetime(m_sheet, m_row, i, &dt, m_dateFormat);
            } else if (!v.isNull() && !v.toString().isEmpty()) {
                text(m_row, i, v.toString(), nullptr);
            }
        }
        ++m_row;
    }

    void footer(const QVector<FooterCell>& cells) override {
        if (full()) return;
        for (int i = 0; i < m_columns.size(); ++i) {
            const FooterCell f = cells.value(i);
            if (f.value.isNull()) {
                if (!f.label.isEmpty()) text(m_row, i, f.label, m_footerLabelFormat);
                continue;
            }
            worksheet_write_number(m_sheet, m_row, i, f.value.toDouble(), numberFormat(f.pattern, true));
        }
        ++m_row;
    }

    bool commit() override {
        if (!m_book) return false;
        if (m_overflow) { // a sheet cut short is no export
            discard();
            m_error = QStringLiteral("行数超过 Excel 工作表的上限 %L1 行，请缩小查询范围或导出CSV。")
                          .arg(LXW_ROW_MAX);
            return false;
        }
        const lxw_error e = workbook_close(m_book);
        m_book = nullptr;
        if (e != LXW_NO_ERROR) {
            m_error = QString::fromUtf8(lxw_strerror(e));
            QFile::remove(m_temp);
            return false;
        }
        QFile::setPermissions(m_temp, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther);
        // rename(2) replaces a file already there in one step.
        if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_path).constData()) != 0) {
            m_error = QStringLiteral("无法写入文件 %1").arg(m_path);
            QFile::remove(m_temp);
            return false;
        }
        m_temp.clear();
        return true;
    }

    void discard() override {
        if (m_book) lxw_workbook_free(m_book);
        m_book = nullptr;
        if (!m_temp.isEmpty()) QFile::remove(m_temp);
        m_temp.clear();
    }

private:
    bool full() {
        if (m_row >= int(LXW_ROW_MAX)) m_overflow = true;
        return m_overflow;
    }
    void text(int row, int col, const QString& s, lxw_format* f) {
        worksheet_write_string(m_sheet, row, col, s.toUtf8().constData(), f);
    }
    void write(const QString& s, lxw_format* f) { text(m_row++, 0, s, f); }
    lxw_format* numberFormat(const QString& pattern, bool bold) {
        const QString key = pattern + (bold ? QStringLiteral("\x01") : QString());
        if (auto it = m_formats.constFind(key); it != m_formats.constEnd()) return *it;
        if (pattern.isEmpty() && !bold) return nullptr;
        lxw_format* f = workbook_add_format(m_book);
        if (!pattern.isEmpty()) format_set_num_format(f, spreadsheetFormat(pattern).toUtf8().constData());
        if (bold) format_set_bold(f);
        m_formats.insert(key, f);
        return f;
    }
    QList<Column> m_columns;
    QString m_path, m_temp;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_titleFormat = nullptr;
    lxw_format* m_headerFormat = nullptr;
    lxw_format* m_dateFormat = nullptr;
    lxw_format* m_footerLabelFormat = nullptr;
    QList<lxw_format*> m_numberFormats;
    QHash<QString, lxw_format*> m_formats;
    int m_row = 0;
    bool m_overflow = false;
    qint64 m_expectedRows = -1;
};

} // namespace

std::unique_ptr<Writer> csvWriter() {
    return std::make_unique<CsvWriter>();
}
std::unique_ptr<Writer> xlsxWriter(qint64 expectedRows) {
    return std::make_unique<XlsxWriter>(expectedRows);
}

} // namespace TableFile
