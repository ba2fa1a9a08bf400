#pragma once
// "项目条码": the variants of one item (attribute × size × grade) with their codes, opened from
// the item window. Codes are typed (or scanned) into the code field and added to the chosen
// variant, put in place of the chosen code, or deleted; "生成条码" gives every variant shown
// without a code an in-store EAN-13; "打印标签…" prints the labels of the numbers typed in the
// grid (or one of the chosen variant).
#include <QDialog>

class DataGrid;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class BB102_form : public QDialog {
    Q_OBJECT
public:
    BB102_form(QWidget* parent, const QString& itemCode, const QString& itemName);

    QLabel* item_m;
    QCheckBox* show_all; // 显示全部
    DataGrid* DBGrid1;
    QLineEdit* barcode_b;
    QPushButton* BitBtn1; // 新增
    QPushButton* BitBtn2; // 修改
    QPushButton* BitBtn3; // 删除
    QPushButton* BitBtn4; // 生成条码
    QPushButton* BitBtn5; // 打印标签…

    void query();
    void addCode();
    void changeCode();
    void deleteCode();
    void generate();
    void printLabels();

private:
    // Runs a core answer: a refusal is shown, otherwise the grid is read again on the same code.
    void answered(const QString& refusal, const QString& selectCode);
    QString m_item;
};
