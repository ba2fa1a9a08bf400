#pragma once
#include "movements/reversal_form.h"

// "入库红冲操作": red lines taken from a posted bill.
class TCC20_form : public ReversalForm {
    Q_OBJECT
public:
    explicit TCC20_form(QWidget* parent = nullptr);
};
