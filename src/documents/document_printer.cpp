#include "documents/document_printer.h"

#include "data/numbers.h"
#include "data/session.h"
#include "fields/datagrid.h"
#include "ui/messages.h"
#include "ui/printing.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSettings>
#include <QToolBar>
#include <QAction>
#include <functional>

namespace DocumentPrinter {

namespace {
QSettings settings() { return QSettings(QDir::current().filePath(QStringLiteral("Dravont.ini")), QSettings::IniFormat); }

QPageLayout layoutOf(Paper p) {
    const QMarginsF margins(10, 10, 10, 10);
    switch (p) {
    case Paper::A5Landscape:
        return QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape, margins, QPageLayout::Millimeter);
    case Paper::Continuous241:
        return QPageLayout(QPageSize(QSizeF(241, 93.1), QPageSize::Millimeter, QStringLiteral("241 × 93 mm")),
                           QPageLayout::Portrait, QMarginsF(8, 5, 8, 5), QPageLayout::Millimeter);
    case Paper::A4:
        break;
    }
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

QString number(double v, int decimals = 3) {
    QString s = QLocale::c().toString(v, 'f', decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0'))) s.chop(1);
        if (s.endsWith(QLatin1Char('.'))) s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}
QString money(double v) { return QLocale::c().toString(v, 'f', 2); }

// What goes down a page, in order: the parts of the blocks.
enum class Part { Title, Captions, Row, Subtotal, Gap };
struct Piece {
    Part part;
    int block;
    int row = -1;
};

struct Metrics {
    double mm;  // device pixels per millimetre
    QRectF page; // the printable area
    QFont font, bold, small, heading, title, mark;
    double line;   // a row of the tables
    double header; // the heading of every page
    double footer; // the page number line
    double closing; // totals and signatures of the last page
    double height(Part p) const { return p == Part::Gap ? line * 0.5 : line; }
};

Metrics metricsFor(QPagedPaintDevice* device, const Documents::Document& d) {
    Metrics m;
    m.page = QRectF(0, 0, device->width(), device->height());
    m.mm = device->logicalDpiX() / 25.4;
    const bool small = m.page.height() < 120 * m.mm; // a continuous form
    m.font = Printing::font(small ? 8.5 : 9.5);
    m.bold = Printing::font(small ? 8.5 : 9.5, true);
    m.small = Printing::font(small ? 7.5 : 8);
    m.heading = Printing::font(small ? 11 : 14, true);
    m.title = Printing::font(small ? 10 : 12, true);
    m.mark = Printing::font(72, true);
    const QFontMetricsF fm(m.font, device);
    m.line = fm.height() * 1.5;
    const QFontMetricsF hm(m.heading, device), tm(m.title, device);
    const int infoLines = 2;
    m.header = hm.height() * 1.2 + (d.heading.address.isEmpty() && d.heading.phone.isEmpty() ? 0 : m.line) +
               tm.height() * 1.4 + infoLines * m.line + m.line * 0.3;
    m.footer = m.line;
    m.closing = m.line * (d.priced ? 3.5 : 2.5);
    return m;
}

// Column edges of a block's table: colour, the sizes, total, then price and amount.
QVector<double> columnsFor(const Metrics& m, const Documents::Document& d, const Documents::Block& b) {
    const double colour = 28 * m.mm, total = 18 * m.mm, price = 18 * m.mm, amount = 26 * m.mm;
    const double fixed = colour + total + (d.priced ? price + amount : 0);
    const int n = std::max<int>(1, b.sizes.size());
    const double size = std::clamp((m.page.width() - fixed) / n, 8 * m.mm, 20 * m.mm);
    QVector<double> x{0, colour};
    for (int i = 0; i < b.sizes.size(); ++i) x << x.last() + size;
    x << x.last() + total;
    if (d.priced) x << x.last() + price << x.last() + amount;
    return x;
}

QList<QList<Piece>> paginate(const Metrics& m, const Documents::Document& d) {
    QList<Piece> pieces;
    for (int b = 0; b < d.blocks.size(); ++b) {
        pieces << Piece{Part::Title, b} << Piece{Part::Captions, b};
        for (int r = 0; r < d.blocks[b].colours.size(); ++r) pieces << Piece{Part::Row, b, r};
        pieces << Piece{Part::Subtotal, b} << Piece{Part::Gap, b};
    }
    const double room = m.page.height() - m.header - m.footer;
    QList<QList<Piece>> pages{{}};
    double used = 0;
    for (int i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        // A block's title and captions stay with its first row.
        double need = m.height(p.part);
        if (p.part == Part::Title) need += m.line * 2;
        if (used + need > room && !pages.last().isEmpty()) {
            if (p.part == Part::Gap) continue;
            pages << QList<Piece>{};
            used = 0;
            if (p.part == Part::Row || p.part == Part::Subtotal) { // the block goes on: its captions again
                pages.last() << Piece{Part::Title, p.block} << Piece{Part::Captions, p.block};
                used += 2 * m.line;
            }
        }
        pages.last() << p;
        used += m.height(p.part);
    }
    if (used + m.closing > room && !pages.last().isEmpty()) pages << QList<Piece>{};
    return pages;
}

void paintHeading(QPainter& p, const Metrics& m, const Documents::Document& d) {
    double y = 0;
    const double w = m.page.width();
    p.setFont(m.heading);
    const double hh = QFontMetricsF(m.heading, p.device()).height() * 1.2;
    p.drawText(QRectF(0, y, w, hh), Qt::AlignCenter, d.heading.company);
    y += hh;
    if (!d.heading.address.isEmpty() || !d.heading.phone.isEmpty()) {
        p.setFont(m.small);
        QStringList parts;
        if (!d.heading.address.isEmpty()) parts << QStringLiteral("地址：") + d.heading.address;
        if (!d.heading.phone.isEmpty()) parts << QStringLiteral("电话：") + d.heading.phone;
        p.drawText(QRectF(0, y, w, m.line), Qt::AlignCenter, parts.join(QStringLiteral("    ")));
        y += m.line;
    }
    p.setFont(m.title);
    const double th = QFontMetricsF(m.title, p.device()).height() * 1.4;
    p.drawText(QRectF(0, y, w, th), Qt::AlignCenter, d.title);
    y += th;
    p.setFont(m.font);
    const bool transfer = d.kind == Documents::Kind::Transfer;
    const QStringList first = {QStringLiteral("单据号：") + d.billNo, QStringLiteral("日期：") + d.date,
                               transfer ? QStringLiteral("转出仓库：") + d.otherWarehouse
                                        : QStringLiteral("仓库：") + d.warehouse};
    QStringList second;
    if (transfer) second << QStringLiteral("转入仓库：") + d.warehouse;
    else if (!d.partnerCaption.isEmpty()) second << d.partnerCaption + QStringLiteral("：") + d.partner;
    if (!d.operation.isEmpty()) second << QStringLiteral("类型：") + d.operation;
    second << QStringLiteral("制单：") + d.clerk;
    for (const QStringList& line : {first, second}) {
        const double cell = w / 3;
        for (int i = 0; i < line.size(); ++i)
            p.drawText(QRectF(i * cell, y, cell, m.line), Qt::AlignLeft | Qt::AlignVCenter, line[i]);
        y += m.line;
    }
}

void paintPiece(QPainter& p, const Metrics& m, const Documents::Document& d, const Piece& piece, double y) {
    const Documents::Block& b = d.blocks[piece.block];
    const QVector<double> x = columnsFor(m, d, b);
    const double pad = 1.2 * m.mm;
    const auto cell = [&](int c, const QString& text, Qt::Alignment align, bool red = false) {
        const QRectF r(x[c], y, x[c + 1] - x[c], m.line);
        p.drawRect(r);
        if (red) p.setPen(Qt::red);
        p.drawText(r.adjusted(pad, 0, -pad, 0), align | Qt::AlignVCenter, text);
        if (red) p.setPen(Qt::black);
    };
    const int sizes = b.sizes.size();
    const Qt::Alignment right = Qt::AlignRight, centre = Qt::AlignHCenter;
    switch (piece.part) {
    case Part::Title: {
        p.setFont(m.bold);
        QStringList t{b.itemCode, b.itemName};
        if (!b.itemModel.isEmpty()) t << QStringLiteral("型号：") + b.itemModel;
        t << QStringLiteral("等级：") + b.stageName;
        p.drawText(QRectF(0, y, m.page.width(), m.line), Qt::AlignLeft | Qt::AlignVCenter, t.join(QStringLiteral("  ")));
        break;
    }
    case Part::Captions: {
        p.setFont(m.bold);
        cell(0, QStringLiteral("颜色 \\ 尺寸"), centre);
        for (int c = 0; c < sizes; ++c) cell(c + 1, b.sizes[c], centre);
        cell(sizes + 1, QStringLiteral("合计"), centre);
        if (d.priced) {
            cell(sizes + 2, QStringLiteral("价格"), centre);
            cell(sizes + 3, QStringLiteral("金额"), centre);
        }
        break;
    }
    case Part::Row: {
        p.setFont(m.font);
        const int r = piece.row;
        cell(0, b.colours[r], Qt::AlignLeft);
        for (int c = 0; c < sizes; ++c)
            cell(c + 1, b.cells[r][c] ? number(*b.cells[r][c]) : QString(), right, d.red);
        cell(sizes + 1, number(b.rowQty[r]), right, d.red);
        if (d.priced) {
            cell(sizes + 2, b.rowPrice[r] ? Numbers::entry(*b.rowPrice[r]) : QString(), right);
            cell(sizes + 3, money(b.rowAmount[r]), right, d.red);
        }
        break;
    }
    case Part::Subtotal: {
        p.setFont(m.bold);
        cell(0, QStringLiteral("小计"), Qt::AlignLeft);
        for (int c = 0; c < sizes; ++c) cell(c + 1, number(b.columnQty[c]), right, d.red);
        cell(sizes + 1, number(b.qty), right, d.red);
        if (d.priced) {
            cell(sizes + 2, QString(), right);
            cell(sizes + 3, money(b.amount), right, d.red);
        }
        break;
    }
    case Part::Gap:
        break;
    }
}

void paintClosing(QPainter& p, const Metrics& m, const Documents::Document& d, double y) {
    p.setFont(m.bold);
    const double w = m.page.width();
    QString totals = QStringLiteral("合计数量：") + number(d.qty);
    if (d.priced) totals += QStringLiteral("    合计金额：") + money(d.amount);
    if (d.red) p.setPen(Qt::red);
    p.drawText(QRectF(0, y, w, m.line), Qt::AlignLeft | Qt::AlignVCenter, totals);
    p.setPen(Qt::black);
    y += m.line;
    if (d.priced) {
        p.drawText(QRectF(0, y, w, m.line), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("金额大写：") + d.amountInWords);
        y += m.line;
    }
    y += m.line * 0.5;
    p.setFont(m.font);
    const double cell = w / std::max<int>(1, d.signatures.size());
    for (int i = 0; i < d.signatures.size(); ++i)
        p.drawText(QRectF(i * cell, y, cell, m.line), Qt::AlignLeft | Qt::AlignVCenter, d.signatures[i]);
}

void paintMark(QPainter& p, const Metrics& m) {
    p.save();
    p.setFont(m.mark);
    p.setPen(QColor(200, 200, 200));
    p.translate(m.page.center());
    p.rotate(-30);
    p.drawText(QRectF(-m.page.width(), -m.page.height() / 4, 2 * m.page.width(), m.page.height() / 2), Qt::AlignCenter,
               QStringLiteral("草稿"));
    p.restore();
}
} // namespace

QString paperName(Paper p) {
    switch (p) {
    case Paper::A4: return QStringLiteral("A4 纵向");
    case Paper::A5Landscape: return QStringLiteral("A5 横向");
    case Paper::Continuous241: return QStringLiteral("241 mm 连续纸（三联单）");
    }
    return {};
}

Paper savedPaper() {
    const int v = settings().value(QStringLiteral("print/document_paper"), 0).toInt();
    return v == 1 ? Paper::A5Landscape : v == 2 ? Paper::Continuous241 : Paper::A4;
}

void savePaper(Paper p) { settings().setValue(QStringLiteral("print/document_paper"), int(p)); }

void setUp(QPrinter& printer, Paper p) { printer.setPageLayout(layoutOf(p)); }

int paint(const Documents::Document& d, QPagedPaintDevice* device) {
    QPainter p(device);
    const Metrics m = metricsFor(device, d);
    const QList<QList<Piece>> pages = paginate(m, d);
    const QString printed = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    for (int n = 0; n < pages.size(); ++n) {
        if (n > 0) device->newPage();
        if (d.draft) paintMark(p, m);
        p.setPen(Qt::black);
        paintHeading(p, m, d);
        double y = m.header;
        for (const Piece& piece : pages[n]) {
            paintPiece(p, m, d, piece, y);
            y += m.height(piece.part);
        }
        if (n == pages.size() - 1) paintClosing(p, m, d, y + m.line * 0.3);
        p.setFont(m.small);
        const QRectF foot(0, m.page.height() - m.footer, m.page.width(), m.footer);
        p.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("打印日期：") + printed);
        p.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("第 %1 页 / 共 %2 页").arg(n + 1).arg(pages.size()));
    }
    return int(pages.size());
}

