#include "app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Language {

bool install(QCoreApplication& app) {
    QLocale chinese(QLocale::Chinese, QLocale::China);
    chinese.setNumberOptions(QLocale::OmitGroupSeparator); // grids show numbers as stored
    QLocale::setDefault(chinese);
    auto* qt = new QTranslator(&app);
    if (!qt->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

} // namespace Language
