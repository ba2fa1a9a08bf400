#pragma once
#include "movements/reversal_form.h"

// "出库红冲操作": red lines taken from a posted bill.
class TDD20_form : public ReversalForm {
    Q_OBJECT
public:
    explicit TDD20_form(QWidget* parent = nullptr);
};
