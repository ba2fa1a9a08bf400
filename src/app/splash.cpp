#include "app/splash.h"

#include "app/pictures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QThread>

FormSplash::FormSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FormSplash"));
    setFixedSize(534, 306);
    auto* picture = new QLabel(this);
    picture->setGeometry(rect());
    picture->setScaledContents(true);
    picture->setPixmap(Pictures::splash());
    auto* label = new QLabel(QStringLiteral("程序载入中............."), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setStyleSheet(QStringLiteral("color: white; font-size: 14px;"));
    label->setGeometry(20, 270, 400, 24);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void FormSplash::holdAndClose(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    close();
}
