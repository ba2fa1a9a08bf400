#pragma once
#include <QDateEdit>

#include <optional>

// Date field with a drop-down calendar, shown and written as "yyyy/MM/dd". The calendar speaks
// Chinese whatever the machine's locale; Tab leaves the field (one stop, not one per section).
// A date is also typed as a whole, "yyyy/MM/dd" or "yyyyMMdd": the first digit starts it anew,
// Enter or leaving the field takes it, Esc gives it up; an impossible date is refused with
// "请输入正确日期" and the field keeps the date it had.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    QString dateText() const;
    void setToday();
    // A typed date in either form; nothing for anything else.
    static std::optional<QDate> parse(const QString& typed);
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool finishTyping(); // false when the typed text was refused (the old date is back)
    void refuse();
    bool m_typing = false;
    QDate m_before;
};
