#pragma once
#include <QLineEdit>
#include <optional>

// Right-aligned entry of a price or quantity: digits and one decimal point only, "0.00" when
// empty, rewritten as "0.00#" when left.
class NumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumericEdit(QWidget* parent = nullptr);
    void reset() { setText(QStringLiteral("0.00")); }
    void reformat(); // what leaving the field does
    std::optional<double> value() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};
