#include "data/dateformat_check.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace DateFormatCheck {

bool check(QSettings& s) {
    s.beginGroup(QStringLiteral("International"));
    bool ok = true;
    const auto ensure = [&](const QString& key, const QString& wanted) {
        const QVariant v = s.value(key);
        if (!v.isValid() || v.toString().isEmpty()) {
            s.setValue(key, wanted);
        } else if (v.toString() != wanted) {
            s.setValue(key, wanted);
            ok = false;
        }
    };
    ensure(QStringLiteral("sShortDate"), Pattern);
    ensure(QStringLiteral("sDate"), Separator);
    s.endGroup();
    s.sync();
    return ok;
}

QString settingsPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(dir).filePath(QStringLiteral("yicangtong/regional.ini"));
}

} // namespace DateFormatCheck
