#pragma once
#include "queries/query_screen.h"

class QCheckBox;

// "库存预警": the levels whose stock is below the minimum, with the quantity to order up to the
// maximum, and the broken size runs (see levels/stock_levels.h), of the warehouses the user sees.
// Shown after the login when it has something to show, unless the user switched that off here.
class TEE50_form : public QueryScreen {
    Q_OBJECT
public:
    explicit TEE50_form(QWidget* parent = nullptr);
    QCheckBox* alert_at_login; // 登录时显示库存预警
    void query() override;

    // After the login: the report, run, when the user may open it, wants it and it has rows.
    static void loginCheck(QWidget* parent);
};
