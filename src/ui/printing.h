#pragma once
// The font of everything printed or written to PDF. Its families map every glyph back to one
// character, so the text of a PDF reads back as printed: the screen's CJK font shares one glyph
// between an ideograph and its Kangxi radical (人 came back as ⼈) and shapes digits after
// letters into glyphs the PDF writer cannot name (I00001 came back as I).
#include <QFont>
#include <QString>
#include <functional>

namespace Printing {
QFont font(double pointSize, bool bold = false);
// Writes a file under a temporary name beside `path` and moves it into place only when `write`
// finished it (true), so nothing half-written is ever left under the chosen name. False when
// `write` gave up (`error` stays empty) or the file could not be made or moved (`error` says so).
bool writeThrough(const QString& path, const std::function<bool(const QString& temp)>& write, QString* error);
} // namespace Printing
