#include "masterdata/master_list.h"

#include "ui/messages.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// Clears the dialog's pointer to the list once the modal showing is over.
struct ListScope {
    MasterList*& slot;
    ListScope(MasterList*& s, MasterList* list) : slot(s) { slot = list; }
    ~ListScope() { slot = nullptr; }
};
} // namespace

MasterListForm::MasterListForm(QWidget* parent, const QString& objectName, const QString& caption,
                               const QString& title, const QSize& size, const Master::Table& table,
                               const QString& codeField, const QString& nameField, Frame frame)
    : QDialog(parent), m_table(table), m_codeField(codeField), m_nameField(nameField) {
    setObjectName(objectName);
    setWindowTitle(caption);
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
    if (frame == Frame::Resizable) {
        auto* band = new QWidget(this);
        band->setFixedHeight(8);
        v->addWidget(band);
        v->addWidget(DBGrid1, 1);
        setSizeGripEnabled(true);
        resize(size);
    } else {
        v->addWidget(DBGrid1, 1);
        setFixedSize(size);
    }
    // Every list closes by its own button as well, resizable or not.
    v->addLayout(Forms::closeRow(this));
    DBGrid1->view()->setFocus();
}

QString MasterListForm::currentCode() const { return DBGrid1->currentValue(m_codeField).toString(); }
QString MasterListForm::currentName() const { return DBGrid1->currentValue(m_nameField).toString(); }

QAction* MasterListForm::addContextEntry(const QString& text) {
    DBGrid1->addContextAction(Forms::separator(this));
    auto* a = new QAction(text, this);
    DBGrid1->addContextAction(a);
    return a;
}

void MasterListForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    DBGrid1->view()->setFocus();
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

int MasterAddDialog::openFor(MasterList* list) {
    ListScope scope(m_list, list);
    m_table = &list->masterTable();
    adapt(*m_table);
    for (QLineEdit* e : edits) e->clear();
    if (!edits.isEmpty()) edits.first()->setFocus();
    return Msg::runModal(this);
}

Master::Entry MasterAddDialog::gather() const {
    Master::Entry e;
    e.code = typed(0);
    e.name = typed(1);
    e.desc = typed(2);
    e.parent = m_list->parentCode();
    e.extra = m_list->extraValues();
    return e;
}

void MasterAddDialog::save() {
    if (!m_list) return;
    guarded(this, [&] {
        const Master::Result r = Master::add(*m_table, gather());
        if (r.outcome == Master::Outcome::Ignored) return;
        if (!r.done()) {
            Msg::notice(this, r.message.isEmpty() ? QStringLiteral("记录新增失败！") : r.message);
            return;
        }
        m_list->reload();
        accept();
    });
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

int MasterDeleteDialog::openFor(MasterList* list) {
    return openWith(list, list->currentCode(), list->currentName());
}

int MasterDeleteDialog::openWith(MasterList* list, const QString& code, const QString& name) {
    ListScope scope(m_list, list);
    m_table = &list->masterTable();
    m_parent = list->parentCode();
    adapt(*m_table);
    Label4->setText(code);
    Label5->setText(name);
    if (auto* b = findChild<QPushButton*>(QStringLiteral("BitBtn1"))) b->setFocus();
    return Msg::runModal(this);
}

void MasterDeleteDialog::remove() {
    if (!m_list) return;
    guarded(this, [&] {
        const Master::Result r = Master::remove(*m_table, Label4->text(), Label5->text(), m_parent);
        switch (r.outcome) {
        case Master::Outcome::InUse:
        case Master::Outcome::Refused:
            Msg::notice(this, r.message); // nothing deleted; the window stays open
            return;
        case Master::Outcome::NotFound:
            Msg::notice(this, r.message);
            break;
        case Master::Outcome::Done:
            deleted(m_list);
            break;
        case Master::Outcome::Ignored:
            break;
        }
        if (r.outcome == Master::Outcome::NotFound) m_list->reload();
        accept();
    });
}
