#pragma once
#include "movements/entry_form.h"

// "入库操作": goods received from a vendor.
class TCC10_form : public EntryForm {
    Q_OBJECT
public:
    explicit TCC10_form(QWidget* parent = nullptr);
    LookupField* vendor_a() const { return partner_a; }
};
