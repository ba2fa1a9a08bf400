#pragma once
#include "closing/GG10_Unit.h"

// "核算期设定窗口": the periods, shown only.
class TGG20_form : public PeriodWindow {
    Q_OBJECT
public:
    explicit TGG20_form(QWidget* parent = nullptr);
};
