#pragma once
#include "masterdata/master_list.h"

class LookupField;
class NameBox;
class QPushButton;
class QTabWidget;

// "新项目定义窗口": items, with an edit page (add and modify modes) and a browse page.
class TBB10_form : public QDialog, public MasterList {
    Q_OBJECT
public:
    explicit TBB10_form(QWidget* parent = nullptr);

    QTabWidget* PC1;
    QWidget* TS1;
    QWidget* TS2;
    QLineEdit* item_code_a;
    QLineEdit* item_name_a;
    QLineEdit* item_model_a;
    QLineEdit* item_spec_a;
    LookupField* Unit_code_a;
    NameBox* unit_name_a;
    LookupField* arrage_code_b_a;
    NameBox* arrage_name_b_a;
    LookupField* arrage_code_s_a;
    NameBox* arrage_name_s_a;
    LookupField* F1;
    LookupField* F2;
    LookupField* F3;
    LookupField* F4;
    QLabel* Label13;
    QLabel* Label14;
    QLabel* Label15;
    QLabel* Label16;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* deleteButton;
    QPushButton* queryButton;
    QPushButton* barcodeButton; // 条码…
    DataGrid* DBGrid1;
    QAction* addAction;
    QAction* modifyAction;
    QAction* deleteAction;
    QAction* barcodeAction; // 条码…

    bool modifyMode() const;
    Master::Item typedItem() const; // the edit page as typed
    void save();
    void query();
    void rerunGrid();
    void modify();
    void emptyEditFields();
    // "项目条码" of an item; a notice when no item is given.
    void openBarcodes(const QString& code, const QString& name);

    // The grid's current item, for the delete window.
    const Master::Table& masterTable() const override { return Master::items(); }
    QString currentCode() const override;
    QString currentName() const override;
    void reload() override { rerunGrid(); }

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;
    void closeEvent(QCloseEvent* e) override;

private:
    void reloadSmallList();
    void reloadItemList();
};

class TBB101_form : public MasterDeleteDialog {
    Q_OBJECT
public:
    explicit TBB101_form(QWidget* parent = nullptr);
    // "AA": opened from the edit page (its code and name), "BB": from the grid's context menu.
    int openFrom(TBB10_form* form, const QString& origin);
    QString origin() const { return m_origin; }

protected:
    void deleted(MasterList* list) override;

private:
    QString m_origin;
    TBB10_form* m_form = nullptr;
};
