#pragma once
#include <QDialog>

class QLineEdit;

// "登录窗口": stays alive, hidden, for the whole run; its loginID text is the user code.
class Login_Form : public QDialog {
    Q_OBJECT
public:
    explicit Login_Form(QWidget* parent = nullptr);
    void prepare(); // pre-fills the default account
    QLineEdit* loginID;
    QLineEdit* PassWord;

private:
    void tryLogin();
};
