// Login, password change and the account list.
#include "ui/screens.h"
#include "data/session.h"
#include "fields/datagrid.h"
#include "security/AA10_Unit.h"
#include "security/AA20_Unit.h"
#include "security/accounts.h"
#include "security/Login_Unit.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
void click(QWidget* parent, const char* name) {
    auto* b = parent->findChild<QPushButton*>(name);
    QVERIFY2(b, name);
    b->click();
}
Login_Form* freshLogin() {
    Login_Form* l = longLived<Login_Form>();
    l->prepare();
    l->setResult(QDialog::Rejected);
    return l;
}
QAction* action(QWidget* w, const QString& text) {
    for (QAction* a : w->findChild<DataGrid*>("DBGrid1")->view()->actions())
        if (a->text() == text) return a;
    return nullptr;
}
} // namespace

class TstSecurity : public QObject {
    Q_OBJECT
private slots:
    void loginWithDefaultsAndCase();
    void loginFailsKeepsFields();
    void loginCodeWithSpaces();
    void userCodeComesFromLoginWindow();
    void passwordChangeRoundTrip();
    void passwordChangeOfDeletedAccount();
    void adminAddRefusesDuplicates();
    void adminDeleteAndLastAccount();
    void cancelChangesNothing();
    void passwordsShowStars();
};

void TstSecurity::loginWithDefaultsAndCase() {
    TestDb db;
    ScriptedSeam seam;
    Login_Form* l = freshLogin();
    QCOMPARE(l->loginID->text(), QString("abc"));
    QCOMPARE(l->PassWord->echoMode(), QLineEdit::Password);
    click(l, "BitBtn1");
    QCOMPARE(l->result(), int(QDialog::Accepted));
    l = freshLogin();
    l->loginID->setText("ABC");
    click(l, "BitBtn1");
    QCOMPARE(l->result(), int(QDialog::Accepted));
    QVERIFY(seam.shown.isEmpty());
}

void TstSecurity::loginFailsKeepsFields() {
    TestDb db;
    ScriptedSeam seam;
    Login_Form* l = freshLogin();
    l->PassWord->setText("wrong");
    click(l, "BitBtn1");
    click(l, "BitBtn1");
    QCOMPARE(seam.shown, (QStringList{"登录失败！", "登录失败！"}));
    QCOMPARE(l->result(), int(QDialog::Rejected));
    QCOMPARE(l->PassWord->text(), QString("wrong"));
    l->PassWord->clear();
    click(l, "BitBtn1"); // empty password: nothing happens
    QCOMPARE(seam.shown.size(), 2);
    click(l, "BitBtn2");
    QCOMPARE(l->result(), int(QDialog::Rejected));
}

void TstSecurity::loginCodeWithSpaces() {
    TestDb db;
    ScriptedSeam seam;
    Login_Form* l = freshLogin();
    l->loginID->setText(" abc ");
    click(l, "BitBtn1");
    QCOMPARE(seam.last(), QString("登录失败！"));
    Sql::run("INSERT INTO login_table VALUES (' abc ','空格','123')");
    click(l, "BitBtn1");
    QCOMPARE(l->result(), int(QDialog::Accepted));
}

void TstSecurity::userCodeComesFromLoginWindow() {
    TestDb db;
    Login_Form* l = freshLogin();
    l->loginID->setText("abc ");
    QCOMPARE(Session::userCode(), QString("abc "));
}