namespace {
Printing::Preview previewOf(const Documents::Document& d) {
    Printing::Preview p;
    p.objectName = QStringLiteral("documentPreview");
    p.title = d.title + QLatin1Char(' ') + d.billNo;
    p.fileName = d.title + d.billNo;
    for (Paper paper : {Paper::A4, Paper::A5Landscape, Paper::Continuous241}) p.papers << paperName(paper);
    p.paper = int(savedPaper());
    p.layout = [](int paper) { return layoutOf(Paper(paper)); };
    p.chosen = [](int paper) { savePaper(Paper(paper)); };
    p.paint = [&d](QPagedPaintDevice* device, int) { paint(d, device); };
    return p;
}
} // namespace

bool writePdf(const Documents::Document& d, const QString& path, Paper paper, QString* error) {
    return Printing::writePdf(previewOf(d), path, int(paper), error);
}

void preview(QWidget* parent, const Documents::Document& d) { Printing::preview(parent, previewOf(d)); }

namespace {
// The document the core builds, previewed; a notice when the bill has no lines.
void previewBuilt(QWidget* parent, const std::function<Documents::Document()>& build) {
    Documents::Document d;
    if (!guarded(parent, [&] { d = build(); })) return;
    if (d.empty()) {
        Msg::notice(parent, QStringLiteral("不存在单据记录。"));
        return;
    }
    preview(parent, d);
}
} // namespace

