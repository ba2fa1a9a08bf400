#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;

// "单据抬头": the company heading of every printed bill, and whether the logged-in user is asked
// to print the bill after posting.
class TAA80_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA80_form(QWidget* parent = nullptr);
    QLineEdit* company_a;
    QLineEdit* address_a;
    QLineEdit* phone_a;
    QComboBox* after_post_a;

private:
    void save();
};
