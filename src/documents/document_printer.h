#pragma once
// Paints a bill document page by page: the heading on every page, the size × colour blocks
// (a block that does not fit goes on across pages with its captions again), the totals and the
// signature lines on the last page, "第 N 页 / 共 M 页" on each, "草稿" across a draft.
#include "documents/bill_document.h"

class DataGrid;
class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace DocumentPrinter {

enum class Paper {
    A4,           // A4 portrait
    A5Landscape,  // A5 landscape
    Continuous241 // 241 mm continuous form (三联单) of dot-matrix printers, a third of 11 in high
};
QString paperName(Paper p);
// The paper chosen last on this computer (Dravont.ini), A4 at first.
Paper savedPaper();
void savePaper(Paper p);
void setUp(QPrinter& printer, Paper p);

// Paints every page; returns the number of pages.
int paint(const Documents::Document& d, QPagedPaintDevice* device);
// Writes the document as a PDF; false with `error` when the file cannot be written.
bool writePdf(const Documents::Document& d, const QString& path, Paper paper, QString* error = nullptr);
// The print preview with the paper choice, printing and "导出PDF…".
void preview(QWidget* parent, const Documents::Document& d);
// The posted bill of the grid's current row (a record query, the stocktake query), previewed;
// a notice when no row is chosen.
void previewBillOf(DataGrid* grid);
// After a posting: the bill just posted, printed as the user chose (asked, always or never).
void offerAfterPosting(QWidget* parent, const Documents::PostedRow& bill);
// The user's staged lines of the kind as a draft.
void previewDraft(QWidget* parent, LineKind kind);

} // namespace DocumentPrinter
