#pragma once
// "仓库盘点窗口": loads count rows of a warehouse the user has sealed, takes the counted
// quantities and approvals in the count grid, and posts them as the stocktake adjustment. The
// user's count rows never outlive the window.
#include "fields/scanfield.h"

#include <QDialog>
#include <QHash>

class DataGrid;
class DatePicker;
class LookupField;
class NameBox;
class QAction;
class QPushButton;

class FF20_form : public QDialog {
    Q_OBJECT
public:
    explicit FF20_form(QWidget* parent = nullptr);
    ~FF20_form() override;

    LookupField* warehouse_a;
    NameBox* warehouse_name_a;
    LookupField* arrage_code_b_a;
    NameBox* arrage_name_b_a;
    LookupField* arrage_code_s_a;
    NameBox* arrage_name_s_a;
    LookupField* item_code_a;
    NameBox* item_name_a;
    NameBox* item_model_a;
    NameBox* item_spec_a;
    LookupField* item_code_b;
    NameBox* item_name_b;
    NameBox* item_model_b;
    NameBox* item_spec_b;
    DatePicker* procure_date_a;
    ScanField* barcode_a; // each piece scanned adds 1 to its count row, written at once
    QPushButton* BitBtn1; // 查询
    QPushButton* BitBtn2; // 调帐
    QPushButton* BitBtn3; // 关闭
    QPushButton* BitBtn4; // 按原数量填入 (as the context menu's FillBook)
    QPushButton* BitBtn5; // 全部审核 (as ApproveAll)
    DataGrid* DBGrid1;
    QAction* ApproveAll; // 全部审核
    QAction* FillBook;   // 按原数量填入

    void load();
    void adjust();
    void approveAll();
    void fillWithBook();
    void closeAsked(); // "关闭"
    // The row whose edits are not written yet; -1 when none.
    int editedRow() const { return m_edited; }

protected:
    void done(int r) override;

private:
    void buildFilters(class QGridLayout* g);
    void wireFilters();
    void onCheckChanged(int row);
    bool saveEdited();
    void reopenGrid(int keepRow);
    // Writes the pending edit, runs a command on all the user's count rows, shows them again.
    void onEveryRow(int (*work)());
    ScanField::Answer onScan(const QString& code);
    // The grid row of a count row (by its row identity), read once per opened result.
    int rowOfCount(const QVariant& rid);
    QHash<QString, int> m_rowsByRid;
    int m_edited = -1;
    bool m_numbering = false;
};
