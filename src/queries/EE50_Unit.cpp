#include "queries/EE50_Unit.h"

#include "data/session.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "levels/stock_levels.h"
#include "queries/filter_panel.h"
#include "security/rights.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QGridLayout>

TEE50_form::TEE50_form(QWidget* parent)
    : QueryScreen(parent, QStringLiteral("TEE50_form"), QStringLiteral("库存预警"), QSize(1100, 640)) {
    filters->hideGrade();
    alert_at_login = new QCheckBox(QStringLiteral("登录时显示库存预警"), filters);
    alert_at_login->setObjectName(QStringLiteral("alert_at_login"));
    filters->grid->addWidget(alert_at_login, 4, 0, 1, 3);
    addButtons(4, false);
    DBGrid1->setColumns({{"alert_kind", "预警类型", 70},
                         {"warehouse_name", "仓库名称", 80},
                         {"item_code", "项目代码", 80},
                         {"item_name", "项目名称", 140},
                         {"item_model", "型号", 70},
                         {"attr_name", "属性", 70},
                         {"size_name", "尺寸", 70},
                         {"qty", "库存数量", 80, {}, false, false, true, "#,##0.###"}, // sums of unlike rows: no footer
                         {"min_qty", "下限", 70, {}, false, false, true, "#,##0.###"},
                         {"max_qty", "上限", 70, {}, false, false, true, "#,##0.###"},
                         {"order_qty", "建议补货", 80, "#,##0.##"},
                         {"sizes_in_stock", "同色有货尺码数", 100},
                         {"arrage_name_b", "大类", 70},
                         {"arrage_name_s", "小类", 70}});
    filters->reset();
    guarded(this, [&] {
        filters->openLists();
        alert_at_login->setChecked(StockLevels::showAtLogin(Session::userCode()));
    });
    connect(alert_at_login, &QCheckBox::toggled, this,
            [this](bool on) { guarded(this, [&] { StockLevels::saveShowAtLogin(Session::userCode(), on); }); });
}

void TEE50_form::query() {
    const QueryBuilders::Statement s = StockLevels::alerts(filters->criteria());
    Forms::WaitCursor wait;
    showResult(s);
}

void TEE50_form::loginCheck(QWidget* parent) {
    bool show = false;
    guarded(parent, [&] {
        show = Rights::may(StockLevels::ReportCommand) && StockLevels::showAtLogin(Session::userCode()) &&
               StockLevels::anyAlert();
    });
    if (!show) return;
    TEE50_form form(parent);
    form.query();
    Msg::runModal(&form);
}
