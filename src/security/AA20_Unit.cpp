#include "security/AA20_Unit.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "security/accounts.h"
#include "security/AA30_Unit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAA20_form::TAA20_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA20_form"));
    setWindowTitle(QStringLiteral("管理员设定"));
    setFixedSize(430, 320);
    auto* heading = Forms::heading(this, QStringLiteral("管 理 员 列 表"));
    heading->setGeometry(0, 8, 430, 28);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(20, 44, 390, 220);
    DBGrid1->setColumns({{"管理员名称", "管理员名称", 120}, {"管理员代码", "管理员代码", 120}, {"密码", "密码", 120}});
    auto* add = new QAction(QStringLiteral("新增"), this);
    auto* del = new QAction(QStringLiteral("删除"), this);
    auto* rights = new QAction(QStringLiteral("权限"), this);
    DBGrid1->addContextAction(add);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(del);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(rights);
    connect(add, &QAction::triggered, this, [] {
        AA201_form* d = longLived<AA201_form>();
        d->prepare();
        Msg::runModal(d);
    });
    connect(del, &QAction::triggered, this, [] {
        AA202_form* d = longLived<AA202_form>();
        d->prepare();
        Msg::runModal(d);
    });
    connect(rights, &QAction::triggered, this, [this] {
        TAA30_form::openFor(DBGrid1->currentValue(QStringLiteral("管理员代码")).toString(), this);
    });
    auto* close = new QPushButton(QStringLiteral("&关闭"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    close->setGeometry(330, 278, 80, 28);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    reload();
}

TAA20_form* TAA20_form::current() { return qobject_cast<TAA20_form*>(Screens::current(QStringLiteral("AA20"))); }

void TAA20_form::reload() {
    DBGrid1->open(QStringLiteral(
        "SELECT login_id AS 管理员代码, login_name AS 管理员名称, pass_word AS 密码 FROM login_table"));
    DBGrid1->setColumnWidths({120, 120, 120});
}

AA201_form::AA201_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AA201_form"));
    setWindowTitle(QStringLiteral("新增管理员"));
    setFixedSize(304, 193);
    login_ID = Forms::labelledEdit(this, QStringLiteral("管理员代码："), QStringLiteral("login_ID"), 10, 24);
    login_name = Forms::labelledEdit(this, QStringLiteral("管理员名称："), QStringLiteral("login_name"), 10, 62);
    Pass_word = Forms::labelledEdit(this, QStringLiteral("初始化密码："), QStringLiteral("Pass_word"), 20, 100);
    Forms::okCancel(this, QStringLiteral("确定"), QStringLiteral("取消"), 145, [this] { save(); });
}

void AA201_form::prepare() {
    login_ID->clear();
    login_name->clear();
    Pass_word->clear();
}

void AA201_form::save() {
    if (login_ID->text().isEmpty() || login_name->text().isEmpty() || Pass_word->text().isEmpty()) return;
    guarded(this, [&] {
        if (Accounts::codeOrNameUsed(login_ID->text(), login_name->text())) {
            Msg::notice(this, QStringLiteral("已经存在相同 管理员代码 或 管理员名称"));
            return;
        }
        Accounts::add(login_ID->text(), login_name->text(), Pass_word->text());
        if (TAA20_form* list = TAA20_form::current()) list->reload();
        accept();
    });
}

AA202_form::AA202_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AA202_form"));
    setWindowTitle(QStringLiteral("管理员删除确认窗口"));
    setFixedSize(325, 208);
    Label4 = Forms::valueLabel(this, QStringLiteral("被删除管理员代码："), QStringLiteral("Label4"), 24);
    Label5 = Forms::valueLabel(this, QStringLiteral("被删除管理员名称："), QStringLiteral("Label5"), 60);
    Forms::question(this, 100);
    Forms::okCancel(this, QStringLiteral("&删除"), QStringLiteral("&取消"), 160, [this] { remove(); });
}

void AA202_form::prepare() {
    TAA20_form* list = TAA20_form::current();
    Label4->setText(list ? list->DBGrid1->currentValue(QStringLiteral("管理员代码")).toString() : QString());
    Label5->setText(list ? list->DBGrid1->currentValue(QStringLiteral("管理员名称")).toString() : QString());
}

void AA202_form::remove() {
    guarded(this, [&] {
        if (Accounts::remove(Label4->text(), Label5->text()) == Accounts::RemoveResult::LastAccount) {
            Msg::notice(this, Accounts::LastAccountMessage);
            return;
        }
        if (TAA20_form* list = TAA20_form::current()) list->reload();
        accept();
    });
}
