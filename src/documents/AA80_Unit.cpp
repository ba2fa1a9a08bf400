#include "documents/AA80_Unit.h"

#include "data/session.h"
#include "documents/bill_document.h"
#include "ui/messages.h"
#include "ui/screens.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAA80_form::TAA80_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA80_form"));
    setWindowTitle(QStringLiteral("单据抬头"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* form = new QFormLayout;
    const auto field = [&](const char* name, const QString& caption, int max) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(max);
        e->setMinimumWidth(320);
        form->addRow(caption, e);
        return e;
    };
    company_a = field("company_a", QStringLiteral("公司名称："), 60);
    address_a = field("address_a", QStringLiteral("地址："), 100);
    phone_a = field("phone_a", QStringLiteral("电话："), 40);
    after_post_a = new QComboBox(this);
    after_post_a->setObjectName(QStringLiteral("after_post_a"));
    after_post_a->addItems({QStringLiteral("每次询问"), QStringLiteral("总是打印"), QStringLiteral("不打印")});
    form->addRow(QStringLiteral("过帐后打印单据："), after_post_a);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(buttons);
    setFixedSize(sizeHint());
    connect(ok, &QPushButton::clicked, this, &TAA80_form::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    guarded(this, [&] {
        const Documents::Letterhead h = Documents::letterhead();
        company_a->setText(h.company);
        address_a->setText(h.address);
        phone_a->setText(h.phone);
        after_post_a->setCurrentIndex(int(Documents::afterPost(Session::userCode())));
    });
    Screens::focusFirstField(this);
}

void TAA80_form::save() {
    if (guarded(this, [&] {
            Documents::saveLetterhead({company_a->text(), address_a->text(), phone_a->text()});
            Documents::saveAfterPost(Session::userCode(), Documents::AfterPost(after_post_a->currentIndex()));
        })) {
        Msg::dravont(this, QStringLiteral("保存成功！"));
        accept();
    }
}
