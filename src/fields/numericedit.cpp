#include "fields/numericedit.h"

#include "data/numbers.h"

#include <QKeyEvent>

NumericEdit::NumericEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setText(QStringLiteral("0.00"));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.isEmpty()) setText(QStringLiteral("0.00"));
    });
}

void NumericEdit::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    if (e->key() == Qt::Key_Backspace || t.isEmpty() || !t[0].isPrint() || (e->modifiers() & Qt::ControlModifier)) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (t.size() == 1 && (t[0].isDigit() || t[0] == QLatin1Char('.'))) QLineEdit::keyPressEvent(e);
    // every other character is discarded
}

void NumericEdit::focusOutEvent(QFocusEvent* e) {
    reformat();
    QLineEdit::focusOutEvent(e);
}

void NumericEdit::reformat() {
    const auto v = Numbers::parse(text());
    setText(v ? Numbers::entry(*v) : QStringLiteral("0.00"));
}

std::optional<double> NumericEdit::value() const { return Numbers::parse(text()); }
