#pragma once
#include "masterdata/master_list.h"

class QGroupBox;
class QTabWidget;

// "项目分类定义": big and small categories, attributes, sizes and grades in five grids, with one
// add window and one delete window that adapt to the grid entered last.
class TBB30_form : public QDialog {
    Q_OBJECT
public:
    explicit TBB30_form(QWidget* parent = nullptr);
    static TBB30_form* current();
    // The grid that last received the focus: "Grid1" .. "Grid5"; kept for the whole run.
    static QString currentGrid();
    static void setCurrentGrid(const QString& name);

    DataGrid* grid(const QString& name) const;
    DataGrid* Grid1;
    DataGrid* Grid2;
    DataGrid* Grid3;
    DataGrid* Grid4;
    DataGrid* Grid5;
    QGroupBox* smallGroup;
    QTabWidget* PageControl1;
    QString clickedBig() const { return m_clickedBig; }
    bool smallLoaded() const { return m_smallLoaded; }

    void bigClicked(int row);
    void reload(const QString& gridName);
    QString bigCurrentCode() const;

private:
    QString m_clickedBig;
    bool m_smallLoaded = false;
};

class BB301_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit BB301_form(QWidget* parent = nullptr);
    void prepareFor(const QString& gridName);

protected:
    void save() override;

private:
    QString m_grid;
};

class BB302_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit BB302_form(QWidget* parent = nullptr);
    void prepareFor(const QString& gridName);

protected:
    void remove() override;

private:
    QString m_grid;
};
