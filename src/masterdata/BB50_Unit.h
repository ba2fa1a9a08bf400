#pragma once
#include "masterdata/master_list.h"

class QRadioButton;

// "操作类型定义": the user's stock-in and stock-out operation types, one direction at a time.
class TBB50_form : public MasterListForm {
    Q_OBJECT
public:
    explicit TBB50_form(QWidget* parent = nullptr);
    static QString direction(); // "i" or "o", kept for the run
    void reload() override;
    Master::Values extraValues() const override; // the new type takes the direction shown
    QRadioButton* inType;
    QRadioButton* outType;
};

class TBB501_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit TBB501_form(QWidget* parent = nullptr);
};

class TBB502_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit TBB502_form(QWidget* parent = nullptr);
};
