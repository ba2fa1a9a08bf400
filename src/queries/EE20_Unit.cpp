#include "queries/EE20_Unit.h"

#include "closing/periods.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "queries/EE10_Unit.h"
#include "queries/filter_panel.h"
#include "ui/messages.h"

#include <QPushButton>

TEE20_form::TEE20_form(QWidget* parent)
    : QueryScreen(parent, QStringLiteral("TEE20_form"), QStringLiteral("历史库存查询"), QSize(1000, 620)) {
    save_code_a = filters->addLookup(QStringLiteral("核算期："), QStringLiteral("save_code_a"), {"save_code"}, nullptr, 0, 1);
    addButtons(4);
    delete Cmd_group; // snapshots have no group summary
    Cmd_group = nullptr;
    DBGrid1->setColumns(TEE10_form::stockColumns());
    filters->reset();
    save_code_a->setText(QString());
    guarded(this, [&] {
        save_code_a->setList(Periods::closedStatement());
        filters->openLists();
    });
}

void TEE20_form::query() {
    if (!warehouseChosen()) return;
    if (save_code_a->text().isEmpty()) {
        Msg::notice(this, QStringLiteral("请选择核算期."));
        save_code_a->setFocus();
        return;
    }
    QueryBuilders::Criteria criteria = filters->criteria();
    criteria.insert(1, {QStringLiteral("save_code"), save_code_a->text()});
    const QueryBuilders::Statement s = QueryBuilders::historyStockQuery(criteria);
    // Snapshots feed no group summary: the work table is left as it is.
    guarded(this, [&] { DBGrid1->open(s.sql, s.params); });
}
