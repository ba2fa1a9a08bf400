#pragma once
#include "masterdata/master_list.h"

class QGroupBox;
class QTabWidget;

// "项目分类定义": big and small categories, attributes, sizes and grades in five grids, with one
// add window and one delete window that act on the grid entered last.
class TBB30_form : public QDialog, public MasterList {
    Q_OBJECT
public:
    explicit TBB30_form(QWidget* parent = nullptr);
    // The grid that last received the focus: "Grid1" .. "Grid5"; kept for the whole run.
    static QString currentGrid();
    static void setCurrentGrid(const QString& name);
    static const Master::Table& tableOf(const QString& gridName);

    DataGrid* grid(const QString& name) const;
    DataGrid* Grid1;
    DataGrid* Grid2;
    DataGrid* Grid3;
    DataGrid* Grid4;
    DataGrid* Grid5;
    QGroupBox* smallGroup;
    QTabWidget* PageControl1;
    // The big category whose small categories are shown (empty before the first click).
    QString shownBig() const { return m_smallLoaded ? m_clickedBig : QString(); }

    void bigClicked(int row);
    void reload(const QString& gridName);

    // Acting on the current code table.
    const Master::Table& masterTable() const override;
    QString currentCode() const override;
    QString currentName() const override;
    // Small categories: the big category shown, or before any click the big grid's current row.
    QString parentCode() const override;
    void reload() override { reload(currentGrid()); }

protected:
    void showEvent(QShowEvent* e) override;

private:
    QString m_clickedBig;
    bool m_smallLoaded = false;
};

class TBB301_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit TBB301_form(QWidget* parent = nullptr);

protected:
    void adapt(const Master::Table& t) override;
};

class TBB302_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit TBB302_form(QWidget* parent = nullptr);

protected:
    void adapt(const Master::Table& t) override;
};
