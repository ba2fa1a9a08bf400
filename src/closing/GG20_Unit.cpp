#include "closing/GG20_Unit.h"

#include <QLabel>

TGG20_form::TGG20_form(QWidget* parent)
    : PeriodWindow(parent, QStringLiteral("TGG20_form"), QStringLiteral("核算期设定窗口"), QSize(390, 397)) {
    auto* note = new QLabel(QStringLiteral("默认为每月1日对上月进行结算。"), this);
    note->setObjectName(QStringLiteral("Label1"));
    note->setGeometry(16, 12, 358, 28);
}
