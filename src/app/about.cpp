#include "app/about.h"

#include "app/pictures.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

About::About(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("关于本软件"));
    setFixedSize(625, 416);
    auto* picture = new QLabel(this);
    picture->setGeometry(0, 0, 625, 361);
    picture->setPixmap(Pictures::about());
    const QStringList labels = {QStringLiteral("Email: "), QStringLiteral("电话："), QStringLiteral("QQ:"),
                                QStringLiteral("MSN:")};
    const QStringList values = {QStringLiteral("service@hongda-soft.cn"), QStringLiteral("0571-86012345"),
                                QStringLiteral("86012345"), QStringLiteral("hongda-soft@msn.cn")};
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(labels[i] + values[i], this);
        l->setGeometry(16 + (i % 2) * 240, 366 + (i / 2) * 24, 236, 20);
    }
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setGeometry(525, 378, 80, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
