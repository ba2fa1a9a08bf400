#pragma once
// The stock-in and stock-out windows: a header locked after the first staged line, line fields
// with the category cascade, the grid of the user's staged lines of this window's kind, and the
// buttons that stage, clear, post and leave.
#include "movements/entry_screen.h"

class CategoryCascade;
class DatePicker;
class LookupField;
class NameBox;
class NumericEdit;
class QLineEdit;

class EntryForm : public EntryScreen {
    Q_OBJECT
public:
    struct Config {
        LineKind kind;
        QString objectName;   // TCC10_form / TDD10_form
        QString caption;      // 入库操作 / 出库操作
        QString direction;    // 入库 / 出库
        QString partner;      // vendor / customer
        QString partnerLabel; // 供应商代码 / 客户代码
        QString typeList;     // operation type list statement
        QString billEmpty;    // message for an empty bill number
        bool stockRows;       // stock-out: lines picked from balance rows
    };

    // Fields by their names on the screen.
    QLineEdit* bill_no_a;
    LookupField* operation_code_a;
    NameBox* operation_name_a;
    LookupField* warehouse_a;
    NameBox* warehouse_name_a;
    DatePicker* procure_date_a;
    LookupField* partner_a;
    NameBox* partner_name_a;
    LookupField* arrage_code_b_a;
    NameBox* arrage_name_b_a;
    LookupField* arrage_code_s_a;
    NameBox* arrage_name_s_a;
    LookupField* item_code_a;
    NameBox* item_name_a;
    NameBox* item_model_a;
    NameBox* item_spec_a;
    LookupField* attr_code_a = nullptr;  // stock-in: chosen; stock-out: hidden code fields below
    LookupField* size_code_a = nullptr;
    LookupField* stage_code_a = nullptr;
    QLineEdit* attr_hidden = nullptr;
    QLineEdit* size_hidden = nullptr;
    QLineEdit* stage_hidden = nullptr;
    QLineEdit* ID_a = nullptr;
    NameBox* attr_name_a;
    NameBox* size_name_a;
    NameBox* stage_name_a;
    NumericEdit* price_a;
    NumericEdit* qty_a;
    QLineEdit* Focus_flag;

    QString attrCode() const;
    QString sizeCode() const;
    QString stageCode() const;

    QPushButton* BitBtn5 = nullptr; // 矩阵录入…

    void addLine() override;
    // The size × colour matrix of the chosen item and grade, after the checks of "确定".
    void openMatrix();

protected:
    EntryForm(QWidget* parent, const Config& cfg);
    void fullReset() override;
    void lineReset() override;
    void lockHeader(bool on) override;
    QString fillFromScan(const Barcodes::Variant& v) override;

private:
    void build();
    // The checks of "确定" up to the line's codes (lineCodes: attribute and size too), each
    // refusal shown; false when one failed.
    bool checkHeader(bool lineCodes);
    Config m_cfg;
    bool m_prices = true; // the user sees prices: the price field is shown and checked
    CategoryCascade* m_cascade = nullptr;
};
