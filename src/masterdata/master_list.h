#pragma once
// The master list window pattern: a list window with a title and a read-only grid whose context
// menu offers "新增" and "删除", an add window that refuses duplicates, and a delete confirmation
// window. The add and delete windows are handed the list they act on; the rules and the writing
// are the core's (master_repo), the windows gather what was typed and show the answer.
#include "ui/messages.h"
#include "ui/screens.h"
#include "masterdata/master_repo.h"

#include <QDialog>

class DataGrid;
class QAction;
class QLabel;
class QLineEdit;

// What a list offers the add and delete windows that act on it.
class MasterList {
public:
    virtual ~MasterList() = default;
    virtual const Master::Table& masterTable() const = 0;
    virtual QString currentCode() const = 0;
    virtual QString currentName() const = 0;
    virtual QString parentCode() const { return {}; }
    // Further columns of a new record (the direction of an operation type).
    virtual Master::Values extraValues() const { return {}; }
    virtual void reload() = 0;
};

class MasterListForm : public QDialog, public MasterList {
    Q_OBJECT
public:
    enum class Frame {
        Fixed,    // fixed-size dialog with a "&关闭" button
        Resizable // resizable window, the grid filling it
    };
    DataGrid* DBGrid1;
    QLabel* titleLabel;
    QAction* addAction;
    QAction* deleteAction;

    const Master::Table& masterTable() const override { return m_table; }
    QString currentCode() const override;
    QString currentName() const override;

protected:
    // `codeField` and `nameField`: the grid fields of the current row's code and name.
    MasterListForm(QWidget* parent, const QString& objectName, const QString& caption, const QString& title,
                   const QSize& size, const Master::Table& table, const QString& codeField,
                   const QString& nameField, Frame frame = Frame::Fixed);
    // "新增" and "删除" show the add and delete windows created at start-up.
    template <class AddDialog, class DeleteDialog> void useStartupDialogs() {
        connect(addAction, &QAction::triggered, this, [this] { longLived<AddDialog>()->openFor(this); });
        connect(deleteAction, &QAction::triggered, this, [this] { longLived<DeleteDialog>()->openFor(this); });
    }
    // "新增" and "删除" create their windows for each use.
    template <class AddDialog, class DeleteDialog> void useOwnDialogs() {
        connect(addAction, &QAction::triggered, this, [this] { AddDialog(this).openFor(this); });
        connect(deleteAction, &QAction::triggered, this, [this] { DeleteDialog(this).openFor(this); });
    }
    // Adds the context entry after a divider.
    QAction* addContextEntry(const QString& text);
    void showEvent(QShowEvent* e) override;

private:
    const Master::Table& m_table;
    QString m_codeField;
    QString m_nameField;
};

class MasterAddDialog : public QDialog {
    Q_OBJECT
public:
    struct Field {
        QString label;
        QString name;
        int limit;
    };
    QList<QLineEdit*> edits;
    QList<QLabel*> labels;
    QLineEdit* edit(int i) const { return edits.value(i); }
    QString typed(int i) const;
    // Empties the fields, puts the focus in the first one and shows the window for `list`.
    int openFor(MasterList* list);
    MasterList* list() const { return m_list; }
    void save();

protected:
    MasterAddDialog(QWidget* parent, const QString& objectName, const QString& caption, const QList<Field>& fields,
                    const QSize& size);
    // Captions for the list's table, when they depend on it.
    virtual void adapt(const Master::Table&) {}
    virtual Master::Entry gather() const;

private:
    MasterList* m_list = nullptr;
    const Master::Table* m_table = nullptr;
};

class MasterDeleteDialog : public QDialog {
    Q_OBJECT
public:
    QLabel* caption1;
    QLabel* caption2;
    QLabel* Label4; // the code
    QLabel* Label5; // the name
    // Shows the list's current row and the window.
    int openFor(MasterList* list);
    // Shows the given record of the list's table and the window.
    int openWith(MasterList* list, const QString& code, const QString& name);
    void remove();

protected:
    MasterDeleteDialog(QWidget* parent, const QString& objectName, const QString& caption, const QString& codeLabel,
                       const QString& nameLabel, const QSize& size);
    virtual void adapt(const Master::Table&) {}
    // After a deletion: the list shows its rows again.
    virtual void deleted(MasterList* list) { list->reload(); }

private:
    MasterList* m_list = nullptr;
    const Master::Table* m_table = nullptr;
    QString m_parent;
};
