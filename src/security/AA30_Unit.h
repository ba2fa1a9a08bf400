#pragma once
#include "security/rights.h"

#include <QDialog>

class DataGrid;
class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;
class QTreeWidget;

// "权限设置": the accounts at the left; for the chosen one its commands as a tree by menu, its
// warehouses with 查询/操作 and "查看价格"; rights copied from another account.
class TAA30_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA30_form(QWidget* parent = nullptr);
    // Opens the window (as the menu does) showing the account's rights first.
    static void openFor(const QString& account, QWidget* parent);
    DataGrid* DBGrid1;          // accounts
    QLabel* account_a;          // the account shown
    QTreeWidget* CommandTree;   // menus and their commands, with check boxes
    QTableWidget* WarehouseGrid; // row 0: every warehouse; columns 代码, 名称, 查询, 操作
    QCheckBox* see_price;       // 查看价格
    QComboBox* copy_from;       // account whose rights are copied
    // The grant the window shows (what 保存 writes).
    Rights::Grant shown() const;
    void showAccount(const QString& account);

private:
    void fillTree();
    void fillWarehouses();
    void save();
    void copy();
    void levelChanged(int row, int column);
    QString m_account;
    bool m_filling = false;
    static QString s_first; // the account openFor() shows first
};
