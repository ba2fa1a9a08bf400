#pragma once
// The twin reversal windows: a posted bill is chosen, red lines are picked from its posted lines
// and staged with a red price and quantity; the bill is the only field locked after a line.
#include "movements/entry_screen.h"
#include "movements/reversal.h"

class DatePicker;
class LookupField;
class NameBox;
class NumericEdit;
class QLineEdit;

class ReversalForm : public EntryScreen {
    Q_OBJECT
public:
    LookupField* bill_no_a;
    QLineEdit* operation_code_a; // hidden
    NameBox* operation_name_a;
    DatePicker* procure_date_a;
    NameBox* partner_a; // vendor_a / customer_a
    NameBox* partner_name_a;
    NameBox* warehouse_a;
    NameBox* warehouse_name_a;
    LookupField* item_code_a;
    NameBox* item_name_a;
    NameBox* item_model_a;
    NameBox* item_spec_a;
    QLineEdit* order_no_a; // hidden: the picked posted line
    NameBox* arrage_code_b_a;
    NameBox* arrage_name_b_a;
    NameBox* arrage_code_s_a;
    NameBox* arrage_name_s_a;
    NameBox* attr_code_a;
    NameBox* attr_name_a;
    NameBox* size_code_a;
    NameBox* size_name_a;
    NameBox* stage_code_a;
    NameBox* stage_name_a;
    NameBox* price_a_tmp;
    NameBox* qty_a_tmp;
    NumericEdit* price_a;
    NumericEdit* qty_a;

    // What the screen holds as one red line.
    Reversal::RedLine gathered() const;
    void addLine() override;

protected:
    ReversalForm(QWidget* parent, LineKind kind);
    void fullReset() override;
    void lineReset() override;
    void lockHeader(bool on) override;

private:
    void build();
    void onBillChanged(const QString& bill);
    void onLineEntered();
    void loadLines(); // the chosen bill's lines into the line field's list, once per bill
    void fillLine();
    void clearLineDetails(const QString& postedFigures);
    Reversal::Bill chosenBill() const;
    bool m_refusingEntry = false;
    QString m_linesOf; // the bill (number, warehouse, partner) the line list was built for

};
