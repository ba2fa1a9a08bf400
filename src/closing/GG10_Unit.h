#pragma once
#include <QDate>
#include <QDialog>

class DataGrid;
class QPushButton;

// What the closing window and the period list share: the read-only period grid, ascending by
// code, read when the window is shown and closed when it is hidden.
class PeriodWindow : public QDialog {
    Q_OBJECT
public:
    DataGrid* DBGrid1;
    QPushButton* BitBtn2; // "关闭"
    void reload();

protected:
    PeriodWindow(QWidget* parent, const QString& objectName, const QString& caption, const QSize& size);
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
};

// "核算窗口": month-end closing of the selected period.
class TGG10_form : public PeriodWindow {
    Q_OBJECT
public:
    explicit TGG10_form(QWidget* parent = nullptr);
    QPushButton* BitBtn1; // "确定核算"
    void closePeriod(const QDate& today = QDate::currentDate());

    // The start-up check after login: the current month's period, and the closing window
    // offered while an earlier period is still open.
    static void periodCheck(QWidget* parent, const QDate& today = QDate::currentDate());
};
