#pragma once
#include <QDialog>

class DataGrid;
class FilterPanel;
class QPushButton;

// "当前库存查询": the balances of one warehouse, narrowed by classification.
class TEE10_form : public QDialog {
    Q_OBJECT
public:
    explicit TEE10_form(QWidget* parent = nullptr);
    FilterPanel* filters;
    DataGrid* DBGrid1;
    QPushButton* Cmd_group;
    QPushButton* Cmd_Query;
    QPushButton* Cmd_Exit;
    void query();
    void group();
};
