#include "fields/grid_export.h"

#include "data/numbers.h"
#include "fields/datagrid.h"
#include "ui/messages.h"
#include "ui/printing.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <cmath>
#include <memory>

namespace {
const char* const Property = "yc_gridExport";

QString fieldText(QWidget* w) {
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText().trimmed();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().trimmed();
    if (auto* s = qobject_cast<QAbstractSpinBox*>(w)) return s->text().trimmed();
    return {};
}

QString caption(const QLabel* label) {
    QString t = label->text().trimmed();
    while (t.endsWith(QChar(0xFF1A)) || t.endsWith(':'))
        t.chop(1);
    return t.trimmed();
}

struct FormatInfo {
    QString title, filter, suffix;
};
FormatInfo info(GridExport::Format f) {
    switch (f) {
    case GridExport::Format::Xlsx:
        return {QStringLiteral("导出Excel"), QStringLiteral("Excel 工作簿 (*.xlsx)"), QStringLiteral("xlsx")};
    case GridExport::Format::Csv:
        return {QStringLiteral("导出CSV"), QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("csv")};
    case GridExport::Format::Pdf:
        break;
    }
    return {QStringLiteral("导出PDF"), QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf")};
}
} // namespace

GridExport::GridExport(DataGrid* grid) : QObject(grid), m_grid(grid) {
    // The filter values belong to the load that produced the rows, not to what was typed since.
    connect(grid->model(), &GridModel::loaded, this, [this] { m_filters = filterLines(); });
}

QAction* GridExport::attach(DataGrid* grid) {
    auto* e = new GridExport(grid);
    grid->setProperty(Property, QVariant::fromValue(static_cast<QObject*>(e)));
    QTableView* view = grid->view();
    auto* separator = new QAction(grid);
    separator->setSeparator(true);
    view->addAction(separator);
    const auto add = [&](const QString& text, const QString& name, void (GridExport::*slot)()) {
        auto* a = new QAction(text, grid);
        a->setObjectName(name);
        connect(a, &QAction::triggered, e, slot);
        view->addAction(a);
    };
    add(QStringLiteral("导出Excel…"), QStringLiteral("actExportExcel"), &GridExport::exportExcel);
    add(QStringLiteral("导出CSV…"), QStringLiteral("actExportCsv"), &GridExport::exportCsv);
    add(QStringLiteral("打印…"), QStringLiteral("actPrint"), &GridExport::print);
    add(QStringLiteral("导出PDF…"), QStringLiteral("actExportPdf"), &GridExport::exportPdf);
    return separator;
}

GridExport* GridExport::of(const DataGrid* grid) {
    return static_cast<GridExport*>(grid->property(Property).value<QObject*>());
}

QStringList GridExport::filterLines() const {
    // Every labelled field of the window's grid layouts with a value: "仓库：01 总仓".
    QStringList lines;
    QWidget* window = m_grid->window();
    for (QGridLayout* g : window->findChildren<QGridLayout*>()) {
        for (int i = 0; i < g->count(); ++i) {
            auto* label = qobject_cast<QLabel*>(g->itemAt(i)->widget());
            if (!label || label->isHidden()) continue;
            int row, col, rowSpan, colSpan;
            g->getItemPosition(i, &row, &col, &rowSpan, &colSpan);
            QStringList values;
            for (int c = col + colSpan; c < g->columnCount(); ++c) {
                QLayoutItem* item = g->itemAtPosition(row, c);
                QWidget* f = item ? item->widget() : nullptr;
                if (!f || qobject_cast<QLabel*>(f)) break;
                if (f->isHidden()) continue;
                const QString t = fieldText(f);
                if (!t.isEmpty()) values << t;
            }
            if (!values.isEmpty()) lines << caption(label) + QChar(0xFF1A) + values.join(' ');
        }
    }
    return lines;
}

TableFile::Heading GridExport::heading() const {
    return {m_grid->window()->windowTitle(), m_filters};
}

QList<int> GridExport::visibleColumns() const {
    QList<int> cols;
    const QHeaderView* h = m_grid->view()->horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        if (!h->isSectionHidden(c)) cols << c;
    }
    return cols;
}

