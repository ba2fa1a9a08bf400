#pragma once
#include <QDialog>

// "关于本软件": picture, four contact lines and "确定".
class About : public QDialog {
    Q_OBJECT
public:
    explicit About(QWidget* parent = nullptr);
};
