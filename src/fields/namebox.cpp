#include "fields/namebox.h"

NameBox::NameBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setFrame(false);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QStringLiteral("QLineEdit { background: #e4e4e4; border: 1px solid #c8c8c8; }"));
}
