#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;

// "密码修改窗口": the logged-in user replaces his own password.
class TAA10_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA10_form(QWidget* parent = nullptr);
    QLabel* Login_id;
    QLabel* login_name;
    QLineEdit* New_password_1;
    QLineEdit* New_password_2;

private:
    void save();
};
