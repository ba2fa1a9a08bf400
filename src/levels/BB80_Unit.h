#pragma once
// "库存上下限": the minimum and maximum stock of items per warehouse. The fields of a level
// (warehouse, the item through its categories, colour and size — left empty for every colour or
// size — minimum and maximum) above the list of levels; a click on a row puts it into the fields,
// "修改" writes the fields over that row, "删除" removes it.
#include "levels/stock_levels.h"

#include <QDialog>

class DataGrid;
class FilterPanel;
class NumericEdit;
class QPushButton;

class TBB80_form : public QDialog {
    Q_OBJECT
public:
    explicit TBB80_form(QWidget* parent = nullptr);

    FilterPanel* filters;
    NumericEdit* min_qty_a;
    NumericEdit* max_qty_a;
    QPushButton* BitBtn1; // 新增
    QPushButton* BitBtn2; // 修改
    QPushButton* BitBtn3; // 删除
    DataGrid* DBGrid1;

    void query();
    void addLevel();
    void changeLevel();
    void deleteLevel();
    // The grid's row in the fields.
    void showRow(int row);

private:
    StockLevels::Level typed() const;
    StockLevels::Level rowKey(int row) const;
    void answered(const QString& refusal, const StockLevels::Level& select);
};
