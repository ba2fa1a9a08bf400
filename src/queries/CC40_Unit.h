#pragma once
// The movement record queries: stock-in records (TCC40_form) and stock-out records (TDD30_form),
// one implementation configured by direction.
#include "queries/query_screen.h"

class DatePicker;
class LookupField;
class NameBox;

class RecordQueryForm : public QueryScreen {
    Q_OBJECT
public:
    char direction() const { return m_dir; }
    LookupField* operation_code_a;
    NameBox* operation_name_a;
    LookupField* partner_a; // vendor_a / customer_a
    NameBox* partner_name_a;
    DatePicker* procure_date_a;
    DatePicker* Procure_date_b;
    LookupField* bill_no_a;
    LookupField* bill_no_b;
    void query() override;

protected:
    RecordQueryForm(QWidget* parent, char direction);

private:
    char m_dir;
};

class TCC40_form : public RecordQueryForm {
    Q_OBJECT
public:
    explicit TCC40_form(QWidget* parent = nullptr) : RecordQueryForm(parent, 'i') {}
};

class TDD30_form : public RecordQueryForm {
    Q_OBJECT
public:
    explicit TDD30_form(QWidget* parent = nullptr) : RecordQueryForm(parent, 'o') {}
};
