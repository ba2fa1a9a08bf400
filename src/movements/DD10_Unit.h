#pragma once
#include "movements/entry_form.h"

// "出库操作": goods issued to a customer from the stock rows of a warehouse.
class TDD10_form : public EntryForm {
    Q_OBJECT
public:
    explicit TDD10_form(QWidget* parent = nullptr);
    LookupField* customer_a() const { return partner_a; }
};
