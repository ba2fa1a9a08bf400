#pragma once
#include <QWidget>

// Borderless start-up window with the built-in picture and "程序载入中.............".
class FormSplash : public QWidget {
    Q_OBJECT
public:
    explicit FormSplash(QWidget* parent = nullptr);
    // Keeps the splash on the screen for `ms` milliseconds, then closes it.
    void holdAndClose(int ms);
};
