#include "fields/cascade.h"

#include "ui/messages.h"
#include "fields/lookupfield.h"

#include <QLineEdit>

CategoryCascade::CategoryCascade(QObject* parent, const Fields& f) : QObject(parent), m(f) {
    configureItemList(m.item, false);
    wire();
}

CategoryCascade::CategoryCascade(QObject* parent, const Fields& f, const StockRow& stock)
    : QObject(parent), m(f), m_stock(true), s(stock) {
    configureItemList(m.item, true);
    wire();
}

void CategoryCascade::configureItemList(LookupField* item, bool stockRows) {
    if (stockRows) {
        item->setListColumns({"item_code", "item_name", "item_model", "item_spec", "attr_name", "size_name", "stage_name",
                              "qty"},
                             {"代码", "名称", "型号", "规格", "属性", "尺寸", "等级", "数量"});
        item->setHeaderVisible(true);
        item->setKeyField(QStringLiteral("ID"));
        item->setTextField(QStringLiteral("item_code"));
    } else {
        item->setListColumns({"item_code", "item_name", "item_model", "item_spec"});
        item->setKeyField(QStringLiteral("item_code"));
    }
}

bool CategoryCascade::itemOutsideList() const { return !m.item->text().isEmpty() && m.item->pickedRow() < 0; }

QString CategoryCascade::flag() const { return m.focusFlag->text(); }

void CategoryCascade::openBigList() {
    guarded(m.big,
            [&] { m.big->setDeferredList(QStringLiteral("SELECT * FROM kesp_item_arrage_b ORDER BY arrage_code_b")); });
}

void CategoryCascade::pick(const QVariant& key) {
    // As if the item field had been entered and a row picked: the categories follow the item.
    m.focusFlag->setText(QStringLiteral("C"));
    m.item->setText(QString()); // the same code again is a pick too
    m.item->setList(m_stock ? QStringLiteral("SELECT * FROM kesp_inv_detail_tree_v WHERE ID=?")
                            : QStringLiteral("SELECT * FROM kesp_item_master WHERE item_code=?"),
                    {key});
    m.item->setText(m.item->rowValue(0, QStringLiteral("item_code")).toString());
}

void CategoryCascade::reset() {
    m.big->setText(QString());
    m.small->setText(QString());
    m.item->setText(QString());
    m.bigName->clear();
    m.smallName->clear();
    m.itemName->clear();
    m.itemModel->clear();
    m.itemSpec->clear();
    m.focusFlag->clear();
    if (m_stock) {
        for (QLineEdit* e : {s.id, s.attrCode, s.attrName, s.sizeCode, s.sizeName, s.stageCode, s.stageName}) e->clear();
    }
}

bool CategoryCascade::guardFails(LookupField* field) {
    if (!m_stock || !s.guard->text().isEmpty()) return false;
    field->hidePopup();
    field->closeList();
    s.guard->setFocus();
    return true;
}

void CategoryCascade::reloadSmall(const QString& big) {
    if (big.isEmpty())
        m.small->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_s WHERE 1=0"));
    else
        m.small->setList(
            QStringLiteral("SELECT * FROM kesp_item_arrage_s WHERE arrage_code_b=? ORDER BY arrage_code_s"), {big});
}

