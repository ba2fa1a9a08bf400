#include "fields/datepicker.h"

#include "data/dateformat_check.h"
#include "ui/messages.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTimer>

namespace {
const QString Refusal = QStringLiteral("请输入正确日期");

bool isDateChar(const QKeyEvent* e) {
    if (e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) return false;
    const QString t = e->text();
    return t.size() == 1 && (t[0].isDigit() || QStringLiteral("/-.").contains(t[0]));
}
} // namespace

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    setLocale(chinese);
    setCalendarPopup(true);
    calendarWidget()->setLocale(chinese);
    setDisplayFormat(DateFormatCheck::Pattern);
    setToday();
    lineEdit()->installEventFilter(this); // a click into the text ends the typing first
}

QString DatePicker::dateText() const { return date().toString(DateFormatCheck::Pattern); }
void DatePicker::setToday() { setDate(QDate::currentDate()); }

std::optional<QDate> DatePicker::parse(const QString& typed) {
    static const QRegularExpression slashes(QStringLiteral("^\\d{4}/\\d{2}/\\d{2}$"));
    static const QRegularExpression digits(QStringLiteral("^\\d{8}$"));
    const QString t = typed.trimmed();
    QDate d;
    if (slashes.match(t).hasMatch()) d = QDate::fromString(t, DateFormatCheck::Pattern);
    else if (digits.match(t).hasMatch()) d = QDate::fromString(t, QStringLiteral("yyyyMMdd"));
    if (!d.isValid()) return std::nullopt;
    return d;
}

QValidator::State DatePicker::validate(QString& input, int& pos) const {
    if (!m_typing) return QDateEdit::validate(input, pos);
    // While a date is typed as a whole, the sections do not apply: any start of one is taken.
    static const QRegularExpression start(QStringLiteral("^[0-9/.-]{0,10}$"));
    return start.match(input).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

bool DatePicker::finishTyping() {
    if (!m_typing) return true;
    m_typing = false;
    const auto d = parse(lineEdit()->text());
    const QDate taken = d && *d >= minimumDate() && *d <= maximumDate() ? *d : m_before;
    setDate(taken); // also shows the date again when it stays the same
    return d.has_value() && taken == *d;
}

void DatePicker::refuse() {
    Msg::notice(this, Refusal);
    setFocus();
    selectAll();
}

// The sections (year, month, day) are reached with the arrow keys; Tab goes on to the next field.
bool DatePicker::focusNextPrevChild(bool next) { return QAbstractSpinBox::focusNextPrevChild(next); }

void DatePicker::keyPressEvent(QKeyEvent* e) {
    if (!m_typing && isDateChar(e)) {
        m_typing = true;
        m_before = date();
        const QSignalBlocker b(lineEdit()); // the sections' own bookkeeping stays out of it
        lineEdit()->clear();
    }
    if (!m_typing) return QDateEdit::keyPressEvent(e);
    switch (e->key()) {
    case Qt::Key_Escape:
        m_typing = false;
        setDate(m_before);
        selectAll();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!finishTyping()) return refuse();
        return QDateEdit::keyPressEvent(e);
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F4:
        if (!finishTyping()) return refuse();
        return QDateEdit::keyPressEvent(e);
    default: {
        const QSignalBlocker b(lineEdit());
        QCoreApplication::sendEvent(lineEdit(), e);
        lineEdit()->update();
        return;
    }
    }
}

void DatePicker::focusOutEvent(QFocusEvent* e) {
    if (m_typing && !finishTyping()) {
        // Said once the focus has settled; the clerk types the date again.
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) refuse();
        });
    }
    QDateEdit::focusOutEvent(e);
}

bool DatePicker::eventFilter(QObject* o, QEvent* e) {
    if (o == lineEdit() && m_typing && e->type() == QEvent::MouseButtonPress && !finishTyping()) {
        refuse();
        return true;
    }
    return QDateEdit::eventFilter(o, e);
}

void DatePicker::mousePressEvent(QMouseEvent* e) {
    if (m_typing && !finishTyping()) return refuse();
    QDateEdit::mousePressEvent(e);
}

void DatePicker::wheelEvent(QWheelEvent* e) {
    if (m_typing && !finishTyping()) return refuse();
    QDateEdit::wheelEvent(e);
}
