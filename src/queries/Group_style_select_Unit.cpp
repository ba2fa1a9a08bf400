#include "queries/Group_style_select_Unit.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/crosstab.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {
QFrame* panel(QWidget* parent, const QString& text, bool big) {
    auto* p = new QFrame(parent);
    p->setFrameShape(QFrame::StyledPanel);
    auto* l = new QLabel(text, p);
    l->setAlignment(Qt::AlignCenter);
    if (big) {
        QFont f = l->font();
        f.setPixelSize(28);
        f.setItalic(true);
        f.setUnderline(true);
        l->setFont(f);
    }
    auto* lay = new QGridLayout(p);
    lay->addWidget(l);
    return p;
}

QComboBox* headingBox(QWidget* parent, const QString& name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(Crosstab::captions()); // restricted to the six captions
    c->setCurrentIndex(-1);
    return c;
}
} // namespace

Group_style_select_form::Group_style_select_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Group_style_select_form"));
    setWindowTitle(QStringLiteral("创建分类样式"));
    setFixedSize(420, 260);
    col_name = headingBox(this, QStringLiteral("col_name"));
    row_name = headingBox(this, QStringLiteral("row_name"));
    auto* g = new QGridLayout(this);
    g->addWidget(panel(this, QStringLiteral("分类汇总"), false), 0, 0);
    auto* colBox = new QFrame(this);
    auto* cl = new QGridLayout(colBox);
    cl->addWidget(new QLabel(QStringLiteral("列标题："), colBox), 0, 0);
    cl->addWidget(col_name, 1, 0);
    g->addWidget(colBox, 0, 1);
    auto* rowBox = new QFrame(this);
    auto* rl = new QGridLayout(rowBox);
    rl->addWidget(new QLabel(QStringLiteral("行标题："), rowBox), 0, 0);
    rl->addWidget(row_name, 1, 0);
    g->addWidget(rowBox, 1, 0);
    g->addWidget(panel(this, QStringLiteral("数量"), true), 1, 1);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);
    g->addLayout(buttons, 2, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, &Group_style_select_form::confirm);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void Group_style_select_form::confirm() {
    if (col_name->currentIndex() < 0 || row_name->currentIndex() < 0) return;
    if (col_name->currentText() == row_name->currentText()) {
        Msg::notice(this, QStringLiteral("列标题和行标题不能相同！"));
        return;
    }
    Group_Grid_form* grid = longLived<Group_Grid_form>();
    if (guarded(this, [&] { grid->prepare(col_name->currentText(), row_name->currentText()); })) Msg::runModal(grid);
    grid->dropColumns();
}
