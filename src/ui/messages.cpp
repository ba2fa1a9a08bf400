#include "ui/messages.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QIdentityProxyModel>
#include <QGuiApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
// Qt's own file dialog (the desktop's would follow the machine's language), with the file types
// and dates in Chinese: the translations have no text for the types, the dates follow the locale
// of the machine.
class ChineseTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("文件夹");
        return info.suffix().isEmpty() ? QStringLiteral("文件") : info.suffix().toUpper() + QStringLiteral(" 文件");
    }
};

class ChineseDates : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& i, int role) const override {
        if (i.column() == 3 && role == Qt::DisplayRole)
            if (auto* fs = qobject_cast<QFileSystemModel*>(sourceModel()))
                return fs->lastModified(mapToSource(i)).toString(QStringLiteral("yyyy/MM/dd HH:mm"));
        return QIdentityProxyModel::data(i, role);
    }
};

QString chooseFile(QWidget* p, const QString& title, const QString& start, const QString& filter, bool save) {
    QFileDialog d(p, title, start, filter);
    d.setObjectName(QStringLiteral("FileDialog"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    ChineseTypes types;
    d.setIconProvider(&types);
    d.setProxyModel(new ChineseDates(&d));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().constFirst();
}

int showBox(QWidget* p, QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
    QMessageBox box(icon, title, text, buttons, p);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    // Wide enough for its title beside the frame's icon and buttons, however short the text.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int wide = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) + 140;
        grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box.exec();
}

class RealBoxes : public MessageSeam {
public:
    void notice(QWidget* p, const QString& t) override {
        showBox(p, QMessageBox::Information, Msg::AppTitle, t, QMessageBox::Ok);
    }
    void dravont(QWidget* p, const QString& t) override {
        showBox(p, QMessageBox::Information, QStringLiteral("Dravont"), t, QMessageBox::Ok);
    }
    bool askDravont(QWidget* p, const QString& t) override {
        // Yes is the default button: "确定过帐？" is confirmed with Enter.
        return showBox(p, QMessageBox::Question, QStringLiteral("Dravont"), t, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Yes) == QMessageBox::Yes;
    }
    bool confirm(QWidget* p, const QString& t, bool yesOnly) override {
        return showBox(p, QMessageBox::Question, Msg::AppTitle, t,
                       yesOnly ? QMessageBox::Yes : (QMessageBox::Yes | QMessageBox::No),
                       QMessageBox::Yes) == QMessageBox::Yes;
    }
    void error(QWidget* p, const QString& t) override { showBox(p, QMessageBox::Critical, Msg::AppTitle, t, QMessageBox::Ok); }
    int runModal(QDialog* d) override { return d->exec(); }
    QString chooseOpenFile(QWidget* p, const QString& title, const QString& filter) override {
        return chooseFile(p, title, QString(), filter, false);
    }
    QString chooseSaveFile(QWidget* p, const QString& title, const QString& suggested, const QString& filter) override {
        return chooseFile(p, title, suggested, filter, true);
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