QList<TableFile::Column> GridExport::columns() const {
    QList<TableFile::Column> out;
    const auto& cols = m_grid->model()->columns();
    for (int c : visibleColumns())
        out.append({cols[c].caption, m_grid->view()->columnWidth(c), cols[c].format, cols[c].checkBox});
    return out;
}

QVector<TableFile::FooterCell> GridExport::footer() const {
    QVector<TableFile::FooterCell> cells;
    const GridModel* m = m_grid->model();
    for (int c : visibleColumns()) {
        const GridColumn& col = m->columns()[c];
        if (col.footer.isEmpty() || !m->hasField(col.field))
            cells.append(TableFile::FooterCell{});
        else
            cells.append(TableFile::FooterCell{m->sum(col.field), col.footer, {}});
    }
    // The row is named "合计" in the first column, unless a sum already says so in its pattern.
    bool named = false, any = false;
    for (const auto& f : cells) {
        named = named || f.pattern.contains(QStringLiteral("合计"));
        any = any || !f.value.isNull();
    }
    if (any && !named && !cells.isEmpty() && cells.first().value.isNull())
        cells.first().label = QStringLiteral("合计");
    return cells;
}

QProgressDialog* GridExport::makeProgress(qint64 total) {
    if (total < ProgressFrom) return nullptr;
    auto* p = new QProgressDialog(QStringLiteral("正在导出 %1 行……").arg(total), QStringLiteral("取消"), 0,
                                  int(std::min<qint64>(total, INT_MAX)), m_grid->window());
    p->setObjectName(QStringLiteral("exportProgress"));
    p->setWindowTitle(Msg::AppTitle);
    p->setWindowModality(Qt::WindowModal);
    p->setMinimumDuration(0);
    p->setAutoClose(false);
    p->setAutoReset(false);
    p->setValue(0);
    return p;
}

bool GridExport::stream(const std::function<bool(const Row&)>& each, QProgressDialog* progress) {
    const QList<int> cols = visibleColumns();
    QStringList fields;
    for (int c : cols)
        fields << m_grid->model()->columns()[c].field;
    qint64 done = 0;
    m_cancelled = false;
    Row row;
    return m_grid->model()->readPages(PageRows, [&](const GridModel& page) {
        for (int r = 0; r < page.rowCount(); ++r) {
            row.cells.resize(fields.size());
            for (int i = 0; i < fields.size(); ++i)
                row.cells[i] = page.value(r, fields[i]);
            row.color = page.rowColor(r);
            if (!each(row)) return false;
        }
        done += page.rowCount();
        if (progress) {
            progress->setValue(int(std::min<qint64>(done, progress->maximum())));
            QCoreApplication::processEvents(); // the cancel button is pressed between two pages
            if (progress->wasCanceled()) return !(m_cancelled = true);
        }
        return true;
    });
}

