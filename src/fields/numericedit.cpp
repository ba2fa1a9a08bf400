#include "fields/numericedit.h"

#include "data/numbers.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QValidator>

namespace {
// Every way text gets into the field ends here: what is not a number is refused as typed.
class NumberText : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = NumericEdit::toAscii(input);
        static const QRegularExpression number(QStringLiteral("^-?[0-9]*\\.?[0-9]*$"));
        return number.match(input).hasMatch() ? Acceptable : Invalid;
    }
};
} // namespace

NumericEdit::NumericEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new NumberText(this));
    setText(QStringLiteral("0.00"));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.isEmpty() && !m_composing) setText(QStringLiteral("0.00"));
    });
}

void NumericEdit::inputMethodEvent(QInputMethodEvent* e) {
    // An input method first empties the selection, then commits its string: "0.00" only when
    // the composition is over and nothing came of it.
    m_composing = true;
    QLineEdit::inputMethodEvent(e);
    m_composing = false;
    if (text().isEmpty() && e->preeditString().isEmpty()) setText(QStringLiteral("0.00"));
}

QString NumericEdit::toAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19) c = QChar(u - 0xFF10 + '0');
        else if (u == 0xFF0E || u == 0x3002) c = QLatin1Char('.');
        else if (u == 0xFF0D || u == 0x2212) c = QLatin1Char('-');
    }
    return out;
}

void NumericEdit::keyPressEvent(QKeyEvent* e) {
    const QString t = toAscii(e->text());
    if (e->key() == Qt::Key_Backspace || t.isEmpty() || !t[0].isPrint() || (e->modifiers() & Qt::ControlModifier)) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (t.size() == 1 && ((t[0] >= QLatin1Char('0') && t[0] <= QLatin1Char('9')) || t[0] == QLatin1Char('.'))) {
        QKeyEvent ascii(e->type(), e->key(), e->modifiers(), t, e->isAutoRepeat(), ushort(e->count()));
        QLineEdit::keyPressEvent(&ascii);
    }
    // every other character (the minus sign among them) is discarded
}

void NumericEdit::focusOutEvent(QFocusEvent* e) {
    reformat();
    QLineEdit::focusOutEvent(e);
}

void NumericEdit::reformat() {
    const auto v = Numbers::parse(text());
    setText(v ? Numbers::entry(*v) : QStringLiteral("0.00"));
}

std::optional<double> NumericEdit::value() const { return Numbers::parse(toAscii(text())); }
