#include "fields/datepicker.h"

#include "data/dateformat_check.h"

#include <QCalendarWidget>

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    setLocale(chinese);
    setCalendarPopup(true);
    calendarWidget()->setLocale(chinese);
    setDisplayFormat(DateFormatCheck::Pattern);
    setToday();
}

QString DatePicker::dateText() const { return date().toString(DateFormatCheck::Pattern); }
void DatePicker::setToday() { setDate(QDate::currentDate()); }

// The sections (year, month, day) are reached with the arrow keys; Tab goes on to the next field.
bool DatePicker::focusNextPrevChild(bool next) { return QAbstractSpinBox::focusNextPrevChild(next); }