void TstSecurity::passwordChangeRoundTrip() {
    TestDb db;
    ScriptedSeam seam;
    Login_Form* l = freshLogin();
    l->loginID->setText(" abc"); // trimmed by the password screen
    TestDb::grantAll({" abc"}); // rights go by the code as typed
    {
        TAA10_form f;
        QCOMPARE(f.Login_id->text(), QString("abc"));
        QCOMPARE(f.login_name->text(), QString("系统管理员"));
        QCOMPARE(f.New_password_1->maxLength(), 20);
        f.New_password_1->setText("x1");
        f.New_password_2->setText("x2");
        f.show(); // Enter reaches the default button of a shown window
        f.New_password_2->setFocus();
        QTest::keyClick(f.New_password_2, Qt::Key_Return);
        QCOMPARE(seam.last(), QString("密码不一致，请重新输入！"));
        QVERIFY(f.New_password_1->text().isEmpty() && f.New_password_2->text().isEmpty());
        QCOMPARE(f.focusWidget(), f.New_password_1); // both typed again, from the first
        f.New_password_1->setText("neu");
        f.New_password_2->setText("neu");
        click(&f, "BitBtn1");
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(seam.shown.size(), 1);
    }
    QCOMPARE(l->PassWord->text(), QString("neu"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table WHERE login_id='abc' AND pass_word='neu'"), 1);
    TAA10_form again;
    QCOMPARE(again.Login_id->text(), QString("abc"));
}

void TstSecurity::passwordChangeOfDeletedAccount() {
    TestDb db;
    Login_Form* l = freshLogin();
    Sql::run("INSERT INTO login_table VALUES ('zz','第二','1')");
    Sql::run("DELETE FROM login_table WHERE login_id='abc'");
    TAA10_form f;
    QVERIFY(f.Login_id->text().isEmpty() && f.login_name->text().isEmpty());
    f.New_password_1->setText("q");
    f.New_password_2->setText("q");
    click(&f, "BitBtn1");
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table WHERE pass_word='q'"), 0);
    Q_UNUSED(l);
}

void TstSecurity::adminAddRefusesDuplicates() {
    TestDb db;
    ScriptedSeam seam;
    QStringList captions;
    QString password;
    int rowsAfter = 0;
    seam.onModal = [&](QDialog* d) -> int {
        if (auto* list = qobject_cast<TAA20_form*>(d)) {
            captions = list->DBGrid1->captions();
            password = list->DBGrid1->currentValue("密码").toString();
            action(list, "新增")->trigger();
            rowsAfter = list->DBGrid1->rowCount();
            return QDialog::Accepted;
        }
        auto* add = qobject_cast<AA201_form*>(d);
        add->login_ID->setText("ABC"); // differs from "abc" only in case
        add->login_name->setText("新人");
        add->Pass_word->setText("pw");
        add->findChild<QPushButton*>("BitBtn1")->click();
        add->login_ID->setText("x1");
        add->login_name->setText("系统管理员");
        add->findChild<QPushButton*>("BitBtn1")->click();
        add->login_name->setText("O'Hara");
        add->findChild<QPushButton*>("BitBtn1")->click();
        return add->result();
    };
    Screens::registerAll();
    Screens::open("AA20", nullptr);
    QCOMPARE(captions, (QStringList{"管理员名称", "管理员代码", "密码"}));
    QCOMPARE(password, QString("123"));
    QCOMPARE(seam.shown, (QStringList{"已经存在相同 管理员代码 或 管理员名称", "已经存在相同 管理员代码 或 管理员名称"}));
    QCOMPARE(rowsAfter, 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table WHERE login_id='x1' AND login_name='O''Hara' AND pass_word='pw'"), 1);
}

void TstSecurity::adminDeleteAndLastAccount() {
    TestDb db;
    ScriptedSeam seam;
    Sql::run("INSERT INTO login_table VALUES ('b2','乙','1')");
    QStringList labels;
    QList<int> rows;
    seam.onModal = [&](QDialog* d) -> int {
        auto* list = qobject_cast<TAA20_form*>(d);
        if (!list) return QDialog::Rejected;
        AA202_form* del = longLived<AA202_form>();
        list->DBGrid1->setCurrentRow(1);
        del->prepare();
        labels << del->Label4->text() << del->Label5->text();
        del->findChild<QPushButton*>("BitBtn1")->click();
        rows << list->DBGrid1->rowCount();
        list->DBGrid1->setCurrentRow(0);
        del->prepare();
        del->findChild<QPushButton*>("BitBtn1")->click();
        rows << list->DBGrid1->rowCount();
        return QDialog::Accepted;
    };
    Screens::registerAll();
    Screens::open("AA20", nullptr);
    QCOMPARE(labels, (QStringList{"b2", "乙"}));
    QCOMPARE(rows, (QList<int>{1, 1}));
    QCOMPARE(seam.last(), Accounts::LastAccountMessage);
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table"), 1);
}

void TstSecurity::cancelChangesNothing() {
    TestDb db;
    ScriptedSeam seam;
    AA201_form* add = longLived<AA201_form>();
    add->prepare();
    add->login_ID->setText("n1");
    add->login_name->setText("n");
    add->Pass_word->setText("p");
    click(add, "BitBtn2");
    QCOMPARE(add->result(), int(QDialog::Rejected));
    QCOMPARE(TestDb::count("SELECT count(*) FROM login_table"), 1);
    add->prepare();
    QVERIFY(add->login_ID->text().isEmpty());
}

void TstSecurity::passwordsShowStars() {
    TestDb db;
    ScriptedSeam seam;
    Login_Form* l = freshLogin();
    l->PassWord->clear();
    QTest::keyClicks(l->PassWord, "ab1");
    QCOMPARE(l->PassWord->displayText(), QString("***"));
    TAA10_form f;
    auto* p1 = f.findChild<QLineEdit*>("New_password_1");
    QTest::keyClicks(p1, "xy");
    QCOMPARE(p1->displayText(), QString("**"));
    QCOMPARE(p1->text(), QString("xy"));
}

QTEST_MAIN(TstSecurity)
#include "tst_security.moc"
