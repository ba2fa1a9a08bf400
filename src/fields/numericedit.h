#pragma once
#include <QLineEdit>
#include <optional>

// Right-aligned entry of a price or quantity: digits and one decimal point only, "0.00" when
// empty, rewritten as "0.00#" when left. Keys, paste, drops and input-method commits all pass the
// same filter; full-width digits, point and minus are taken as their ASCII forms.
class NumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumericEdit(QWidget* parent = nullptr);
    void reset() { setText(QStringLiteral("0.00")); }
    void reformat(); // what leaving the field does
    std::optional<double> value() const;
    // Full-width digits, point and minus (and the ideographic full stop) as ASCII.
    static QString toAscii(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    bool m_composing = false;
};
