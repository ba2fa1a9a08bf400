#include "fields/form_helpers.h"

#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "security/rights.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVariant>

namespace Forms {

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

void showLocked(QWidget* field, bool locked) {
    if (locked == field->property("yc_locked").toBool()) return;
    field->setProperty("yc_locked", locked);
    // Some platform themes paint an edit's face from their own colours, not the widget's
    // palette: a style sheet rule is honoured by every theme. It goes before the palette is
    // given back, since removing it polishes the palette again.
    const bool combo = qobject_cast<QComboBox*>(field) != nullptr;
    if ((qobject_cast<QLineEdit*>(field) || combo) && !locked) field->setStyleSheet(QString());
    if (locked) {
        field->setProperty("yc_palette", QVariant::fromValue(field->palette()));
        field->setProperty("yc_own_palette", field->testAttribute(Qt::WA_SetPalette));
        QPalette p = field->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive})
            p.setColor(group, QPalette::Base, p.color(group, QPalette::Window));
        field->setPalette(p);
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->setStyleSheet(QStringLiteral("QLineEdit { background-color: palette(window); }"));
        // A drop-down's face is the style's own drawing under some themes: the rule again.
        if (combo) field->setStyleSheet(QStringLiteral("QComboBox { background-color: palette(window); }"));
    } else if (field->property("yc_own_palette").toBool()) {
        field->setPalette(field->property("yc_palette").value<QPalette>());
    } else {
        field->setPalette(QPalette()); // inherits again
        field->setAttribute(Qt::WA_SetPalette, false);
    }
}

void passwordField(QLineEdit* field) {
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

QHBoxLayout* closeRow(QDialog* dialog, const QString& name) {
    auto* close = new QPushButton(QStringLiteral("&关闭"), dialog);
    close->setObjectName(name);
    close->setAutoDefault(false);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(close);
    return row;
}

QLabel* heading(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QStringLiteral("Label_title"));
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setPixelSize(18);
    f.setBold(true);
    f.setUnderline(true);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: #800000;"));
    return l;
}

QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

LookupField* lookup(QWidget* parent, const QString& name, const QStringList& columns) {
    auto* f = new LookupField(parent);
    f->setObjectName(name);
    f->setListColumns(columns);
    f->setMinimumWidth(90);
    return f;
}

NameBox* nameBox(QWidget* parent, const QString& name, int minimumWidth) {
    auto* n = new NameBox(parent);
    n->setObjectName(name);
    n->setMinimumWidth(minimumWidth);
    return n;
}

QPushButton* button(QHBoxLayout* row, QWidget* parent, const QString& text, const QString& name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
}

bool showPrices(QWidget* window, const QList<QWidget*>& priceFields) {
    bool shown = true;
    try {
        shown = Rights::seesPrices();
    } catch (const DbError&) {
    }
    if (shown) return true;
    for (QWidget* f : priceFields) f->hide();
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->text().endsWith(QStringLiteral("价格："))) l->hide();
    return false;
}

QAction* separator(QObject* parent) {
    auto* a = new QAction(parent);
    a->setSeparator(true);
    return a;
}

QLineEdit* labelledEdit(QWidget* parent, const QString& caption, const QString& name, int maxLength, int y,
                        QLabel** label) {
    auto* l = new QLabel(caption, parent);
    if (label) *label = l;
    l->setGeometry(20, y, 110, 24);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    e->setGeometry(135, y, parent->width() - 165, 24);
    return e;
}

QLabel* valueLabel(QWidget* parent, const QString& caption, const QString& name, int y, QLabel** label) {
    auto* l = new QLabel(caption, parent);
    if (label) *label = l;
    l->setGeometry(20, y, 130, 24);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* v = new QLabel(parent);
    v->setObjectName(name);
    v->setGeometry(155, y, parent->width() - 175, 24);
    return v;
}

QLabel* question(QWidget* parent, int y) {
    auto* q = new QLabel(QStringLiteral("确定删除吗？"), parent);
    q->setObjectName(QStringLiteral("Label3"));
    q->setGeometry(0, y, parent->width(), 30);
    q->setAlignment(Qt::AlignCenter);
    QFont f = q->font();
    f.setPixelSize(16);
    f.setBold(true);
    f.setItalic(true);
    q->setFont(f);
    q->setStyleSheet(QStringLiteral("color: #800000;"));
    return q;
}

QPushButton* okCancel(QDialog* dialog, const QString& ok, const QString& cancel, int y, std::function<void()> onOk) {
    auto* b1 = new QPushButton(ok, dialog);
    b1->setObjectName(QStringLiteral("BitBtn1"));
    b1->setDefault(true);
    b1->setAutoDefault(true);
    b1->setGeometry(dialog->width() - 190, y, 80, 28);
    auto* b2 = new QPushButton(cancel, dialog);
    b2->setObjectName(QStringLiteral("BitBtn2"));
    b2->setAutoDefault(false);
    b2->setGeometry(dialog->width() - 100, y, 80, 28);
    QObject::connect(b1, &QPushButton::clicked, dialog, [f = std::move(onOk)] { f(); });
    QObject::connect(b2, &QPushButton::clicked, dialog, &QDialog::reject);
    return b1;
}

} // namespace Forms
