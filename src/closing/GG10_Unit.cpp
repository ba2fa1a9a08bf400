#include "closing/GG10_Unit.h"

#include "closing/periods.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "ui/messages.h"
#include "ui/screens.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>

PeriodWindow::PeriodWindow(QWidget* parent, const QString& objectName, const QString& caption, const QSize& size)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(size);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(16, 48, size.width() - 32, size.height() - 110);
    DBGrid1->setColumns({{"save_code", "核算期代码", 70},
                         {"year_v", "年", 50},
                         {"month_v", "月", 40},
                         {"save_flag", "核算标志", 60},
                         {"operation_date", "操作日期", 90}});
    DBGrid1->setSortingByClick(false);
    DBGrid1->setFooterVisible(false);
    DBGrid1->view()->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->view()->setSelectionMode(QAbstractItemView::SingleSelection);
    BitBtn2 = new QPushButton(QStringLiteral("关闭"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    BitBtn2->setGeometry(size.width() - 106, size.height() - 48, 90, 30);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
}

void PeriodWindow::reload() {
    const int row = DBGrid1->currentRow();
    DBGrid1->open(Periods::listStatement());
    DBGrid1->setCurrentRow(row < 0 ? 0 : row);
}

void PeriodWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    DBGrid1->clear();
    guarded(this, [this] { reload(); });
}

void PeriodWindow::hideEvent(QHideEvent* e) {
    DBGrid1->clear();
    QDialog::hideEvent(e);
}

TGG10_form::TGG10_form(QWidget* parent)
    : PeriodWindow(parent, QStringLiteral("TGG10_form"), QStringLiteral("核算窗口"), QSize(391, 397)) {
    Forms::heading(this, QStringLiteral("核  算  期  列  表"))->setGeometry(0, 10, 391, 30);
    BitBtn1 = new QPushButton(QStringLiteral("确定核算"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(391 - 206, 397 - 48, 90, 30);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { closePeriod(); });
}

void TGG10_form::closePeriod(const QDate& today) {
    const int row = DBGrid1->currentRow();
    if (row < 0) return;
    const QString code = DBGrid1->value(row, QStringLiteral("save_code")).toString();
    const QString year = DBGrid1->value(row, QStringLiteral("year_v")).toString();
    const QString month = DBGrid1->value(row, QStringLiteral("month_v")).toString();
    if (DBGrid1->value(row, QStringLiteral("save_flag")).toString().compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0) {
        Msg::notice(this, Periods::closedMessage(year, month));
        return;
    }
    if (!Msg::confirm(this, Periods::askMessage(year, month))) return;
    Periods::CloseResult result = Periods::CloseResult::Closed;
    const bool done = guarded(this, [&] {
        Forms::WaitCursor wait;
        result = Periods::close(code, today);
    });
    guarded(this, [this] { reload(); }); // the changed row (or another copy's) at once
    if (!done) return;
    if (result == Periods::CloseResult::AlreadyClosed)
        Msg::notice(this, Periods::closedMessage(year, month));
    else
        Msg::dravont(this, Periods::SuccessMessage);
}

void TGG10_form::periodCheck(QWidget* parent, const QDate& today) {
    bool offer = false;
    guarded(parent, [&] {
        Periods::ensure(today);
        offer = Periods::openCount() >= 2;
    });
    if (offer && Msg::askDravont(parent, Periods::StartupQuestion)) Msg::runModal(longLived<TGG10_form>());
}
