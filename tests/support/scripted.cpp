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

int ScriptedSeam::printPreview(QDialog* d) {
    modals << d->objectName();
    if (!onPreview) return QDialog::Rejected;
    d->show();
    const int r = onPreview(d);
    d->hide();
    return r;
}
