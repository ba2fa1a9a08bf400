#pragma once
#include <QDateTime>
#include <QDialog>

class QProgressBar;

// "正在压缩备份": shown above every window while a backup runs.
class Progress_State : public QDialog {
    Q_OBJECT
public:
    explicit Progress_State(QWidget* parent = nullptr);
    QProgressBar* PB1; // the engine's snapshot
    QProgressBar* PB2; // compression and read-back

    // The backup command of the menu and toolbar: the database under `startDir` into
    // "backup/{MMddHHmm}quorvel.zip" there, asking before an archive of that name is replaced.
    static void runBackup(QWidget* parent, const QString& startDir, const QString& source,
                          const QDateTime& now = QDateTime::currentDateTime());
};
