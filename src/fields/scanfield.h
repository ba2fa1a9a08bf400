#pragma once
// The scan field of every screen a hand scanner types into: "条码：", the code field, the running
// count of pieces scanned, and the list "未知条码" of the codes that were not known, in red. A code
// is taken on Enter or Tab (a keyboard-wedge scanner types the code and one of them): the field is
// emptied at once, ready for the next code, and the screen's handler answers. Unknown and refused
// codes sound a short beep; nothing here ever opens a box.
#include <QLineEdit>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;

// The code field: Enter and Tab end a code (taken here, never passed to the dialog's buttons or
// the focus chain); in an empty field they do what they do elsewhere.
class ScanEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ScanEdit(QWidget* parent = nullptr);
signals:
    void codeEnded(const QString& code);

protected:
    bool event(QEvent* e) override;
};

class ScanField : public QWidget {
    Q_OBJECT
public:
    enum class Answer {
        Taken,   // the piece counts
        Unknown, // no variant has the code: beep, the code listed in red
        Refused  // known but not taken here (the screen said why): beep
    };
    // `name` is the code field's object name (barcode_a, barcode_m); `commitBox` adds the check
    // box "扫描即确定" (scan_commit).
    ScanField(QWidget* parent, const QString& name, bool commitBox = false);

    ScanEdit* edit() const { return m_edit; }
    // Off the Tab chain: a screen's keyboard road goes on through its own fields, the scanner
    // clerk clicks into the field once.
    void leaveTabChain();
    QCheckBox* commitBox() const { return m_commit; }
    QListWidget* unknownList() const { return m_unknown; }
    QLabel* messageLabel() const { return m_message; }
    int pieces() const { return m_pieces; }
    void resetPieces();
    // What the screen says about the last code, beside the field (empty: nothing).
    void say(const QString& text);
    // Answers each code; the field is empty again before it runs.
    std::function<Answer(const QString& code)> handler;
    static void beep();

signals:
    void scanned(Answer answer);

private:
    void take(const QString& code);
    ScanEdit* m_edit;
    QLabel* m_count;
    QCheckBox* m_commit = nullptr;
    QListWidget* m_unknown;
    QLabel* m_message;
    int m_pieces = 0;
};
