#include "security/Login_Unit.h"

#include "fields/form_helpers.h"
#include "ui/messages.h"
#include "data/session.h"
#include "security/accounts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Login_Form::Login_Form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Login_Form"));
    setWindowTitle(QStringLiteral("登录窗口"));
    setFixedSize(300, 145);
    auto* l1 = new QLabel(QStringLiteral("用户代码："), this);
    l1->setObjectName(QStringLiteral("Label1"));
    l1->setGeometry(30, 24, 80, 22);
    auto* l2 = new QLabel(QStringLiteral("密          码："), this);
    l2->setObjectName(QStringLiteral("Label2"));
    l2->setGeometry(30, 58, 80, 22);
    loginID = new QLineEdit(this);
    loginID->setObjectName(QStringLiteral("loginID"));
    loginID->setGeometry(115, 22, 150, 24);
    PassWord = new QLineEdit(this);
    PassWord->setObjectName(QStringLiteral("PassWord"));
    Forms::passwordField(PassWord);
    PassWord->setGeometry(115, 56, 150, 24);
    auto* ok = new QPushButton(QStringLiteral("登录"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setGeometry(60, 100, 80, 28);
    ok->setDefault(true);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    back->setObjectName(QStringLiteral("BitBtn2"));
    back->setGeometry(160, 100, 80, 28);
    connect(ok, &QPushButton::clicked, this, &Login_Form::tryLogin);
    connect(back, &QPushButton::clicked, this, &QDialog::reject); // Esc and the close box reject too
    Session::setUserCodeSource([this] { return loginID->text(); });
}

void Login_Form::prepare() {
    Session::setUserCodeSource([this] { return loginID->text(); });
    loginID->setText(Accounts::DefaultCode);
    PassWord->setText(Accounts::DefaultPassword);
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
}

void Login_Form::tryLogin() {
    if (loginID->text().isEmpty() || PassWord->text().isEmpty()) return;
    guarded(this, [&] {
        if (Accounts::login(loginID->text(), PassWord->text())) accept();
        else Msg::notice(this, QStringLiteral("登录失败！"));
    });
}
