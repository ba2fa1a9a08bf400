#pragma once
// The category cascade big category -> small category -> item with its Focus_flag, in two forms:
// the item picker over the item master, and the stock-row picker over the balances of a warehouse.
#include <QObject>
#include <functional>

class LookupField;
class QLineEdit;
class QWidget;

class CategoryCascade : public QObject {
    Q_OBJECT
public:
    struct Fields {
        LookupField* big;
        QLineEdit* bigName;
        LookupField* small;
        QLineEdit* smallName;
        LookupField* item;
        QLineEdit* itemName;
        QLineEdit* itemModel;
        QLineEdit* itemSpec;
        QLineEdit* focusFlag; // hidden "Focus_flag"
    };
    // What the stock-row picker fills besides the item boxes.
    struct StockRow {
        LookupField* guard;                 // entering a cascade field without it sends the focus there
        std::function<QString()> warehouse; // the warehouse whose balance rows are listed
        QLineEdit* id;                      // hidden ID_a
        QLineEdit* attrCode;
        QLineEdit* attrName;
        QLineEdit* sizeCode;
        QLineEdit* sizeName;
        QLineEdit* stageCode;
        QLineEdit* stageName;
        QLineEdit* qty;                     // receives the row's quantity on hand
    };

    // The item picker over kesp_item_master.
    CategoryCascade(QObject* parent, const Fields& f);
    // The stock-row picker over kesp_inv_detail_tree_v.
    CategoryCascade(QObject* parent, const Fields& f, const StockRow& stock);

    // Lets a screen refuse a big or small category change first (the transfer's seal checks);
    // returning false skips the field's own handling.
    std::function<bool(const QString& code)> beforeBigChange;
    std::function<bool(const QString& code)> beforeSmallChange;

    void openBigList(); // the big category list of the screen
    // Fills the cascade as a pick would: of the item with this code (item picker) or of the
    // balance row with this ID (stock-row picker), whatever categories were chosen. Throws DbError.
    void pick(const QVariant& key);
    // Screen reset: the cascade fields, their boxes and the flag emptied.
    void reset();
    static void configureItemList(LookupField* item, bool stockRows);
    // True when an item code is typed that the item list (the chosen categories' items, or the
    // warehouse's stock rows) does not hold, or holds in several rows none of which was picked.
    bool itemOutsideList() const;

private:
    void wire();
    bool guardFails(LookupField* field);
    void reloadSmall(const QString& big);
    void onItemChanged(const QString& code);
    void fillStockRow();
    QString flag() const;
    Fields m;
    bool m_stock = false;
    StockRow s{};
};
