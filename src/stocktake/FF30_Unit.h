#pragma once
// "盘点记录查询": the stocktake adjustments of one warehouse over a range of count dates, with the
// quantity before and after each adjustment.
#include "queries/query_screen.h"

class DatePicker;

class FF30_form : public QueryScreen {
    Q_OBJECT
public:
    explicit FF30_form(QWidget* parent = nullptr);
    DatePicker* procure_date_a;
    DatePicker* Procure_date_b;
    void query() override;
};
