#include "masterdata/master_list.h"

#include "ui/messages.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MasterListForm::MasterListForm(QWidget* parent, const QString& objectName, const QString& caption,
                               const QString& title, const QSize& size)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    resize(size);
    titleLabel = Forms::heading(this, title);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    addAction = new QAction(QStringLiteral("新增"), this);
    addAction->setObjectName(QStringLiteral("N1"));
    deleteAction = new QAction(QStringLiteral("删除"), this);
    deleteAction->setObjectName(QStringLiteral("N2"));
    DBGrid1->addContextAction(addAction);
    DBGrid1->addContextAction(Forms::separator(this));
    DBGrid1->addContextAction(deleteAction);
    auto* v = new QVBoxLayout(this);
    v->addWidget(titleLabel);
    v->addWidget(DBGrid1, 1);
    v->addLayout(Forms::closeRow(this));
}

QAction* MasterListForm::addContextEntry(const QString& text) {
    DBGrid1->addContextAction(Forms::separator(this));
    auto* a = new QAction(text, this);
    DBGrid1->addContextAction(a);
    return a;
}

MasterAddDialog::MasterAddDialog(QWidget* parent, const QString& objectName, const QString& caption,
                                 const QList<Field>& fields, const QSize& size)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(size);
    int y = 20;
    for (const Field& f : fields) {
        QLabel* label = nullptr;
        edits << Forms::labelledEdit(this, f.label, f.name, f.limit, y, &label);
        labels << label;
        y += 34;
    }
    Forms::okCancel(this, QStringLiteral("确定"), QStringLiteral("取消"), size.height() - 44, [this] { save(); });
}

QString MasterAddDialog::typed(int i) const { return edits.value(i) ? edits[i]->text() : QString(); }

void MasterAddDialog::prepare() {
    for (QLineEdit* e : edits) e->clear();
}

MasterDeleteDialog::MasterDeleteDialog(QWidget* parent, const QString& objectName, const QString& caption,
                                       const QString& codeLabel, const QString& nameLabel, const QSize& size)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(size);
    Label4 = Forms::valueLabel(this, codeLabel, QStringLiteral("Label4"), 24, &caption1);
    Label5 = Forms::valueLabel(this, nameLabel, QStringLiteral("Label5"), 60, &caption2);
    Forms::question(this, 100);
    Forms::okCancel(this, QStringLiteral("&删除"), QStringLiteral("&取消"), size.height() - 44, [this] { remove(); });
}

void MasterDeleteDialog::showRow(MasterListForm* list, const QString& codeField, const QString& nameField) {
    Label4->setText(list ? list->DBGrid1->currentValue(codeField).toString() : QString());
    Label5->setText(list ? list->DBGrid1->currentValue(nameField).toString() : QString());
}

void saveRefusingEither(QDialog* dialog, const QString& table, const QString& codeColumn, const QString& nameColumn,
                        const QString& code, const QString& name, const QString& duplicate,
                        const MasterRepo::Values& values, MasterListForm* list) {
    if (code.isEmpty() || name.isEmpty()) return;
    guarded(dialog, [&] {
        // The check compares the texts as typed; the trimmed code is checked as well, since the
        // table's unique key would refuse it.
        if (MasterRepo::existsAny(table, {{codeColumn, code}, {nameColumn, name}}) ||
            MasterRepo::existsAll(table, {{codeColumn, MasterRepo::trimmed(code)}})) {
            Msg::notice(dialog, duplicate);
            return;
        }
        MasterRepo::insert(table, values);
        if (list) list->reload();
        dialog->accept();
    });
}
