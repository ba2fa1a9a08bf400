#pragma once
#include "masterdata/master_list.h"

// "仓库定义": warehouses, with the add and delete windows created at start-up.
class TBB20_form : public MasterListForm {
    Q_OBJECT
public:
    explicit TBB20_form(QWidget* parent = nullptr);
    void reload() override;
    // "禁止负库存": turns the guard of the current warehouse on or off.
    QAction* guardAction;
    void toggleGuard();
};

class TBB201_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit TBB201_form(QWidget* parent = nullptr);
};

class TBB202_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit TBB202_form(QWidget* parent = nullptr);
};
