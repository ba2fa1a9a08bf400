#include "fields/grid_export.h"

#include "data/numbers.h"
#include "fields/datagrid.h"
#include "ui/messages.h"

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
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>
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
            cells.append(TableFile::FooterCell{m->sum(col.field), col.footer});
    }
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
        format == Format::Xlsx ? TableFile::xlsxWriter() : TableFile::csvWriter();
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
// Printing: a heading (caption, filter values, column captions) on every page, rows of one line
// each, the footer sums after the last row, "第 N 页 / 共 M 页" at the foot of every page.

namespace {
struct PageLayout {
    QFont font, bold, title;
    double rowHeight = 0, titleHeight = 0, top = 0;
    QRectF area;
    QVector<double> x, width;
    int rows = 1;
};

PageLayout layoutFor(QPrinter* printer, const QFont& base, const QList<TableFile::Column>& cols,
                     int headingLines, double screenDpi) {
    PageLayout l;
    l.font = base;
    l.font.setPointSizeF(9);
    l.bold = l.font;
    l.bold.setBold(true);
    l.title = l.bold;
    l.title.setPointSizeF(13);
    const QFontMetricsF fm(l.font, printer);
    l.rowHeight = std::ceil(fm.height() * 1.5);
    l.titleHeight = std::ceil(QFontMetricsF(l.title, printer).height() * 1.6);
    l.area = QRectF(0, 0, printer->width(), printer->height());
    l.top = l.titleHeight + headingLines * l.rowHeight + l.rowHeight; // title, filters, captions
    const double bottom = l.rowHeight * 1.5;                          // page numbers
    l.rows = std::max(1, int((l.area.height() - l.top - bottom) / l.rowHeight));
    const double factor = printer->logicalDpiX() / screenDpi;
    double total = 0;
    for (const auto& c : cols)
        total += (c.width > 0 ? c.width : 64) * factor;
    const double scale = total > l.area.width() ? l.area.width() / total : 1.0;
    double x = 0;
    for (const auto& c : cols) {
        const double w = (c.width > 0 ? c.width : 64) * factor * scale;
        l.x << x;
        l.width << w;
        x += w;
    }
    return l;
}

void drawCells(QPainter& p, const PageLayout& l, double y, const QStringList& texts,
               const QVector<bool>& right) {
    const double pad = l.rowHeight * 0.15;
    for (int i = 0; i < texts.size() && i < l.x.size(); ++i) {
        const QRectF r(l.x[i] + pad, y, l.width[i] - 2 * pad, l.rowHeight);
        const QString t = p.fontMetrics().elidedText(texts[i], Qt::ElideRight, int(r.width()));
        p.drawText(r, (right.value(i) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, t);
    }
}
} // namespace

int GridExport::pageRows(QPrinter* printer) const {
    return layoutFor(printer, m_grid->font(), columns(), int(heading().lines.size()), m_grid->logicalDpiX())
        .rows;
}

bool GridExport::printTo(QPrinter* printer) {
    const TableFile::Heading head = heading();
    const QList<TableFile::Column> cols = columns();
    const PageLayout l =
        layoutFor(printer, m_grid->font(), cols, int(head.lines.size()), m_grid->logicalDpiX());
    QPainter p;
    if (!p.begin(printer)) {
        Msg::error(m_grid, QStringLiteral("无法打印。"));
        return false;
    }
    const QVector<TableFile::FooterCell> foot = footer();
    bool hasFooter = false;
    for (const auto& f : foot)
        hasFooter = hasFooter || !f.value.isNull();
    const QColor text = Qt::black;
    int page = 0, onPage = 0;
    qint64 pages = 1;
    const double tableWidth = l.x.isEmpty() ? 0 : l.x.last() + l.width.last();

    const auto startPage = [&] {
        if (page > 0) printer->newPage();
        ++page;
        onPage = 0;
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
        drawCells(p, l, y, captions, {});
        p.drawLine(QPointF(0, y + l.rowHeight), QPointF(tableWidth, y + l.rowHeight));
        p.setFont(l.font);
    };
    const auto endPage = [&] {
        p.setPen(text);
        p.setFont(l.font);
        p.drawText(QRectF(0, l.area.height() - l.rowHeight, l.area.width(), l.rowHeight), Qt::AlignCenter,
                   QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(std::max<qint64>(pages, page)));
    };
    const auto nextLine = [&]() -> double {
        if (page == 0 || onPage == l.rows) {
            if (page > 0) endPage();
            startPage();
        }
        return l.top + l.rowHeight * onPage++;
    };

    bool complete = false;
    std::unique_ptr<QProgressDialog> progress;
    const bool ran = guarded(m_grid, [&] {
        const qint64 total = m_grid->model()->resultCount();
        pages = std::max<qint64>(1, (total + (hasFooter ? 1 : 0) + l.rows - 1) / l.rows);
        if (printer->outputFormat() == QPrinter::PdfFormat) progress.reset(makeProgress(total));
        complete = stream(
            [&](const Row& r) {
                const double y = nextLine();
                QStringList texts;
                QVector<bool> right;
                for (int i = 0; i < cols.size(); ++i) {
                    texts << TableFile::cellText(r.cells[i], cols[i]);
                    right << TableFile::isNumber(r.cells[i]);
                }
                p.setPen(r.color.value_or(text));
                drawCells(p, l, y, texts, right);
                p.setPen(QColor(210, 210, 210));
                p.drawLine(QPointF(0, y + l.rowHeight), QPointF(tableWidth, y + l.rowHeight));
                return true;
            },
            progress.get());
        if (!complete) return;
        if (hasFooter) {
            const double y = nextLine();
            QStringList texts;
            QVector<bool> right;
            for (const auto& f : foot) {
                texts << (f.value.isNull() ? QString() : Numbers::format(f.value.toDouble(), f.pattern));
                right << true;
            }
            p.setPen(text);
            p.setFont(l.bold);
            drawCells(p, l, y, texts, right);
            p.setFont(l.font);
        }
        if (page == 0) startPage(); // an empty result still prints its heading
        endPage();
    });
    progress.reset();
    p.end();
    return ran && complete;
}

bool GridExport::writePdf(const QString& path) {
    // Painted under a temporary name beside the target, moved into place when complete.
    QTemporaryFile temp(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".export-XXXXXX.pdf")));
    if (!temp.open()) {
        Msg::error(m_grid, temp.errorString());
        return false;
    }
    temp.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temp.fileName());
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(heading().title);
    if (!printTo(&printer)) {
        if (m_cancelled) Msg::notice(m_grid, QStringLiteral("导出已取消。"));
        return false;
    }
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) !=
        0) {
        Msg::error(m_grid, QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
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
