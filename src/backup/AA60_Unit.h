#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "数据恢复": an archive of the backup chosen, checked ("检查": date, program, counts, the
// engine's check and the balance check) and, after "恢复" and a confirmation, put in place of
// the live data (backup/restore.h). After a restore the program starts again on the restored data.
class TAA60_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA60_form(QWidget* parent = nullptr);
    QLineEdit* FileName;      // the archive
    QPlainTextEdit* Memo1;    // what the check found
    QLabel* Label1;           // the step under way
    QPushButton* Cmd_Choose;  // 选择…
    QPushButton* Cmd_Check;   // 检查
    QPushButton* Cmd_Restore; // 恢复
    void choose();
    void check();
    void restore();

    // Run after a restore, once the window has closed: by default a new copy of the program is
    // started in the same working directory and this one ends (its windows held the data
    // replaced). Tests put their own.
    static std::function<void()>& restart();

private:
    QString m_checked; // the archive the last check passed
};
