#include "support/scripted.h"

#include <QDialog>

int ScriptedSeam::runModal(QDialog* d) {
    modals << d->objectName();
    if (!onModal) return QDialog::Rejected;
    d->setResult(QDialog::Rejected);
    d->show();
    const int r = onModal(d);
    d->hide();
    return r;
}
