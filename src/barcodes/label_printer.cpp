#include "barcodes/label_printer.h"

#include "fields/datagrid.h"
#include "ui/messages.h"
#include "ui/printing.h"

#include <QDir>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSettings>

#include <zint.h>

#include <memory>

namespace LabelPrinter {

namespace {
QSettings settings() { return QSettings(QDir::current().filePath(QStringLiteral("Dravont.ini")), QSettings::IniFormat); }

constexpr double LabelW = 70, LabelH = 37; // the sheet's labels, mm
constexpr int Columns = 3, Rows = 8;

QPageLayout layoutOf(Layout l) {
    if (l == Layout::Roll40x30)
        return QPageLayout(QPageSize(QSizeF(40, 30), QPageSize::Millimeter, QStringLiteral("40 × 30 mm")),
                           QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

int symbologyOf(Barcodes::Kind k) {
    switch (k) {
    case Barcodes::Kind::EAN13:
    case Barcodes::Kind::EAN8: return BARCODE_EANX;
    case Barcodes::Kind::UPCA: return BARCODE_UPCA;
    case Barcodes::Kind::CODE128: break;
    }
    return BARCODE_CODE128;
}

// Text fitted into a line of the label: smaller until it fits, then cut.
void fitText(QPainter& p, const QRectF& r, const QString& text, double points, bool bold, Qt::Alignment align) {
    QFont f = Printing::font(points, bold);
    for (int i = 0; i < 4; ++i) {
        p.setFont(f);
        if (p.fontMetrics().horizontalAdvance(text) <= r.width()) break;
        f.setPointSizeF(f.pointSizeF() * 0.85);
    }
    p.drawText(r, align | Qt::AlignVCenter, p.fontMetrics().elidedText(text, Qt::ElideRight, int(r.width())));
}

Printing::Preview previewOf(const QList<Barcodes::Label>& labels) {
    Printing::Preview p;
    p.objectName = QStringLiteral("labelPreview");
    p.title = QStringLiteral("标签（%1 张）").arg(labels.size());
    p.fileName = QStringLiteral("标签");
    p.papers = {layoutName(Layout::A4Sheet), layoutName(Layout::Roll40x30)};
    p.paper = int(savedLayout());
    p.layout = [](int l) { return layoutOf(Layout(l)); };
    p.chosen = [](int l) { saveLayout(Layout(l)); };
    p.paint = [&labels](QPagedPaintDevice* device, int l) { paint(labels, device, Layout(l)); };
    return p;
}
} // namespace

QString layoutName(Layout l) {
    return l == Layout::Roll40x30 ? QStringLiteral("标签纸 40×30 mm") : QStringLiteral("A4 不干胶 3×8（70×37 mm）");
}

Layout savedLayout() {
    return settings().value(QStringLiteral("print/label_layout"), 0).toInt() == 1 ? Layout::Roll40x30 : Layout::A4Sheet;
}

void saveLayout(Layout l) { settings().setValue(QStringLiteral("print/label_layout"), int(l)); }

bool paintBars(QPainter& p, const QRectF& area, const Barcodes::Label& label) {
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> s(ZBarcode_Create(), &ZBarcode_Delete);
    if (!s) return false;
    s->symbology = symbologyOf(label.kind);
    s->show_hrt = 0; // the digits are printed by the label itself
    s->output_options |= BARCODE_QUIET_ZONES;
    const QByteArray data = label.barcode.toLatin1();
    if (ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size())) >= ZINT_ERROR)
        return false;
    if (ZBarcode_Buffer_Vector(s.get(), 0) >= ZINT_ERROR || !s->vector || s->vector->width <= 0) return false;
    const double sx = area.width() / s->vector->width, sy = area.height() / s->vector->height;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (const zint_vector_rect* r = s->vector->rectangles; r; r = r->next)
        p.drawRect(QRectF(area.left() + r->x * sx, area.top() + r->y * sy, r->width * sx, r->height * sy));
    p.restore();
    return true;
}

void paintLabel(QPainter& p, const QRectF& rect, double mm, const Barcodes::Label& l) {
    const bool small = rect.width() < 50 * mm;
    const QRectF in = rect.adjusted(2 * mm, 1.5 * mm, -2 * mm, -1.5 * mm);
    const double line = (small ? 3.6 : 4.6) * mm;
    const double points = small ? 6.5 : 8.5;
    p.setPen(Qt::black);
    double y = in.top();
    fitText(p, QRectF(in.left(), y, in.width(), line), l.itemCode + QLatin1Char(' ') + l.itemName, points, true,
            Qt::AlignLeft);
    y += line;
    fitText(p, QRectF(in.left(), y, in.width(), line), QStringLiteral("%1  %2  %3").arg(l.colour, l.size, l.grade),
            points, false, Qt::AlignLeft);
    y += line;
    const double digits = (small ? 3.2 : 4.0) * mm;
    const QRectF bars(in.left(), y + 0.5 * mm, in.width(), in.bottom() - digits - y - 0.5 * mm);
    if (!paintBars(p, bars, l)) fitText(p, bars, QStringLiteral("条码无法绘制"), points, false, Qt::AlignHCenter);
    fitText(p, QRectF(in.left(), in.bottom() - digits, in.width(), digits), l.barcode, points, false, Qt::AlignHCenter);
}

int paint(const QList<Barcodes::Label>& labels, QPagedPaintDevice* device, Layout layout) {
    QPainter p(device);
    const double mm = device->logicalDpiX() / 25.4;
    const int perPage = layout == Layout::Roll40x30 ? 1 : Columns * Rows;
    int pages = 0;
    for (int i = 0; i < labels.size(); ++i) {
        const int at = i % perPage;
        if (at == 0 && i > 0) device->newPage();
        if (at == 0) ++pages;
        QRectF r;
        if (layout == Layout::Roll40x30)
            r = QRectF(0, 0, 40 * mm, 30 * mm);
        else // the sheet's 8 rows of 37 mm leave half a millimetre above and below
            r = QRectF((at % Columns) * LabelW * mm, (0.5 + (at / Columns) * LabelH) * mm, LabelW * mm, LabelH * mm);
        paintLabel(p, r, mm, labels[i]);
    }
    return pages;
}

bool writePdf(const QList<Barcodes::Label>& labels, const QString& path, Layout layout, QString* error) {
    return Printing::writePdf(previewOf(labels), path, int(layout), error);
}

void preview(QWidget* parent, const QList<Barcodes::Wanted>& wanted) {
    QList<Barcodes::Label> labels;
    QList<Barcodes::Key> missing;
    if (!guarded(parent, [&] { labels = Barcodes::labels(wanted, &missing); })) return;
    if (!missing.isEmpty()) {
        QStringList names;
        for (const auto& k : missing) names << QStringLiteral("%1 %2 %3 %4").arg(k.item, k.attr, k.size, k.stage);
        Msg::notice(parent, QStringLiteral("以下项目还没有条码，不打印标签：\n%1").arg(names.join(QLatin1Char('\n'))));
    }
    if (labels.isEmpty()) {
        if (missing.isEmpty()) Msg::notice(parent, QStringLiteral("没有要打印的标签。"));
        return;
    }
    Printing::preview(parent, previewOf(labels));
}

void previewChosenLines(DataGrid* grid) {
    const QList<int> rows = grid->chosenRows();
    if (rows.isEmpty()) {
        Msg::notice(grid->window(), Msg::NoRowChosen);
        return;
    }
    QList<Barcodes::Wanted> wanted;
    const auto v = [grid](int row, const char* f) { return grid->value(row, QString::fromLatin1(f)); };
    for (int r : rows)
        wanted.append({{v(r, "item_code").toString(), v(r, "attr_code").toString(), v(r, "size_code").toString(),
                        v(r, "stage_code").toString()},
                       v(r, "qty").toDouble(),
                       {}});
    preview(grid->window(), wanted);
}

} // namespace LabelPrinter
