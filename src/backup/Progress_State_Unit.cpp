#include "backup/Progress_State_Unit.h"

#include "backup/backup.h"
#include "fields/form_helpers.h"
#include "ui/messages.h"
#include "ui/screens.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QThread>

Progress_State::Progress_State(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Progress_State"));
    setWindowTitle(QStringLiteral("正在压缩备份"));
    setFixedSize(522, 109);
    auto* label = new QLabel(QStringLiteral("正在压缩备份............"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(24, 10, 474, 24);
    PB1 = new QProgressBar(this);
    PB1->setObjectName(QStringLiteral("PB1"));
    PB2 = new QProgressBar(this);
    PB2->setObjectName(QStringLiteral("PB2"));
    PB1->setGeometry(24, 40, 474, 22);
    PB2->setGeometry(24, 72, 474, 22);
    for (QProgressBar* b : {PB1, PB2}) b->setRange(0, 100);
}

void Progress_State::runBackup(QWidget* parent, const QString& startDir, const QString& source, const QDateTime& now) {
    const Backup::Job job{source, Backup::archivePath(startDir, now), Backup::entryName(startDir, source)};
    Forms::WaitCursor wait;
    try {
        Backup::requireRight();
    } catch (const DbError& e) {
        Msg::error(parent, e.text());
        return;
    }
    if (QFileInfo::exists(job.archive) && !Msg::confirm(parent, Backup::OverwriteQuestion)) return;

    Progress_State* window = longLived<Progress_State>();
    if (parent) window->move(parent->frameGeometry().center() - window->rect().center());
    window->PB1->setValue(0);
    window->PB2->setValue(0);
    window->show();
    window->raise();

    Backup::Progress progress;
    Backup::Result result;
    QThread* worker = QThread::create([&] { result = Backup::make(job, &progress); });
    worker->start();
    // The bars follow the work; the user's input waits until the archive is done.
    while (!worker->wait(50)) {
        window->PB1->setValue(progress.snapshot);
        window->PB2->setValue(progress.archive);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    delete worker;
    window->PB1->setValue(progress.snapshot);
    window->PB2->setValue(progress.archive);
    window->hide();
    if (!result.error.isEmpty()) {
        Msg::error(parent, result.error);
        return;
    }
    if (result.files > 0) guarded(parent, [&] { Backup::recordMade(job); });
    Msg::dravont(parent, Backup::doneMessage(result.files));
}
