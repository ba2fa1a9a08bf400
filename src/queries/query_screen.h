#pragma once
// What the stock and movement query windows share: the filter panel, the result grid, the buttons
// "分类汇总" / "查询" / "关闭", the required warehouse, and the group summary opened on a
// non-empty result, which reads the window's own result.
#include "queries/query_builders.h"

#include <QDialog>

class DataGrid;
class FilterPanel;
class QPushButton;

class QueryScreen : public QDialog {
    Q_OBJECT
public:
    FilterPanel* filters;
    DataGrid* DBGrid1;
    QPushButton* Cmd_group = nullptr;
    QPushButton* Cmd_Query = nullptr;
    QPushButton* Cmd_Exit = nullptr;
    ~QueryScreen() override;
    virtual void query() = 0;
    void group();
    // The table that holds the last result of "查询" for this window.
    QString snapshotTable() const;

protected:
    QueryScreen(QWidget* parent, const QString& objectName, const QString& caption, const QSize& size);
    // Puts the buttons in the filter panel's row `row` and wires them ("分类汇总" only with `group`).
    void addButtons(int row, bool group = true);
    // "请选择仓库." and the focus on the warehouse field when none is chosen.
    bool warehouseChosen();
    // Runs the statement once: its rows, sorted by item code, are kept for the grid, its footer
    // and the group summary.
    void showResult(const QueryBuilders::Statement& s);

private:
    QString m_snapshot;
    bool m_queried = false; // a snapshot was made (dropped when the window goes)
};
