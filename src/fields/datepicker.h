#pragma once
#include <QDateEdit>

// Date field with a drop-down calendar, shown and written as "yyyy/MM/dd". The calendar speaks
// Chinese whatever the machine's locale; Tab leaves the field (one stop, not one per section).
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    QString dateText() const;
    void setToday();

protected:
    bool focusNextPrevChild(bool next) override;
};
