#pragma once
// Every menu and toolbar command opens its screen here: a new instance, made the current one,
// shown modally and destroyed when it closes. Long-lived dialogs are kept here as well.
#include <QObject>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace Screens {
using Factory = std::function<QDialog*(QWidget* parent)>;
void add(const QString& code, Factory factory);
bool has(const QString& code);
// The instance of a screen that is open now (nullptr when none).
QDialog* current(const QString& code);
// Creates, shows modally and destroys the screen; errors are shown and the instance destroyed.
void open(const QString& code, QWidget* parent);
// Puts the focus into the window's first field in tab order (not a button, not a read-only box).
void focusFirstField(QWidget* window);
// Registers the screens that exist (the application's list, in app/registry.cpp).
void registerAll();

// Windows that live for the whole run; destroyed when the application ends.
void keep(QWidget* window);
} // namespace Screens

template <class T> T* longLived() {
    static T* instance = nullptr;
    if (!instance) {
        instance = new T(nullptr);
        Screens::keep(instance);
        QObject::connect(instance, &QObject::destroyed, [] { instance = nullptr; });
    }
    return instance;
}

