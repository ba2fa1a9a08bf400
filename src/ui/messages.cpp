#include "ui/messages.h"

#include <QDialog>
#include <QGuiApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
class RealBoxes : public MessageSeam {
public:
    void notice(QWidget* p, const QString& t) override { QMessageBox::information(p, Msg::AppTitle, t); }
    void dravont(QWidget* p, const QString& t) override {
        QMessageBox::information(p, QStringLiteral("Dravont"), t, QMessageBox::Ok);
    }
    bool askDravont(QWidget* p, const QString& t) override {
        // Yes is the default button: "确定过帐？" is confirmed with Enter.
        return QMessageBox::question(p, QStringLiteral("Dravont"), t, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    }
    bool confirm(QWidget* p, const QString& t, bool yesOnly) override {
        QMessageBox box(QMessageBox::Question, Msg::AppTitle, t,
                        yesOnly ? QMessageBox::Yes : (QMessageBox::Yes | QMessageBox::No), p);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }
    void error(QWidget* p, const QString& t) override { QMessageBox::critical(p, Msg::AppTitle, t); }
    int runModal(QDialog* d) override { return d->exec(); }
    QString chooseImageFile(QWidget* p, const QString& title, const QString& filter) override {
        return QFileDialog::getOpenFileName(p, title, QString(), filter);
    }
    QString chooseSaveFile(QWidget* p, const QString& title, const QString& suggested, const QString& filter) override {
        return QFileDialog::getSaveFileName(p, title, suggested, filter);
    }
};

RealBoxes g_real;
MessageSeam* g_seam = &g_real;
} // namespace

namespace Msg {
MessageSeam& seam() { return *g_seam; }
void install(MessageSeam* s) { g_seam = s ? s : &g_real; }

void installBusyCursor() {
    Sql::setBusyObserver([](bool waiting) {
        if (waiting) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            QGuiApplication::sync(); // shown at once: the wait blocks the event loop
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    });
}
} // namespace Msg
