#pragma once
// The font of everything printed or written to PDF. Its families map every glyph back to one
// character, so the text of a PDF reads back as printed: the screen's CJK font shares one glyph
// between an ideograph and its Kangxi radical (人 came back as ⼈) and shapes digits after
// letters into glyphs the PDF writer cannot name (I00001 came back as I).
#include <QFont>

namespace Printing {
QFont font(double pointSize, bool bold = false);
} // namespace Printing
