#include "movements/short_stock_form.h"

#include "fields/datagrid.h"
#include "fields/form_helpers.h"

#include <QLabel>
#include <QVBoxLayout>

ShortStock_form::ShortStock_form(QWidget* parent, const QList<Posting::ShortKey>& keys) : QDialog(parent) {
    setObjectName(QStringLiteral("ShortStock_form"));
    setWindowTitle(QStringLiteral("库存不足"));
    auto* v = new QVBoxLayout(this);
    v->addWidget(Forms::heading(this, Posting::Shortage::Message + QStringLiteral("以下库存不足：")));
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns(stockKeyColumns() + QList<GridColumn>{{"on_hand", "库存", 80, "#,##0.##"},
                                                               {"wanted", "需要", 80, "#,##0.##"},
                                                               {"short_by", "短缺", 80, "#,##0.##"}});
    QVector<QVector<QVariant>> rows;
    for (const Posting::ShortKey& k : keys)
        rows.append({k.warehouseName, k.itemCode, k.itemName, k.attrName, k.sizeName, k.stageName, k.onHand, k.wanted,
                     k.shortBy});
    DBGrid1->showRows({"warehouse_name", "item_code", "item_name", "attr_name", "size_name", "stage_name", "on_hand",
                       "wanted", "short_by"},
                      rows);
    v->addWidget(DBGrid1, 1);
    v->addLayout(Forms::closeRow(this));
    resize(760, 360);
}
