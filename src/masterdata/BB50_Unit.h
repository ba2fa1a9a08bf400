#pragma once
#include "masterdata/master_list.h"

class QRadioButton;

// "操作类型定义": the user's stock-in and stock-out operation types, one direction at a time.
class TBB50_form : public MasterListForm {
    Q_OBJECT
public:
    explicit TBB50_form(QWidget* parent = nullptr);
    static TBB50_form* current();
    static QString direction(); // "i" or "o", kept for the run
    void reload() override;
    QRadioButton* inType;
    QRadioButton* outType;
};

class BB501_form : public MasterAddDialog {
    Q_OBJECT
public:
    explicit BB501_form(QWidget* parent = nullptr);

protected:
    void save() override;
};

class BB502_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit BB502_form(QWidget* parent = nullptr);

protected:
    void remove() override;
};
