#pragma once
// "转库操作": goods moved from an issuing warehouse to a receiving one; each line is a pair of
// staged rows picked from the issuing warehouse's stock rows.
#include "movements/entry_screen.h"
#include "movements/transfer.h"

class CategoryCascade;
class DatePicker;
class LookupField;
class NameBox;
class NumericEdit;
class QLineEdit;

class CC30_form : public EntryScreen {
    Q_OBJECT
public:
    explicit CC30_form(QWidget* parent = nullptr);

    QLineEdit* bill_no_a;
    DatePicker* procure_date_a;
    LookupField* warehouse_a; // receiving
    NameBox* warehouse_name_a;
    LookupField* warehouse_b; // issuing
    NameBox* warehouse_name_b;
    LookupField* arrage_code_b_a;
    NameBox* arrage_name_b_a;
    LookupField* arrage_code_s_a;
    NameBox* arrage_name_s_a;
    LookupField* item_code_a;
    NameBox* item_name_a;
    NameBox* item_model_a;
    NameBox* item_spec_a;
    QLineEdit* ID_a;
    QLineEdit* attr_code_a; // hidden codes, filled from the picked stock row
    QLineEdit* size_code_a;
    QLineEdit* stage_code_a;
    NameBox* attr_name_a;
    NameBox* size_name_a;
    NameBox* stage_name_a;
    NameBox* qty_b; // available quantity of the picked row
    NumericEdit* qty_a;
    QLineEdit* Focus_flag;

    Transfer::Line gathered() const;
    void addLine() override;

protected:
    void fullReset() override;
    void lineReset() override;
    void lockHeader(bool on) override;
    QString fillFromScan(const Barcodes::Variant& v) override;

private:
    void build();
    // A category change first asks whether `warehouse` is sealed; a sealed one is emptied.
    bool refuseSealed(LookupField* warehouse);
    CategoryCascade* m_cascade = nullptr;
};
