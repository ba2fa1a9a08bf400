#pragma once
// Vendors (TBB60_form) and customers (TBB70_form): twin master lists with a per-user choice of the
// columns shown, their add, delete and column selection windows, and a window for the further
// columns of a record.
#include "masterdata/master_list.h"

class QCheckBox;

struct PartnerTwin {
    QString code;          // BB60 / BB70
    const Master::Table& table;
    QString caption;       // list window caption
    QString title;         // list title
    QString addCaption;
    QString deleteCaption;
    static const PartnerTwin& vendors();
    static const PartnerTwin& customers();
    QString windowName(int dialog = 0) const; // BB60_form, BB601_form, ...
};

class PartnerListForm : public MasterListForm {
    Q_OBJECT
public:
    const PartnerTwin& twin() const { return m_twin; }
    QAction* modifyAction;
    QAction* columnsAction;
    void reload() override;    // the list query again; columns keep their visibility
    void applyStoredColumns(); // the user's stored choice
    static QStringList captions(const PartnerTwin& twin);
    static QStringList columns(); // the seventeen further columns

protected:
    PartnerListForm(QWidget* parent, const PartnerTwin& twin);
    template <class AddDialog, class DeleteDialog, class ColumnsDialog> void useTwinDialogs() {
        useOwnDialogs<AddDialog, DeleteDialog>();
        connect(columnsAction, &QAction::triggered, this, [this] {
            ColumnsDialog d(this);
            Msg::runModal(&d);
        });
    }

private:
    const PartnerTwin& m_twin;
};

// Add window: code and name.
class PartnerAddDialog : public MasterAddDialog {
    Q_OBJECT
protected:
    PartnerAddDialog(QWidget* parent, const PartnerTwin& twin);
};

// Delete confirmation.
class PartnerDeleteDialog : public MasterDeleteDialog {
    Q_OBJECT
protected:
    PartnerDeleteDialog(QWidget* parent, const PartnerTwin& twin);
};

// Column selection: one check box per grid column.
class PartnerColumnsDialog : public QDialog {
    Q_OBJECT
public:
    QList<QCheckBox*> boxes;
    void confirm();

protected:
    explicit PartnerColumnsDialog(PartnerListForm* list);
    void done(int r) override;

private:
    PartnerListForm* m_list;
};

// The further columns of the current record, its code and name shown read-only.
class PartnerEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit PartnerEditDialog(PartnerListForm* list);
    QList<QLineEdit*> fields; // in column order: code, name, the seventeen further columns
    void save();

private:
    PartnerListForm* m_list;
};

class TBB60_form : public PartnerListForm {
    Q_OBJECT
public:
    explicit TBB60_form(QWidget* parent = nullptr);
};

class TBB601_form : public PartnerAddDialog {
    Q_OBJECT
public:
    explicit TBB601_form(QWidget* parent = nullptr) : PartnerAddDialog(parent, PartnerTwin::vendors()) {}
};

class TBB602_form : public PartnerDeleteDialog {
    Q_OBJECT
public:
    explicit TBB602_form(QWidget* parent = nullptr) : PartnerDeleteDialog(parent, PartnerTwin::vendors()) {}
};

class TBB603_form : public PartnerColumnsDialog {
    Q_OBJECT
public:
    explicit TBB603_form(PartnerListForm* list) : PartnerColumnsDialog(list) {}
};

class TBB70_form : public PartnerListForm {
    Q_OBJECT
public:
    explicit TBB70_form(QWidget* parent = nullptr);
};

class TBB701_form : public PartnerAddDialog {
    Q_OBJECT
public:
    explicit TBB701_form(QWidget* parent = nullptr) : PartnerAddDialog(parent, PartnerTwin::customers()) {}
};

class TBB702_form : public PartnerDeleteDialog {
    Q_OBJECT
public:
    explicit TBB702_form(QWidget* parent = nullptr) : PartnerDeleteDialog(parent, PartnerTwin::customers()) {}
};

class TBB703_form : public PartnerColumnsDialog {
    Q_OBJECT
public:
    explicit TBB703_form(PartnerListForm* list) : PartnerColumnsDialog(list) {}
};
