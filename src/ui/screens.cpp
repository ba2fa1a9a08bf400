#include "ui/screens.h"

#include "ui/messages.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHash>
#include <QPointer>
#include <memory>

namespace {
QHash<QString, Screens::Factory>& factories() {
    static QHash<QString, Screens::Factory> f;
    return f;
}
QHash<QString, QPointer<QDialog>>& currents() {
    static QHash<QString, QPointer<QDialog>> c;
    return c;
}
QList<QPointer<QWidget>>& kept() {
    static QList<QPointer<QWidget>> k;
    return k;
}
void destroyKept() {
    for (auto& w : kept())
        if (w) delete w.data();
    kept().clear();
}
} // namespace

namespace Screens {

void add(const QString& code, Factory factory) { factories().insert(code, std::move(factory)); }
bool has(const QString& code) { return factories().contains(code); }
QDialog* current(const QString& code) { return currents().value(code); }

void open(const QString& code, QWidget* parent) {
    const auto it = factories().constFind(code);
    if (it == factories().constEnd()) return;
    QDialog* dlg = nullptr;
    try {
        dlg = (*it)(parent);
        dlg->setAttribute(Qt::WA_DeleteOnClose, false);
        currents().insert(code, dlg);
        Msg::runModal(dlg);
    } catch (const DbError& e) {
        Msg::error(parent, e.text());
    } catch (const std::exception& e) {
        Msg::error(parent, QString::fromLocal8Bit(e.what()));
    }
    currents().remove(code);
    delete dlg;
}

void keep(QWidget* window) {
    static bool registered = false;
    if (!registered) {
        qAddPostRoutine(destroyKept);
        registered = true;
    }
    kept().append(window);
}

} // namespace Screens
