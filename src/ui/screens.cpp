#include "ui/screens.h"

#include "ui/messages.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
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
        if (!dlg->focusWidget()) focusFirstField(dlg);
        Msg::runModal(dlg);
    } catch (const DbError& e) {
        Msg::error(parent, e.text());
    } catch (const std::exception& e) {
        Msg::error(parent, QString::fromLocal8Bit(e.what()));
    }
    currents().remove(code);
    delete dlg;
}

void focusFirstField(QWidget* window) {
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (w->focusProxy() || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisibleTo(window))
            continue;
        if (qobject_cast<QAbstractButton*>(w)) continue;
        if (auto* e = qobject_cast<QLineEdit*>(w); e && e->isReadOnly()) continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
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
