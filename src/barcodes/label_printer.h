#pragma once
// Labels for the pieces: item code and name, colour, size, grade, the code as bars (drawn by
// libzint) and as digits. Two layouts: an A4 sheet of 3 × 8 labels of 70 × 37 mm, and a roll
// label of 40 × 30 mm for label printers, one label a page. The preview of the bill documents
// chooses the layout (remembered in Dravont.ini) and writes the PDF.
#include "barcodes/barcodes.h"

#include <QList>
#include <QRectF>

class DataGrid;
class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace LabelPrinter {

enum class Layout { A4Sheet, Roll40x30 };
QString layoutName(Layout l);
Layout savedLayout();
void saveLayout(Layout l);

// The bars of a code filling `area` (with the quiet zones of its kind); false when libzint
// refuses the code.
bool paintBars(QPainter& p, const QRectF& area, const Barcodes::Label& label);
// One label into `rect` (device units; `mm` device units a millimetre).
void paintLabel(QPainter& p, const QRectF& rect, double mm, const Barcodes::Label& label);
// Every label on its page; returns the number of pages.
int paint(const QList<Barcodes::Label>& labels, QPagedPaintDevice* device, Layout layout);
bool writePdf(const QList<Barcodes::Label>& labels, const QString& path, Layout layout, QString* error = nullptr);

// The labels of what is wanted, previewed; variants without a code are named first.
void preview(QWidget* parent, const QList<Barcodes::Wanted>& wanted);
// One label per piece of the grid's chosen lines (columns item_code, attr_code, size_code,
// stage_code, qty), previewed; a notice when no line is chosen.
void previewChosenLines(DataGrid* grid);

} // namespace LabelPrinter
