#pragma once
#include "queries/query_screen.h"

class LookupField;

// "历史库存查询": the stock of one warehouse as the closing of one period left it.
class TEE20_form : public QueryScreen {
    Q_OBJECT
public:
    explicit TEE20_form(QWidget* parent = nullptr);
    LookupField* save_code_a;
    void query() override;
};