void previewBillOf(DataGrid* grid) {
    QWidget* window = grid->window();
    if (grid->currentRow() < 0) {
        Msg::notice(window, Msg::NoRowChosen);
        return;
    }
    const auto v = [grid](const char* f) { return grid->currentValue(QString::fromLatin1(f)).toString(); };
    const Documents::PostedRow row{v("order_no"),  v("bill_no"),       v("warehouse"),     v("operation_code"),
                                   v("i_o_flag"),  v("red_flag"),      v("procure_date"),  v("operation_date"),
                                   v("operation_time")};
    previewBuilt(window, [&] { return Documents::posted(row); });
}

void offerAfterPosting(QWidget* parent, const Documents::PostedRow& bill) {
    Documents::AfterPost choice = Documents::AfterPost::Ask;
    if (!guarded(parent, [&] { choice = Documents::afterPost(Session::userCode()); })) return;
    if (choice == Documents::AfterPost::Never) return;
    if (choice == Documents::AfterPost::Ask && !Msg::askDravont(parent, QStringLiteral("打印单据？"))) return;
    Documents::Document d;
    if (guarded(parent, [&] { d = Documents::posted(bill); }) && !d.empty()) preview(parent, d);
}

void previewDraft(QWidget* parent, LineKind kind) {
    previewBuilt(parent, [&] { return Documents::draft(kind); });
}

} // namespace DocumentPrinter
