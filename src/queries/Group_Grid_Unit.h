#pragma once
#include <QDialog>

class DataGrid;
class LookupField;
class NameBox;
class QPushButton;

// "分类汇总表": the crosstab of the last stock or movement query of the user.
class Group_Grid_form : public QDialog {
    Q_OBJECT
public:
    static constexpr int FieldLimit = 19; // fields shown: row name, row sum and 17 values

    explicit Group_Grid_form(QWidget* parent = nullptr);
    // Empties the range, builds the crosstab for the two headings and sets up the range lists.
    void prepare(const QString& colCaption, const QString& rowCaption);
    void refresh(); // "刷新": again, limited to the range
    void dropColumns();

    LookupField* col_code_a;
    NameBox* col_name_a;
    LookupField* col_code_b;
    NameBox* col_name_b;
    QPushButton* Cmd_fresh;
    QPushButton* cmd_exit;
    DataGrid* DBGrid1;

private:
    void build(bool first);
    QString m_col, m_row;
};
