#pragma once
#include "queries/query_screen.h"

struct GridColumn;

// "当前库存查询": the balances of one warehouse, narrowed by classification.
class TEE10_form : public QueryScreen {
    Q_OBJECT
public:
    explicit TEE10_form(QWidget* parent = nullptr);
    void query() override;
    // The twelve columns of the stock grids (current and historical).
    static QList<GridColumn> stockColumns();
};
