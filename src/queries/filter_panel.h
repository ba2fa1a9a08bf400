#pragma once
// The filter fields shared by the query screens: warehouse, the category cascade with the item
// picker, attribute, size and grade, each with its name box.
#include "queries/query_builders.h"
#include "security/rights.h"

#include <QWidget>

class CategoryCascade;
class DatePicker;
class LookupField;
class NameBox;
class QGridLayout;
class QDialog;
class QLineEdit;
class QPushButton;

class FilterPanel : public QWidget {
    Q_OBJECT
public:
    explicit FilterPanel(QWidget* parent = nullptr);

    LookupField* warehouse_a;
    NameBox* warehouse_name_a;
    LookupField* arrage_code_b_a;
    NameBox* arrage_name_b_a;
    LookupField* arrage_code_s_a;
    NameBox* arrage_name_s_a;
    LookupField* item_code_a;
    NameBox* item_name_a;
    NameBox* item_model_a;
    NameBox* item_spec_a;
    LookupField* attr_code_a;
    NameBox* attr_name_a;
    LookupField* size_code_a;
    NameBox* size_name_a;
    LookupField* stage_code_a;
    NameBox* stage_name_a;
    QLineEdit* Focus_flag;
    QGridLayout* grid; // screens add their own fields from row 4 on

    // Adds a labelled lookup field with its name box at (row, column group 0..2).
    LookupField* addLookup(const QString& caption, const QString& name, const QStringList& columns, NameBox** nameBox,
                           int row, int group);
    // The buttons "分类汇总" (when `group` is given), "查询" (the default button) and "关闭" in a row
    // at the right of the panel; "关闭" closes `window`.
    void addButtons(QDialog* window, int row, QPushButton** group, QPushButton** query, QPushButton** exit);
    // "{caption}" and "至：" with two date pickers at `row` from column group `group`; changing the
    // first date copies it into the second.
    void addDateRange(const QString& caption, int row, int group, DatePicker** from, DatePicker** to);
    void reset();      // every field, name box and the flag emptied
    // Warehouses (those the user sees, or works in with Operate), big categories, small/items
    // empty, attributes, sizes, grades.
    void openLists(Rights::Access warehouses = Rights::Access::Query);
    // Screens whose rows have no grade leave its field out.
    void hideGrade();
    // Warehouse, big and small category, item, attribute, size and grade as typed, in this order.
    QueryBuilders::Criteria criteria() const;
    CategoryCascade* cascade() const { return m_cascade; }

private:
    CategoryCascade* m_cascade;
};
