#include "movements/DD10_Unit.h"

TDD10_form::TDD10_form(QWidget* parent)
    : EntryForm(parent, {LineKind::StockOut, QStringLiteral("TDD10_form"), QStringLiteral("出库操作"),
                         QStringLiteral("出库"), QStringLiteral("customer"), QStringLiteral("客户代码"),
                         QStringLiteral("SELECT * FROM kesp_operation_ini WHERE i_o_flag='o' AND operation_code<>'o_r' "
                                        "AND operation_code<>'o_t'"),
                         QStringLiteral("出库单据号 不能为空"), true}) {}
