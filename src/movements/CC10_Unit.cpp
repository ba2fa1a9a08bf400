#include "movements/CC10_Unit.h"

TCC10_form::TCC10_form(QWidget* parent)
    : EntryForm(parent, {LineKind::StockIn, QStringLiteral("TCC10_form"), QStringLiteral("入库操作"),
                         QStringLiteral("入库"), QStringLiteral("vendor"), QStringLiteral("供应商代码"),
                         QStringLiteral("SELECT * FROM kesp_operation_ini WHERE i_o_flag='i' AND operation_code<>'i_r' "
                                        "AND operation_code<>'i_t'"),
                         QStringLiteral("入库单据号 不能为空"), false}) {}
