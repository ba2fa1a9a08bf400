#include "ui/printing.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdio>

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

bool writeThrough(const QString& path, const std::function<bool(const QString&)>& write, QString* error) {
    QTemporaryFile temp(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".print-XXXXXX.") +
                                                                QFileInfo(path).suffix()));
    if (!temp.open()) {
        if (error) *error = temp.errorString();
        return false;
    }
    temp.close();
    if (!write(temp.fileName())) return false;
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        if (error) *error = QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}
} // namespace Printing
