#include "ui/print_font.h"

#include <QStringList>

namespace Printing {
QFont font(double pointSize, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback"),
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setKerning(false);
    return f;
}
} // namespace Printing
