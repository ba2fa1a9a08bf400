#pragma once
// "选择盘点仓库": the user seals one warehouse for counting ("封帐") and lifts the seal again
// ("撤销", also the Esc key). The window opens in the state the database holds for the user.
#include <QDialog>

class LookupField;
class NameBox;
class QPushButton;

class FF10_form : public QDialog {
    Q_OBJECT
public:
    explicit FF10_form(QWidget* parent = nullptr);

    LookupField* warehouse_a;
    NameBox* warehouse_name_a;
    QPushButton* BitBtn1; // 封帐
    QPushButton* BitBtn2; // 撤销
    QPushButton* BitBtn3; // 退出

    bool isSealedState() const;
    void sealWarehouse();
    void liftSeal();

protected:
    void keyPressEvent(QKeyEvent* e) override; // Esc presses "撤销"; closing keeps the seal

private:
    void setSealedState(bool sealed);
};
