#pragma once
#include "masterdata/master_list.h"

// "计量单位定义": units of measure.
class TBB40_form : public MasterListForm {
    Q_OBJECT
public:
    explicit TBB40_form(QWidget* parent = nullptr);
    static TBB40_form* current();
    void reload() override;
};

class BB401_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit BB401_form(QWidget* parent = nullptr);

protected:
    void save() override;
};

class BB402_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit BB402_form(QWidget* parent = nullptr);
    void prepare();

protected:
    void remove() override;
};
