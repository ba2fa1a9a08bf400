#pragma once
#include <QLineEdit>

// Read-only, flat box on a light grey ground that shows the name looked up for a code.
class NameBox : public QLineEdit {
    Q_OBJECT
public:
    explicit NameBox(QWidget* parent = nullptr);
};
