#pragma once
// The master list window pattern: a list window with a title and a read-only grid whose context
// menu offers "新增" and "删除", an add window that refuses duplicates, and a delete confirmation
// window. The screens of the master tables configure it.
#include "ui/messages.h"
#include "ui/screens.h"
#include "masterdata/master_repo.h"

#include <QAction>

#include <QDialog>
#include <functional>

class DataGrid;
class QAction;
class QLabel;
class QLineEdit;

class MasterListForm : public QDialog {
    Q_OBJECT
public:
    DataGrid* DBGrid1;
    QLabel* titleLabel;
    QAction* addAction;
    QAction* deleteAction;
    virtual void reload() = 0;

protected:
    MasterListForm(QWidget* parent, const QString& objectName, const QString& caption, const QString& title,
                   const QSize& size);
    // "新增" and "删除" show the add and delete windows created at start-up, prepared afresh.
    template <class AddDialog, class DeleteDialog> void useStartupDialogs() {
        connect(addAction, &QAction::triggered, this, [] { showPrepared(longLived<AddDialog>()); });
        connect(deleteAction, &QAction::triggered, this, [] { showPrepared(longLived<DeleteDialog>()); });
    }
    // Adds the context entry after a divider.
    QAction* addContextEntry(const QString& text);
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
    void prepare(); // fields emptied on every show

protected:
    MasterAddDialog(QWidget* parent, const QString& objectName, const QString& caption, const QList<Field>& fields,
                    const QSize& size);
    virtual void save() = 0;
};

class MasterDeleteDialog : public QDialog {
    Q_OBJECT
public:
    QLabel* caption1;
    QLabel* caption2;
    QLabel* Label4; // the code
    QLabel* Label5; // the name

protected:
    MasterDeleteDialog(QWidget* parent, const QString& objectName, const QString& caption, const QString& codeLabel,
                       const QString& nameLabel, const QSize& size);
    virtual void remove() = 0;
    // The list's current row into the two value labels.
    void showRow(MasterListForm* list, const QString& codeField, const QString& nameField);
};

template <class D> void showPrepared(D* dialog) {
    dialog->prepare();
    Msg::runModal(dialog);
}

// The usual "确定" of an add window: empty code or name (as typed) does nothing; a code or name in
// use shows `duplicate`; otherwise `values` are inserted, the list reloaded and the window closed.
void saveRefusingEither(QDialog* dialog, const QString& table, const QString& codeColumn, const QString& nameColumn,
                        const QString& code, const QString& name, const QString& duplicate,
                        const MasterRepo::Values& values, MasterListForm* list);
