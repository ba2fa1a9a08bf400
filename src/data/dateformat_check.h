#pragma once
// The regional date settings of the current user (short date pattern and separator). The system
// writes and compares dates as "yyyy/MM/dd"; the check keeps the user's settings at that form.
#include <QString>

class QSettings;

namespace DateFormatCheck {
inline const QString Pattern = QStringLiteral("yyyy/MM/dd");
inline const QString Separator = QStringLiteral("/");
inline const QString Message = QStringLiteral("因为日期格式不是\"yyyy/MM/dd\"，请重新运行程序！");

// Missing values are written silently. Returns false when a present value differed: it has
// been rewritten and the application must end with Message.
bool check(QSettings& regional);
// The per-user settings file that holds the regional values.
QString settingsPath();
} // namespace DateFormatCheck