void CategoryCascade::wire() {
    m.big->setListColumns({"arrage_code_b", "arrage_name_b"});
    m.small->setListColumns({"arrage_code_s", "arrage_name_s"});

    connect(m.big, &LookupField::entered, this, [this] {
        if (m_stock) {
            if (guardFails(m.big)) return;
            openBigList();
        }
        m.focusFlag->setText(QStringLiteral("A"));
    });
    connect(m.big, &LookupField::changed, this, [this](const QString& code) {
        if (code.isEmpty()) {
            m.bigName->clear();
            m.small->setText(QString());
            m.item->setText(QString());
            return;
        }
        if (beforeBigChange && !beforeBigChange(code)) return;
        m.bigName->setText(m.big->lookup(QStringLiteral("arrage_name_b")));
        if (flag() == QLatin1String("A")) {
            m.small->setText(QString());
            m.item->setText(QString());
        }
    });
    connect(m.small, &LookupField::entered, this, [this] {
        if (guardFails(m.small)) return;
        m.focusFlag->setText(QStringLiteral("B"));
        guarded(m.small, [&] { reloadSmall(m.big->text()); });
    });
    connect(m.small, &LookupField::changed, this, [this](const QString& code) {
        if (code.isEmpty()) {
            m.smallName->clear();
            return;
        }
        if (beforeSmallChange && !beforeSmallChange(code)) return;
        m.smallName->setText(m.small->lookup(QStringLiteral("arrage_name_s"), false));
        if (flag() == QLatin1String("B")) m.item->setText(QString());
    });
    connect(m.item, &LookupField::entered, this, [this] {
        if (guardFails(m.item)) return;
        m.focusFlag->setText(QStringLiteral("C"));
        const QString big = m.big->text(), small = m.small->text();
        const QString source = m_stock ? QStringLiteral("SELECT * FROM kesp_inv_detail_tree_v WHERE 1=1")
                                       : QStringLiteral("SELECT * FROM kesp_item_master WHERE 1=1");
        QString sql = source;
        QVariantList params;
        if (!small.isEmpty()) {
            sql += QStringLiteral(" AND arrage_code_s=? AND arrage_code_b=?");
            params << small << big;
        } else if (!big.isEmpty()) {
            sql += QStringLiteral(" AND arrage_code_b=?");
            params << big;
        }
        if (m_stock) {
            sql += QStringLiteral(" AND warehouse=?");
            params << s.warehouse();
        }
        // The item catalogue and a warehouse's stock rows are large: read by the typed prefix.
        // A stock row list in key order: one item's rows by attribute, size and grade.
        const QString order = m_stock ? QStringLiteral("item_code, attr_code, size_code, stage_code") : QStringLiteral("item_code");
        guarded(m.item, [&] { m.item->setPrefixList(sql, params, QStringLiteral("item_code"), 100, order); });
    });
    connect(m.item, &LookupField::changed, this, &CategoryCascade::onItemChanged);
    if (m_stock) connect(m.item, &LookupField::picked, this, [this] {
            if (!m.item->text().isEmpty()) fillStockRow();
        });
}

void CategoryCascade::onItemChanged(const QString& code) {
    if (code.isEmpty()) {
        m.itemName->clear();
        m.itemModel->clear();
        m.itemSpec->clear();
        if (m_stock)
            for (QLineEdit* e : {s.id, s.attrCode, s.attrName, s.sizeCode, s.sizeName, s.stageCode, s.stageName}) e->clear();
        return;
    }
    if (m_stock) {
        fillStockRow();
        return;
    }
    const int row = m.item->pickedRow();
    m.itemName->setText(m.item->rowValue(row, QStringLiteral("item_name")).toString());
    m.itemModel->setText(m.item->rowValue(row, QStringLiteral("item_model")).toString());
    m.itemSpec->setText(m.item->rowValue(row, QStringLiteral("item_spec")).toString());
    if (row < 0) return; // a code typed that the list does not hold: the categories stay
    const QString big = m.item->rowValue(row, QStringLiteral("arrage_code_b")).toString();
    const QString small = m.item->rowValue(row, QStringLiteral("arrage_code_s")).toString();
    guarded(m.item, [&] {
        m.big->setText(big);
        reloadSmall(big);
        m.small->setText(small);
    });
}

void CategoryCascade::fillStockRow() {
    const int row = m.item->pickedRow();
    const auto val = [&](const char* f) { return m.item->rowValue(row, QString::fromLatin1(f)).toString().trimmed(); };
    s.id->setText(row < 0 ? QString() : m.item->rowValue(row, QStringLiteral("ID")).toString());
    m.itemName->setText(val("item_name"));
    m.itemModel->setText(val("item_model"));
    m.itemSpec->setText(val("item_spec"));
    s.attrCode->setText(val("attr_code"));
    s.sizeCode->setText(val("size_code"));
    s.stageCode->setText(val("stage_code"));
    s.attrName->setText(val("attr_name"));
    s.sizeName->setText(val("size_name"));
    s.stageName->setText(val("stage_name"));
    if (row < 0) return;
    const QVariant qty = m.item->rowValue(row, QStringLiteral("qty"));
    s.qty->setText(qty.isNull() ? QString() : QString::number(qty.toDouble(), 'g', 15));
    const QString big = val("arrage_code_b");
    const QString small = val("arrage_code_s");
    guarded(m.item, [&] {
        openBigList();
        m.big->setText(big);
        reloadSmall(big);
        m.small->setText(small);
    });
}
