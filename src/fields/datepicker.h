#pragma once
#include <QDateEdit>

// Date field with a drop-down calendar, shown and written as "yyyy/MM/dd".
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    QString dateText() const;
    void setToday();
};
