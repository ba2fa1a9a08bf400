#pragma once
#include "import/importer.h"

#include <QDialog>

class DataGrid;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

// "数据导入": a spreadsheet of items, vendors, customers or opening stock checked whole, its
// problems listed, and imported all or nothing.
class TAA50_form : public QDialog {
    Q_OBJECT
public:
    explicit TAA50_form(QWidget* parent = nullptr);
    QComboBox* kind_a;
    QLineEdit* file_a;
    QComboBox* encoding_a;
    QCheckBox* auto_create_a;
    QComboBox* existing_a;
    QComboBox* count_mode_a; // count sheets: add to or replace the counted quantities
    QTableWidget* mapping_a;
    DataGrid* problems_a;
    QLabel* counts_a;
    QProgressBar* progress_a;
    QPushButton* BitBtn1; // 选择文件…
    QPushButton* BitBtn2; // 检查
    QPushButton* BitBtn3; // 导入
    QPushButton* BitBtn4; // 导出模板
    QPushButton* BitBtn5; // 取消
    QPushButton* BitBtn6; // 关闭

private:
    Import::Kind kind() const;
    Import::Options options() const;
    void chooseFile();
    // Reads the chosen file again and maps its columns (by caption, then as the user chose).
    bool readFile();
    void showMapping();
    Import::Layout chosenLayout() const;
    void checkFile();
    void importFile();
    void exportTemplate();
    void showCheck(const Import::Check& c);
    void setWorking(bool on);
    void invalidate(); // something changed since the last check: import only after a new one
    Import::Progress progress();

    Import::Sheet m_sheet;
    Import::Layout m_layout;
    bool m_checked = false;
    bool m_cancel = false;
    bool m_working = false;
};
