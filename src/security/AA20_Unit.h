#pragma once
#include <QDialog>

class DataGrid;
class QLabel;
class QLineEdit;

// "管理员设定": the account list with its add and delete dialogs.
class TAA20_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA20_form(QWidget* parent = nullptr);
    static TAA20_form* current(); // the list that is open
    void reload();
    DataGrid* DBGrid1;
};

class AA201_form : public QDialog {
    Q_OBJECT
public:
    explicit AA201_form(QWidget* parent = nullptr);
    void prepare();
    QLineEdit* login_ID;
    QLineEdit* login_name;
    QLineEdit* Pass_word;

private:
    void save();
};

class AA202_form : public QDialog {
    Q_OBJECT
public:
    explicit AA202_form(QWidget* parent = nullptr);
    void prepare();
    QLabel* Label4;
    QLabel* Label5;

private:
    void remove();
};
