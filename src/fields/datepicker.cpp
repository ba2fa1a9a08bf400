#include "fields/datepicker.h"

#include "data/dateformat_check.h"

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(DateFormatCheck::Pattern);
    setToday();
}

QString DatePicker::dateText() const { return date().toString(DateFormatCheck::Pattern); }
void DatePicker::setToday() { setDate(QDate::currentDate()); }
