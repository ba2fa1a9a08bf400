#pragma once
// What every entry screen shares: the grid of the user's staged lines of the screen's kind with
// its "删除" menu, the buttons "确定", "取消", "过帐", "返回", the header lock, the bill number
// check, posting, discarding on leave, and the close box that behaves like "返回".
#include "fields/datagrid.h"
#include "fields/scanfield.h"
#include "movements/line_check.h"
#include "movements/staging.h"

#include <functional>

#include <QDialog>

namespace Barcodes {
struct Variant;
}
class LookupField;
class QGridLayout;
class NameBox;
class QLabel;
class QLineEdit;
class QPushButton;

class EntryScreen : public QDialog {
    Q_OBJECT
public:
    LineKind kind() const { return m_kind; }

    DataGrid* DBGrid1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // 确定
    QPushButton* BitBtn2 = nullptr; // 取消
    QPushButton* BitBtn4 = nullptr; // 过帐
    QPushButton* BitBtn3 = nullptr; // 返回
    ScanField* barcode_a = nullptr;  // 条码：, with 扫描即确定

    bool headerLocked() const { return m_locked; }

    // Building blocks of the screens' panels.
    static QLabel* captionLabel(const QString& text, QWidget* parent); // right-aligned caption
    static LookupField* lookupField(QWidget* parent, const QString& name, const QStringList& columns);
    static NameBox* nameBox(QWidget* parent, const QString& name);
    static QLineEdit* hiddenField(QWidget* parent, const QString& name);
    // The upper panel's grid: a caption and one or two fields from a column on, row by row.
    struct PanelGrid {
        QWidget* panel;
        QGridLayout* grid;
        int row = 0;
        void add(const QString& caption, QWidget* field, QWidget* second, int column);
        void separator(); // a sunken line across the panel on a row of its own
        void next() { ++row; }
    };

    virtual void addLine() = 0;
    // With staged lines shown only the line fields are reset; otherwise the header is unlocked too.
    void clearFields();
    void deleteLine();
    void post();
    void leave();

protected:
    EntryScreen(QWidget* parent, LineKind kind, const QString& objectName, const QString& caption);

    // The grid of staged lines, sorted by `sortField`, with the "删除" context menu.
    void createGrid(const QList<GridColumn>& columns, const QString& sortField);
    // "确定" (default button) and "取消" of the upper panel.
    void createButtons(QWidget* upper);
    // Lays out the upper panel, the grid and the lower panel with "过帐" and "返回"; connects the buttons.
    void assemble(QWidget* upper);
    // The item part of the line on the screen, read from the fields by their names.
    StagedItem gatheredItem() const;
    QString fieldText(const QString& name) const;
    // Lets a core function check and stage the gathered line: its refusal is shown, otherwise the
    // grid is re-read and the header locked.
    void stageLine(const std::function<Refusal()>& stage);
    // The warning of "确定" in a warehouse that forbids negative stock: when the line (its signed
    // effect `change` on the key's balance) and the lines staged before it take more than the key
    // holds, the clerk is asked whether to stage it anyway. False when not to stage it.
    bool acceptShortfall(const QString& warehouse, const StagedItem& key, double change);
    // Runs the bill number check whenever the field is left with a changed number.
    void watchBillNo(QLineEdit* bill);
    // The bill number check now, unless this number was checked already; false when refused.
    bool checkBill();

    // The scan field above the line fields, its "扫描即确定" as the user left it last.
    ScanField* createScanField(QWidget* upper);
    // Fills the line fields from a scanned variant as a pick would, quantity 1; the refusal (said
    // beside the scan field), or empty when the line is filled. Throws DbError.
    // Screens without a scan field never receive one.
    virtual QString fillFromScan(const Barcodes::Variant&) { return {}; }
    // The line fields hold what the last scan filled in.
    bool filledByScan() const { return m_scanFilled; }
    void setFilledByScan(bool on) { m_scanFilled = on; }

    virtual void lineReset() = 0;
    virtual void fullReset() = 0;
    virtual void lockHeader(bool on) = 0;
    void setHeaderLocked(bool on);
    void reloadGrid();
    // The staged lines shown anew after `write`, which sends the grid's reads with its COMMIT.
    void reloadGridAfter(const GridModel::Maker& write);

    void closeEvent(QCloseEvent* e) override;
    void reject() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    bool confirmLeave();
    ScanField::Answer onScan(const QString& code);
    LineKind m_kind;
    int m_stagings = 0; // lines staged in this window so far (the header locks after each)
    bool m_scanFilled = false;
    bool m_locked = false;
    bool m_leaving = false;
    QLineEdit* m_bill = nullptr;
    QString m_billChecked;
    bool m_billPending = false;
};
