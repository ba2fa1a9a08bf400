#pragma once
#include "masterdata/master_list.h"

// "计量单位定义": units of measure.
class TBB40_form : public MasterListForm {
    Q_OBJECT
public:
    explicit TBB40_form(QWidget* parent = nullptr);
    void reload() override;
};

class TBB401_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit TBB401_form(QWidget* parent = nullptr);
};

class TBB402_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit TBB402_form(QWidget* parent = nullptr);
};
