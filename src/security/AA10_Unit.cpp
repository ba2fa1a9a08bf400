#include "security/AA10_Unit.h"

#include "fields/form_helpers.h"
#include "ui/messages.h"
#include "ui/screens.h"
#include "security/Login_Unit.h"
#include "security/accounts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAA10_form::TAA10_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA10_form"));
    setWindowTitle(QStringLiteral("密码修改窗口"));
    setFixedSize(304, 238);
    const QStringList captions = {QStringLiteral("用户代码："), QStringLiteral("用户名称："), QStringLiteral("新密码："),
                                  QStringLiteral("重复一遍：")};
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(captions[i], this);
        l->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        l->setGeometry(40, 24 + i * 38, 80, 22);
    }
    Login_id = new QLabel(this);
    Login_id->setObjectName(QStringLiteral("Login_id"));
    Login_id->setGeometry(125, 24, 140, 22);
    login_name = new QLabel(this);
    login_name->setObjectName(QStringLiteral("login_name"));
    login_name->setGeometry(125, 62, 140, 22);
    New_password_1 = new QLineEdit(this);
    New_password_1->setObjectName(QStringLiteral("New_password_1"));
    New_password_2 = new QLineEdit(this);
    New_password_2->setObjectName(QStringLiteral("New_password_2"));
    int y = 100;
    for (QLineEdit* e : {New_password_1, New_password_2}) {
        Forms::passwordField(e);
        e->setMaxLength(20);
        e->setGeometry(125, y, 140, 24);
        y += 38;
    }
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    ok->setGeometry(60, 190, 80, 28);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setGeometry(165, 190, 80, 28);
    connect(ok, &QPushButton::clicked, this, &TAA10_form::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const Login_Form* login = longLived<Login_Form>();
    const Accounts::Account a = Accounts::find(login->loginID->text().trimmed(), login->PassWord->text().trimmed());
    Login_id->setText(a.code);
    login_name->setText(a.name);
}

void TAA10_form::save() {
    if (New_password_1->text().isEmpty() || New_password_2->text().isEmpty()) return;
    if (New_password_1->text() != New_password_2->text()) {
        Msg::notice(this, QStringLiteral("密码不一致，请重新输入！"));
        New_password_1->clear();
        New_password_2->clear();
        New_password_1->setFocus(); // both typed again, the first one first
        return;
    }
    Login_Form* login = longLived<Login_Form>();
    guarded(this, [&] {
        Accounts::changePassword(login->loginID->text().trimmed(), login->PassWord->text().trimmed(),
                                 New_password_1->text());
        login->PassWord->setText(New_password_1->text());
        accept();
    });
}
