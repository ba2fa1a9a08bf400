#pragma once
// Vendors (TBB60_form) and customers (TBB70_form): twin lists with a per-user choice of the
// columns shown, and add, modify, delete and column selection windows.
#include <QDialog>

class DataGrid;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;

struct PartnerTwin {
    QString code;          // BB60 / BB70
    QString table;         // kesp_vendor_ini / kesp_customer_ini
    QString codeColumn;    // vendor / customer
    QString nameColumn;
    QString word;          // 供应商 / 客户
    QString caption;       // list window caption
    QString title;         // list title
    QString addCaption;
    QString deleteCaption;
    bool trimValues;       // vendors trimmed, customers stored as typed
    static const PartnerTwin& vendors();
    static const PartnerTwin& customers();
};

class PartnerListForm : public QDialog {
    Q_OBJECT
public:
    const PartnerTwin& twin() const { return m_twin; }
    DataGrid* DBGrid1;
    QAction* addAction;
    QAction* modifyAction;
    QAction* deleteAction;
    QAction* columnsAction;
    void reload();             // the list query again; columns keep their visibility
    void applyStoredColumns(); // the user's stored choice
    static QStringList captions(const PartnerTwin& twin);
    static QStringList columns();

protected:
    PartnerListForm(QWidget* parent, const PartnerTwin& twin);

private:
    const PartnerTwin& m_twin;
};

class TBB60_form : public PartnerListForm {
    Q_OBJECT
public:
    explicit TBB60_form(QWidget* parent = nullptr) : PartnerListForm(parent, PartnerTwin::vendors()) {}
};

class TBB70_form : public PartnerListForm {
    Q_OBJECT
public:
    explicit TBB70_form(QWidget* parent = nullptr) : PartnerListForm(parent, PartnerTwin::customers()) {}
};

// Add window (BB601_form / BB701_form) and the modify window of a record's further columns.
class PartnerEditDialog : public QDialog {
    Q_OBJECT
public:
    PartnerEditDialog(PartnerListForm* list, bool modify);
    QList<QLineEdit*> fields; // in column order: code, name, the seventeen further columns
    void save();

private:
    PartnerListForm* m_list;
    bool m_modify;
};

// Delete confirmation (BB602_form / BB702_form).
class PartnerDeleteDialog : public QDialog {
    Q_OBJECT
public:
    explicit PartnerDeleteDialog(PartnerListForm* list);
    QLabel* Label4;
    QLabel* Label5;
    void remove();

private:
    PartnerListForm* m_list;
};

// Column selection (BB603_form / BB703_form): one check box per grid column.
class PartnerColumnsDialog : public QDialog {
    Q_OBJECT
public:
    explicit PartnerColumnsDialog(PartnerListForm* list);
    QList<QCheckBox*> boxes;
    void confirm();

protected:
    void done(int r) override;

private:
    PartnerListForm* m_list;
};
