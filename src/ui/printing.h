#pragma once
// The font of everything printed or written to PDF. Its families map every glyph back to one
// character, so the text of a PDF reads back as printed: the screen's CJK font shares one glyph
// between an ideograph and its Kangxi radical (人 came back as ⼈) and shapes digits after
// letters into glyphs the PDF writer cannot name (I00001 came back as I).
#include <QFont>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace Printing {
QFont font(double pointSize, bool bold = false);
// Writes a file under a temporary name beside `path` and moves it into place only when `write`
// finished it (true), so nothing half-written is ever left under the chosen name. False when
// `write` gave up (`error` stays empty) or the file could not be made or moved (`error` says so).
bool writeThrough(const QString& path, const std::function<bool(const QString& temp)>& write, QString* error);

// What a print preview shows: pages painted onto the printer or a PDF, on paper the user chooses
// in the preview's tool bar from `papers` (the choice handed to `chosen`, which keeps it), and
// "导出PDF…" beside it.
struct Preview {
    QString objectName;                        // of the dialog
    QString title;                             // "打印预览 - {title}", the document's name
    QString fileName;                          // suggested for the PDF, without ".pdf"
    QStringList papers;                        // the paper choices, shown in this order
    int paper = 0;                             // the one chosen at first
    std::function<QPageLayout(int paper)> layout;
    std::function<void(int paper)> chosen;     // remembers a new choice
    std::function<void(QPagedPaintDevice* device, int paper)> paint;
};
// The preview of a Preview (through the message seam); a PDF is written through writeThrough.
void preview(QWidget* parent, const Preview& p);
// Writes the pages of a Preview on that paper as a PDF; false with `error` when it cannot.
bool writePdf(const Preview& p, const QString& path, int paper, QString* error = nullptr);
} // namespace Printing
