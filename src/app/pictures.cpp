#include "app/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {
// A shirt outline on a coat hanger, the emblem of the program.
void drawShirt(QPainter& p, const QRectF& r, const QColor& fill) {
    const double w = r.width(), h = r.height(), x = r.x(), y = r.y();
    QPainterPath hook;
    hook.moveTo(x + w * 0.5, y + h * 0.16);
    hook.cubicTo(x + w * 0.5, y, x + w * 0.62, y, x + w * 0.6, y + h * 0.07);
    p.setPen(QPen(QColor(90, 90, 90), std::max(1.0, w / 40)));
    p.drawPath(hook);
    QPainterPath s;
    s.moveTo(x + w * 0.38, y + h * 0.16);
    s.lineTo(x + w * 0.62, y + h * 0.16);
    s.lineTo(x + w * 0.95, y + h * 0.32);
    s.lineTo(x + w * 0.85, y + h * 0.48);
    s.lineTo(x + w * 0.75, y + h * 0.42);
    s.lineTo(x + w * 0.75, y + h * 0.98);
    s.lineTo(x + w * 0.25, y + h * 0.98);
    s.lineTo(x + w * 0.25, y + h * 0.42);
    s.lineTo(x + w * 0.15, y + h * 0.48);
    s.lineTo(x + w * 0.05, y + h * 0.32);
    s.closeSubpath();
    p.setBrush(fill);
    p.setPen(QPen(fill.darker(160), std::max(1.0, w / 50)));
    p.drawPath(s);
    p.drawLine(QPointF(x + w * 0.5, y + h * 0.2), QPointF(x + w * 0.5, y + h * 0.95));
}

QPixmap gradientCanvas(int w, int h, QColor a, QColor b) {
    QPixmap pm(w, h);
    QPainter p(&pm);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    p.fillRect(pm.rect(), g);
    return pm;
}

void title(QPainter& p, const QRect& r, int px, const QString& text, QColor c = Qt::white) {
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}
} // namespace

namespace Pictures {

QPixmap splash() {
    QPixmap pm = gradientCanvas(534, 306, QColor(18, 60, 110), QColor(70, 140, 190));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawShirt(p, QRectF(40, 60, 150, 170), QColor(240, 200, 90));
    drawShirt(p, QRectF(110, 90, 120, 140), QColor(230, 110, 90));
    title(p, QRect(220, 70, 300, 70), 46, QStringLiteral("衣仓通"));
    title(p, QRect(220, 140, 300, 30), 18, QStringLiteral("服装仓储管理系统 6.01"), QColor(220, 235, 250));
    return pm;
}

QPixmap background() {
    QPixmap pm = gradientCanvas(1024, 768, QColor(225, 236, 245), QColor(160, 190, 215));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(0.18);
    for (int i = 0; i < 6; ++i)
        drawShirt(p, QRectF(60 + i * 160, 420 - (i % 2) * 60, 140, 160), QColor(40, 90, 150));
    p.setOpacity(0.85);
    title(p, QRect(0, 120, 1024, 120), 72, QStringLiteral("衣 仓 通"), QColor(30, 70, 120));
    title(p, QRect(0, 230, 1024, 40), 24, QStringLiteral("仓库 · 入库 · 出库 · 盘点 · 结帐"), QColor(50, 90, 140));
    return pm;
}

QPixmap overlay() {
    QPixmap pm(137, 342);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 342);
    g.setColorAt(0, QColor(255, 255, 255, 200));
    g.setColorAt(1, QColor(200, 220, 240, 200));
    p.setBrush(g);
    p.setPen(QColor(120, 150, 180));
    p.drawRoundedRect(QRectF(1, 1, 135, 340), 12, 12);
    drawShirt(p, QRectF(18, 20, 100, 120), QColor(90, 150, 210));
    drawShirt(p, QRectF(18, 160, 100, 120), QColor(230, 150, 80));
    title(p, QRect(0, 295, 137, 40), 18, QStringLiteral("衣仓通"), QColor(40, 80, 130));
    return pm;
}

QPixmap about() {
    QPixmap pm = gradientCanvas(625, 361, QColor(250, 245, 230), QColor(220, 200, 160));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawShirt(p, QRectF(40, 80, 180, 210), QColor(120, 160, 210));
    title(p, QRect(240, 90, 360, 80), 52, QStringLiteral("衣仓通 6.01"), QColor(90, 60, 30));
    title(p, QRect(240, 180, 360, 40), 20, QStringLiteral("服装仓储管理系统"), QColor(110, 80, 40));
    return pm;
}

QPixmap toolIcon(int n) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colors[] = {QColor(40, 150, 70), QColor(200, 90, 40), QColor(40, 100, 190), QColor(130, 90, 170),
                             QColor(190, 40, 40), QColor(30, 140, 150)};
    const QColor c = colors[qBound(1, n, 6) - 1];
    p.setBrush(c.lighter(150));
    p.setPen(QPen(c.darker(130), 1.5));
    switch (n) {
    case 1:
    case 2: { // a box with an arrow going in or out
        p.drawRect(QRectF(4, 14, 24, 15));
        p.setBrush(c);
        QPolygonF arrow;
        if (n == 1) arrow << QPointF(16, 14) << QPointF(9, 6) << QPointF(13, 6) << QPointF(13, 1) << QPointF(19, 1)
                          << QPointF(19, 6) << QPointF(23, 6);
        else arrow << QPointF(16, 1) << QPointF(9, 9) << QPointF(13, 9) << QPointF(13, 14) << QPointF(19, 14)
                   << QPointF(19, 9) << QPointF(23, 9);
        p.drawPolygon(arrow);
        break;
    }
    case 3: // magnifier over shelves
        p.drawRect(QRectF(3, 4, 18, 22));
        p.drawLine(QPointF(3, 11), QPointF(21, 11));
        p.drawLine(QPointF(3, 18), QPointF(21, 18));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(15, 13, 11, 11));
        p.setPen(QPen(c.darker(130), 3));
        p.drawLine(QPointF(24, 22), QPointF(30, 29));
        break;
    case 4: // a disk
    case 6: // a disk with an arrow coming back out of it
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(8, 18, 16, 10));
        if (n == 6) {
            p.setPen(QPen(c.darker(150), 2.5));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(11, 15, 10, 10), 90 * 16, 270 * 16);
            p.setBrush(c.darker(150));
            p.drawPolygon(QPolygonF{QPointF(16, 12), QPointF(20, 15), QPointF(16, 18)});
        }
        break;
    default: // a door
        p.drawRect(QRectF(8, 3, 16, 26));
        p.setBrush(c.darker(120));
        p.drawEllipse(QRectF(19, 15, 3, 3));
        break;
    }
    return pm;
}

QImage appIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(70, 130, 200));
    g.setColorAt(1, QColor(30, 70, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94), s * 0.18, s * 0.18);
    drawShirt(p, QRectF(s * 0.14, s * 0.1, s * 0.72, s * 0.8), QColor(240, 200, 90));
    return img;
}

} // namespace Pictures
