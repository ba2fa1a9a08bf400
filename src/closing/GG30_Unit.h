#pragma once
#include <QDialog>

class DataGrid;
class QLabel;
class QPushButton;

// "核对库存": every balance recomputed from the last closing snapshot (or the key's last count)
// and the movements since; the differences listed with the history rows behind the one chosen,
// and "修正" rewriting them.
class TGG30_form : public QDialog {
    Q_OBJECT
public:
    explicit TGG30_form(QWidget* parent = nullptr);
    ~TGG30_form() override;
    QLabel* Label1;        // the base and the outcome of the last check
    DataGrid* DBGrid1;     // the differences
    DataGrid* DBGrid2;     // the history rows behind the current difference
    QPushButton* Cmd_Query; // 核对
    QPushButton* Cmd_Mend;  // 修正
    void runCheck();
    void mend();

private:
    void showHistory();
    QString m_table;
};
