#include "data/numbers.h"

#include <QDateTime>
#include <QRegularExpression>
#include <cmath>

namespace Numbers {

double round3(double v) {
    const double r = std::round(v * 1000.0) / 1000.0;
    return r == 0.0 ? 0.0 : r; // no negative zero
}

bool inRange(double v) { return std::isfinite(v) && std::fabs(v) <= MaxAmount + 0.0005 && std::fabs(round3(v)) <= MaxAmount; }

QString format(double v, const QString& pattern) {
    const int start = pattern.indexOf(QRegularExpression(QStringLiteral("[#0,.]")));
    const QString prefix = start > 0 ? pattern.left(start) : QString();
    const QString body = start >= 0 ? pattern.mid(start) : pattern;
    const int dot = body.indexOf('.');
    const QString intPart = dot >= 0 ? body.left(dot) : body;
    const QString fracPart = dot >= 0 ? body.mid(dot + 1) : QString();
    const int maxDec = fracPart.size();
    const int minDec = int(fracPart.count('0'));
    const bool grouping = intPart.contains(',');
    const int minInt = int(intPart.count('0'));

    const double scale = std::pow(10.0, maxDec);
    double r = std::round(std::fabs(v) * scale) / scale;
    const bool negative = v < 0 && r != 0.0;
    QString digits = QString::number(r, 'f', maxDec);
    QString ip = digits, fp;
    if (maxDec > 0) {
        ip = digits.section('.', 0, 0);
        fp = digits.section('.', 1, 1);
        while (fp.size() > minDec && fp.endsWith('0')) fp.chop(1);
    }
    if (ip == QLatin1String("0") && minInt == 0) ip.clear();
    while (ip.size() < minInt) ip.prepend('0');
    if (grouping && ip.size() > 3) {
        QString g;
        int n = 0;
        for (int i = ip.size() - 1; i >= 0; --i) {
            g.prepend(ip[i]);
            if (++n % 3 == 0 && i > 0) g.prepend(',');
        }
        ip = g;
    }
    QString out = ip;
    if (!fp.isEmpty()) out += '.' + fp;
    if (out.isEmpty()) out = QStringLiteral("0");
    if (negative) out.prepend('-');
    return prefix + out;
}

std::optional<double> parse(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace Numbers

namespace Dates {
QString today() { return QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")); }
QString timeOfDay() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).right(8); }
} // namespace Dates
