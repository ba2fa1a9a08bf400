#pragma once
#include <QDialog>

class QComboBox;

// "创建分类样式": the column and row headings of the group summary; the choices stay for the run.
class Group_style_select_form : public QDialog {
    Q_OBJECT
public:
    explicit Group_style_select_form(QWidget* parent = nullptr);
    QComboBox* col_name;
    QComboBox* row_name;
    void confirm();
};