bool GridExport::exportTo(Format format, const QString& path) {
    if (format == Format::Pdf) return writePdf(path);
    std::unique_ptr<TableFile::Writer> w =
        format == Format::Xlsx ? TableFile::xlsxWriter(m_grid->model()->resultCount()) : TableFile::csvWriter();
    if (!w->begin(path, heading(), columns())) {
        Msg::error(m_grid, w->error());
        return false;
    }
    bool complete = false;
    std::unique_ptr<QProgressDialog> progress;
    const bool ran = guarded(m_grid, [&] {
        progress.reset(makeProgress(m_grid->model()->resultCount()));
        complete = stream([&](const Row& r) { return w->row(r.cells), true; }, progress.get());
    });
    progress.reset();
    if (!ran || !complete) {
        w->discard();
        if (m_cancelled) Msg::notice(m_grid, QStringLiteral("导出已取消。"));
        return false;
    }
    w->footer(footer());
    if (!w->commit()) {
        Msg::error(m_grid, w->error());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Printing: a heading (caption, filter values, column captions) on every page, the rows, the
// footer sums after the last row, "第 N 页 / 共 M 页" at the foot of every page. Column widths
// follow what is printed in them (measured over all rows before the first page); a grid too wide
// for the page first gets a smaller font (down to a floor), then lets its long text columns wrap,
// and what still does not fit continues on further pages across, as a spreadsheet prints. No
// text is ever cut.

namespace {
constexpr double BasePoints = 9, FloorPoints = 6.5;

struct PageLayout {
    QFont font, bold, title;
    double rowHeight = 0, lineSpacing = 0, titleHeight = 0, top = 0, bottom = 0, pad = 0;
    QRectF area;
    QVector<double> width;       // of every column
    QVector<bool> wraps;         // the column's texts wrap to its width
    QVector<QVector<int>> bands; // the columns of each page across
    bool anyWrap = false;
};

PageLayout baseLayout(QPrinter* printer, const QFont& base, int headingLines, double points) {
    PageLayout l;
    l.font = base;
    l.font.setPointSizeF(points);
    l.bold = l.font;
    l.bold.setBold(true);
    l.title = l.bold;
    l.title.setPointSizeF(13);
    const QFontMetricsF fm(l.font, printer);
    l.rowHeight = std::ceil(fm.height() * 1.5);
    l.lineSpacing = fm.lineSpacing();
    l.pad = l.rowHeight * 0.15;
    l.titleHeight = std::ceil(QFontMetricsF(l.title, printer).height() * 1.6);
    l.area = QRectF(0, 0, printer->width(), printer->height());
    l.top = l.titleHeight + headingLines * l.rowHeight + l.rowHeight; // title, filters, captions
    l.bottom = l.area.height() - l.rowHeight * 1.5;                    // page numbers below
    return l;
}

// What the columns need at the base size: the widest of caption, cells and footer.
struct Measure {
    QVector<double> natural, caption;
    QVector<bool> numeric;
    qint64 rows = 0;
};

// The lowest width level for the wrapping columns that takes `excess` off their total.
double wrapLevel(const QVector<double>& widths, const QVector<bool>& wrapable, double excess, double floor) {
    double lo = floor, hi = 0;
    for (int i = 0; i < widths.size(); ++i)
        if (wrapable[i]) hi = std::max(hi, widths[i]);
    const auto saved = [&](double level) {
        double s = 0;
        for (int i = 0; i < widths.size(); ++i)
            if (wrapable[i] && widths[i] > level) s += widths[i] - level;
        return s;
    };
    if (hi <= lo) return hi;
    if (saved(lo) < excess) return lo; // wrapping alone is not enough: take what it gives
    for (int k = 0; k < 40; ++k) {
        const double mid = (lo + hi) / 2;
        (saved(mid) >= excess ? lo : hi) = mid;
    }
    return lo;
}

PageLayout layoutFor(QPrinter* printer, const QFont& base, int headingLines, const Measure& m) {
    const PageLayout probe = baseLayout(printer, base, headingLines, BasePoints);
    const double avail = probe.area.width();
    // Each column: its widest text, the padding on both sides and a little room; all of it
    // shrinks with the font.
    const double extra = 2 * probe.pad + QFontMetricsF(probe.font, printer).averageCharWidth() * 0.5;
    double total = 0;
    for (double w : m.natural)
        total += w + extra;
    // The font first, down to its floor.
    const double scale = total > avail ? std::max(FloorPoints / BasePoints, avail / total) : 1.0;
    PageLayout l = scale < 1.0 ? baseLayout(printer, base, headingLines, BasePoints * scale) : probe;
    const int n = int(m.natural.size());
    l.width.resize(n);
    l.wraps.fill(false, n);
    total = 0;
    for (int i = 0; i < n; ++i) {
        l.width[i] = (m.natural[i] + extra) * scale;
        total += l.width[i];
    }
    // Then the long texts wrap, the numbers and codes keep their width.
    if (total > avail) {
        QVector<bool> wrapable(n);
        for (int i = 0; i < n; ++i)
            wrapable[i] = !m.numeric[i] && l.width[i] > avail / 8;
        const double level = wrapLevel(l.width, wrapable, total - avail, avail / 8);
        for (int i = 0; i < n; ++i) {
            const double least = std::max(level, (m.caption[i] + extra) * scale); // captions stay whole
            if (wrapable[i] && l.width[i] > least) l.width[i] = least, l.wraps[i] = true;
        }
    }
    for (int i = 0; i < n; ++i)
        if (l.width[i] > avail) l.width[i] = avail, l.wraps[i] = true; // one column wider than the page
    // What is still too wide goes on further pages across.
    double x = 0;
    for (int i = 0; i < n; ++i) {
        if (l.bands.isEmpty() || x + l.width[i] > avail + 0.5) {
            l.bands.append(QVector<int>());
            x = 0;
        }
        l.bands.last().append(i);
        x += l.width[i];
    }
    if (l.bands.isEmpty()) l.bands.append(QVector<int>());
    for (bool w : l.wraps)
        l.anyWrap = l.anyWrap || w;
    return l;
}

constexpr int WrapFlags = Qt::TextWordWrap | Qt::TextWrapAnywhere;

struct PrintRow {
    QStringList texts;
    QVector<bool> right;
    QColor color;
    bool footer = false;
    double height = 0;
};

double rowHeight(const PageLayout& l, QPrinter* printer, const QStringList& texts, bool bold) {
    if (!l.anyWrap) return l.rowHeight;
    const QFontMetricsF fm(bold ? l.bold : l.font, printer);
    double lines = 1;
    for (int i = 0; i < texts.size(); ++i) {
        if (!l.wraps[i] || texts[i].isEmpty()) continue;
        const QRectF r = fm.boundingRect(QRectF(0, 0, l.width[i] - 2 * l.pad, 1e9), WrapFlags, texts[i]);
        lines = std::max(lines, std::ceil(r.height() / l.lineSpacing - 0.01));
    }
    return l.rowHeight + (lines - 1) * l.lineSpacing;
}

void drawCells(QPainter& p, const PageLayout& l, const QVector<int>& band, double y, double height,
               const QStringList& texts, const QVector<bool>& right) {
    double x = 0;
    for (int i : band) {
        const QRectF r(x + l.pad, y, l.width[i] - 2 * l.pad, height);
        const int align = right.value(i) ? Qt::AlignRight : Qt::AlignLeft;
        if (l.wraps[i])
            p.drawText(r.adjusted(0, (l.rowHeight - l.lineSpacing) / 2, 0, 0), align | Qt::AlignTop | WrapFlags,
                       texts.value(i));
        else
            p.drawText(r, align | Qt::AlignVCenter, texts.value(i));
        x += l.width[i];
    }
}

double bandWidth(const PageLayout& l, const QVector<int>& band) {
    double w = 0;
    for (int i : band)
        w += l.width[i];
    return w;
}
} // namespace

int GridExport::pageRows(QPrinter* printer) const {
    const PageLayout l = baseLayout(printer, Printing::font(BasePoints), int(heading().lines.size()), BasePoints);
    return std::max(1, int((l.bottom - l.top) / l.rowHeight));
}

bool GridExport::printTo(QPrinter* printer) {
    const TableFile::Heading head = heading();
    const QList<TableFile::Column> cols = columns();
    const QVector<TableFile::FooterCell> foot = footer();
    bool hasFooter = false;
    for (const auto& f : foot)
        hasFooter = hasFooter || !f.value.isNull();
    const auto rowTexts = [&](const Row& r, PrintRow& out) {
        out.texts.clear();
        out.right.clear();
        for (int i = 0; i < cols.size(); ++i) {
            out.texts << TableFile::cellText(r.cells[i], cols[i]);
            out.right << TableFile::isNumber(r.cells[i]);
        }
    };
    PrintRow footRow;
    footRow.footer = true;
    for (const auto& f : foot) {
        footRow.texts << (f.value.isNull() ? f.label : Numbers::format(f.value.toDouble(), f.pattern));
        footRow.right << !f.value.isNull();
    }

    // The widths the printed texts need, over every row.
    const PageLayout base = baseLayout(printer, Printing::font(BasePoints), int(head.lines.size()), BasePoints);
    Measure m;
    m.natural.fill(0, cols.size());
    m.numeric.fill(false, cols.size());
    {
        const QFontMetricsF fm(base.font, printer), bold(base.bold, printer);
        for (int i = 0; i < cols.size(); ++i) {
            m.caption << bold.horizontalAdvance(cols[i].caption);
            m.natural[i] = std::max(m.caption[i], bold.horizontalAdvance(footRow.texts.value(i)));
        }
        PrintRow pr;
        if (!guarded(m_grid, [&] {
                stream(
                    [&](const Row& r) {
                        rowTexts(r, pr);
                        for (int i = 0; i < cols.size(); ++i) {
                            m.natural[i] = std::max(m.natural[i], fm.horizontalAdvance(pr.texts[i]));
                            m.numeric[i] = m.numeric[i] || pr.right[i];
                        }
                        ++m.rows;
                        return true;
                    },
                    nullptr);
            }))
            return false;
    }
    const PageLayout l = layoutFor(printer, Printing::font(BasePoints), int(head.lines.size()), m);
    const double room = l.bottom - l.top;
    footRow.height = rowHeight(l, printer, footRow.texts, true);

    // The pages: counted ahead (a second reading when rows wrap) for "共 M 页".
    qint64 down = 0;
    if (!l.anyWrap) {
        const qint64 perPage = std::max(1, int(room / l.rowHeight));
        down = std::max<qint64>(1, (m.rows + (hasFooter ? 1 : 0) + perPage - 1) / perPage);
    } else {
        double y = 0;
        down = 1;
        const auto place = [&](double h) {
            if (y > 0 && y + h > room) ++down, y = 0;
            y += h;
        };
        PrintRow pr;
        if (!guarded(m_grid, [&] {
                stream([&](const Row& r) { return rowTexts(r, pr), place(rowHeight(l, printer, pr.texts, false)), true; },
                       nullptr);
            }))
            return false;
        if (hasFooter) place(footRow.height);
    }
    const qint64 pages = down * l.bands.size();
    if (pages > AskAbovePages && pages > m_confirmedPages) {
        if (!Msg::confirm(m_grid, QStringLiteral("共 %L1 页，确定要打印吗？").arg(pages))) return false;
        m_confirmedPages = pages;
    }

    QPainter p;
    if (!p.begin(printer)) {
        Msg::error(m_grid, QStringLiteral("无法打印。"));
        return false;
    }
    const QColor text = Qt::black;
    int page = 0;
    QVector<PrintRow> onPage; // the rows of one page down, printed on every page across
    double used = 0;

    const auto printPage = [&](const QVector<int>& band) {
        if (page > 0) printer->newPage();
        ++page;
        const double tableWidth = bandWidth(l, band);
        p.setPen(text);
        p.setFont(l.title);
        p.drawText(QRectF(0, 0, l.area.width(), l.titleHeight), Qt::AlignHCenter | Qt::AlignVCenter,
                   head.title);
        p.setFont(l.font);
        double y = l.titleHeight;
        for (const QString& line : head.lines) {
            p.drawText(QRectF(0, y, l.area.width(), l.rowHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
            y += l.rowHeight;
        }
        p.fillRect(QRectF(0, y, tableWidth, l.rowHeight), QColor(232, 232, 232));
        p.setFont(l.bold);
        QStringList captions;
        for (const auto& c : cols)
            captions << c.caption;
        drawCells(p, l, band, y, l.rowHeight, captions, {});
        p.drawLine(QPointF(0, y + l.rowHeight), QPointF(tableWidth, y + l.rowHeight));
        y = l.top;
        for (const PrintRow& r : onPage) {
            p.setFont(r.footer ? l.bold : l.font);
            p.setPen(r.color);
            drawCells(p, l, band, y, r.height, r.texts, r.right);
            y += r.height;
            if (!r.footer) {
                p.setPen(QColor(210, 210, 210));
                p.drawLine(QPointF(0, y), QPointF(tableWidth, y));
            }
        }
        p.setPen(text);
        p.setFont(l.font);
        p.drawText(QRectF(0, l.area.height() - l.rowHeight, l.area.width(), l.rowHeight), Qt::AlignCenter,
                   QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(std::max<qint64>(pages, page)));
    };
    const auto flush = [&] {
        for (const auto& band : l.bands)
            printPage(band);
        onPage.clear();
        used = 0;
    };
    const auto add = [&](PrintRow&& r) {
        if (!onPage.isEmpty() && used + r.height > room) flush();
        used += r.height;
        onPage.append(std::move(r));
    };

    bool complete = false;
    std::unique_ptr<QProgressDialog> progress;
    const bool ran = guarded(m_grid, [&] {
        if (printer->outputFormat() == QPrinter::PdfFormat) progress.reset(makeProgress(m.rows));
        complete = stream(
            [&](const Row& r) {
                PrintRow pr;
                rowTexts(r, pr);
                pr.color = r.color.value_or(text);
                pr.height = rowHeight(l, printer, pr.texts, false);
                add(std::move(pr));
                return true;
            },
            progress.get());
        if (!complete) return;
        if (hasFooter) {
            footRow.color = text;
            add(std::move(footRow));
        }
        if (!onPage.isEmpty() || page == 0) flush(); // an empty result still prints its heading
    });
    progress.reset();
    p.end();
    return ran && complete;
}

bool GridExport::writePdf(const QString& path) {
    QString error;
    const bool written = Printing::writeThrough(
        path,
        [&](const QString& temp) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(temp);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Landscape);
            printer.setDocName(heading().title);
            m_confirmedPages = 0;
            return printTo(&printer);
        },
        &error);
    if (!written && !error.isEmpty()) Msg::error(m_grid, error);
    else if (!written && m_cancelled) Msg::notice(m_grid, QStringLiteral("导出已取消。"));
    return written;
}

void GridExport::print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(heading().title);
    QPrintPreviewDialog preview(&printer, m_grid->window());
    preview.setObjectName(QStringLiteral("printPreview"));
    preview.setWindowTitle(QStringLiteral("打印预览"));
    preview.resize(1000, 720);
    m_confirmedPages = 0; // asked once for the pages shown, again when a change makes them more
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pr) { printTo(pr); });
    Msg::printPreview(&preview);
}

void GridExport::chooseAndExport(Format format) {
    const FormatInfo f = info(format);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::homePath();
    QString name = heading().title;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    if (name.isEmpty()) name = QStringLiteral("导出");
    const QString suggested =
        QDir(dir).filePath(name + QDate::currentDate().toString(QStringLiteral("_yyyyMMdd.")) + f.suffix);
    QString path = Msg::chooseSaveFile(m_grid, f.title, suggested, f.filter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().compare(f.suffix, Qt::CaseInsensitive) != 0) path += '.' + f.suffix;
    if (exportTo(format, path))
        Msg::notice(m_grid, QStringLiteral("已导出到 %1").arg(QDir::toNativeSeparators(path)));
}
