#include "backup/AA60_Unit.h"

#include "backup/backup.h"
#include "backup/restore.h"
#include "fields/form_helpers.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

std::function<void()>& TAA60_form::restart() {
    static std::function<void()> r = [] {
        QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1),
                                QDir::currentPath());
        QCoreApplication::quit();
    };
    return r;
}

TAA60_form::TAA60_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA60_form"));
    setWindowTitle(QStringLiteral("数据恢复"));
    setSizeGripEnabled(true);
    resize(640, 420);
    auto* v = new QVBoxLayout(this);
    v->addWidget(Forms::heading(this, QStringLiteral("数  据  恢  复")));
    auto* row = new QHBoxLayout;
    row->addWidget(Forms::caption(QStringLiteral("备份文件："), this));
    FileName = new QLineEdit(this);
    FileName->setObjectName(QStringLiteral("FileName"));
    row->addWidget(FileName, 1);
    Cmd_Choose = Forms::button(row, this, QStringLiteral("选择…"), QStringLiteral("Cmd_Choose"));
    v->addLayout(row);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(QStringLiteral("选择一个备份文件（backup 目录下的 *quorvel.zip），按“检查”看它的内容；"
                                       "“恢复”先备份现有数据，再用所选的备份替换它，然后程序重新启动。"));
    v->addWidget(Memo1, 1);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    v->addWidget(Label1);
    QHBoxLayout* buttons = Forms::closeRow(this);
    Cmd_Check = new QPushButton(QStringLiteral("检查"), this);
    Cmd_Check->setObjectName(QStringLiteral("Cmd_Check"));
    Cmd_Check->setDefault(true);
    Cmd_Restore = new QPushButton(QStringLiteral("恢复"), this);
    Cmd_Restore->setObjectName(QStringLiteral("Cmd_Restore"));
    Cmd_Restore->setAutoDefault(false);
    Cmd_Restore->setEnabled(false);
    buttons->insertWidget(1, Cmd_Check);
    buttons->insertWidget(2, Cmd_Restore);
    v->addLayout(buttons);
    connect(Cmd_Choose, &QPushButton::clicked, this, &TAA60_form::choose);
    connect(Cmd_Check, &QPushButton::clicked, this, &TAA60_form::check);
    connect(Cmd_Restore, &QPushButton::clicked, this, &TAA60_form::restore);
    connect(FileName, &QLineEdit::textChanged, this, [this] { Cmd_Restore->setEnabled(false); });
}

void TAA60_form::choose() {
    const QString file = Msg::seam().chooseOpenFile(this, QStringLiteral("选择备份文件"),
                                                     QStringLiteral("备份文件 (*.zip)"));
    if (file.isEmpty()) return;
    FileName->setText(QDir::toNativeSeparators(file));
    check();
}

void TAA60_form::check() {
    const QString file = QDir::fromNativeSeparators(FileName->text().trimmed());
    if (file.isEmpty()) return Msg::notice(this, QStringLiteral("请选择备份文件！"));
    Forms::WaitCursor wait;
    Label1->setText(QStringLiteral("正在检查……"));
    Label1->repaint();
    const Restore::Report r = Restore::inspect(file);
    Label1->clear();
    Memo1->setPlainText(Restore::describe(r));
    m_checked = r.ok() ? file : QString();
    Cmd_Restore->setEnabled(r.ok());
}

void TAA60_form::restore() {
    const QString file = m_checked;
    if (file.isEmpty()) return;
    if (!Msg::confirm(this, QStringLiteral("用所选的备份替换现有的全部数据？\n现有数据先备份到 backup 目录；"
                                           "其他正在使用数据库的程序将被要求退出。恢复后程序重新启动。")))
        return;
    const Restore::Outcome o = [&] {
        Forms::WaitCursor wait;
        return Restore::restore(file, QDir::currentPath(), [this](Restore::Step s) {
            static const QStringList steps = {QStringLiteral("正在检查备份……"), QStringLiteral("正在备份现有数据……"),
                                              QStringLiteral("正在恢复……")};
            Label1->setText(steps.value(int(s)));
            Label1->repaint();
        });
    }();
    Label1->clear();
    if (!o.ok()) {
        Memo1->setPlainText(Restore::describe(o.report));
        Msg::error(this, Restore::FailedMessage.arg(o.error));
        return;
    }
    Msg::dravont(this, QStringLiteral("数据已恢复（恢复前的数据已备份为 %1）。程序将重新启动。")
                           .arg(QDir::toNativeSeparators(o.safetyBackup)));
    accept();
    QTimer::singleShot(0, qApp, [] {
        if (restart()) restart()();
    });
}
