#pragma once
// Number rounding and the display patterns of the screens.
#include <QString>
#include <optional>

namespace Numbers {
double round3(double v);
// The largest price or quantity a field takes, either sign.
inline constexpr double MaxAmount = 999999999.999;
// A finite value within ±MaxAmount once rounded to 3 decimals.
bool inRange(double v);
// Delphi-style patterns used by the screens: "0.00#", "#,##0.##", "#.##", "合计：#.##".
QString format(double v, const QString& pattern);
inline QString entry(double v) { return format(v, QStringLiteral("0.00#")); }
inline QString footer(double v) { return format(v, QStringLiteral("#,##0.##")); }
// Strict conversion of an entry field's text ("12.5", "0.00"); nothing for other text.
std::optional<double> parse(const QString& text);
} // namespace Numbers

namespace Dates {
QString today();           // "yyyy/MM/dd"
QString timeOfDay();       // last eight characters of the date-and-time text: "hh:mm:ss"
} // namespace Dates
