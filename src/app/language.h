#pragma once
// The application speaks Simplified Chinese whatever the machine's locale: Qt's own texts (message
// box buttons, the text fields' context menu, the calendar) come from Qt's zh_CN translations.
// Stored dates keep "yyyy/MM/dd" and numbers their fixed patterns, which do not use the locale.
class QCoreApplication;

namespace Language {
// Sets the Chinese locale as the default and installs Qt's translations; false when they were not
// found (the texts then stay in English).
bool install(QCoreApplication& app);
} // namespace Language
