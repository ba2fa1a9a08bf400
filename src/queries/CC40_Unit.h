#pragma once
// The movement record queries: stock-in records (TCC40_form) and stock-out records (TDD30_form),
// one implementation configured by direction.
#include <QDialog>

class DataGrid;
class DatePicker;
class FilterPanel;
class LookupField;
class NameBox;
class QPushButton;

class RecordQueryForm : public QDialog {
    Q_OBJECT
public:
    char direction() const { return m_dir; }
    FilterPanel* filters;
    LookupField* operation_code_a;
    NameBox* operation_name_a;
    LookupField* partner_a; // vendor_a / customer_a
    NameBox* partner_name_a;
    DatePicker* procure_date_a;
    DatePicker* Procure_date_b;
    LookupField* bill_no_a;
    LookupField* bill_no_b;
    DataGrid* DBGrid1;
    QPushButton* Cmd_group;
    QPushButton* Cmd_Query;
    QPushButton* Cmd_Exit;
    void query();
    void group();

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
