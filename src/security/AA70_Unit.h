#pragma once
#include <QDialog>

class DataGrid;
class DatePicker;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// "操作日志": the audit trail filtered by time, account, command, table and bill, in the shared
// grid (with its exports); the chosen row's values before and after side by side.
class TAA70_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA70_form(QWidget* parent = nullptr);
    DatePicker* date_from;
    DatePicker* date_to;
    QLineEdit* login_id_a;
    QComboBox* command_a; // empty: every command
    QLineEdit* table_a;
    QLineEdit* bill_no_a;
    DataGrid* DBGrid1;
    QPlainTextEdit* before_text;
    QPlainTextEdit* after_text;
    void query();

private:
    void showRow(int row);
};
