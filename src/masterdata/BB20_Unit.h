#pragma once
#include "masterdata/master_list.h"

// "仓库定义": warehouses, with the add and delete windows created at start-up.
class TBB20_form : public MasterListForm {
    Q_OBJECT
public:
    explicit TBB20_form(QWidget* parent = nullptr);
    static TBB20_form* current();
    void reload() override;
};

class BB201_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit BB201_form(QWidget* parent = nullptr);

protected:
    void save() override;
};

class BB202_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit BB202_form(QWidget* parent = nullptr);
    void prepare();

protected:
    void remove() override;
};
