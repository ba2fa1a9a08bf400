#include "stocktake/FF10_unit.h"

#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "stocktake/stocktake.h"
#include "ui/messages.h"
#include "security/rights.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FF10_form::FF10_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FF10_form"));
    setWindowTitle(QStringLiteral("选择盘点仓库"));
    auto* g = new QGridLayout(this);
    auto* label = Forms::caption(QStringLiteral("盘点封帐仓库："), this);
    warehouse_a = Forms::lookup(this, QStringLiteral("warehouse_a"), {});
    warehouse_a->setListColumns({"warehouse", "warehouse_name"}, {QStringLiteral("仓库代码"), QStringLiteral("仓库名称")});
    warehouse_a->setHeaderVisible(true);
    warehouse_name_a = Forms::nameBox(this, QStringLiteral("warehouse_name_a"), 160);
    bindNameBox(warehouse_a, warehouse_name_a, QStringLiteral("warehouse_name"));
    g->addWidget(label, 0, 0);
    g->addWidget(warehouse_a, 0, 1);
    g->addWidget(warehouse_name_a, 0, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto make = [&](const QString& text, const QString& name) { return Forms::button(buttons, this, text, name); };
    BitBtn1 = make(QStringLiteral("封帐"), QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = make(QStringLiteral("撤销"), QStringLiteral("BitBtn2"));
    BitBtn3 = make(QStringLiteral("退出"), QStringLiteral("BitBtn3"));
    g->addLayout(buttons, 1, 0, 1, 3);
    connect(BitBtn1, &QPushButton::clicked, this, &FF10_form::sealWarehouse);
    connect(BitBtn2, &QPushButton::clicked, this, &FF10_form::liftSeal);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint().expandedTo(QSize(420, 110)));

    warehouse_a->setText(QString());
    setSealedState(false);
    guarded(this, [&] {
        const Rights::List warehouses = Rights::warehouseList(Rights::Access::Operate);
        warehouse_a->setList(warehouses.sql, warehouses.params);
        if (const auto standing = Stocktake::standingSeal()) {
            warehouse_a->setText(*standing);
            setSealedState(true);
        }
    });
}

bool FF10_form::isSealedState() const { return !BitBtn1->isEnabled(); }

void FF10_form::setSealedState(bool sealed) {
    BitBtn1->setEnabled(!sealed);
    warehouse_a->setEnabled(!sealed);
}

void FF10_form::sealWarehouse() {
    if (isSealedState()) return;
    guarded(this, [&] {
        switch (Stocktake::seal(warehouse_a->text().trimmed())) {
        case Stocktake::SealResult::Sealed:
            setSealedState(true);
            Msg::confirm(this, QStringLiteral("封帐成功！"), true);
            break;
        case Stocktake::SealResult::NoSuchWarehouse:
            Msg::notice(this, QStringLiteral("请选择仓库."));
            warehouse_a->setFocus();
            break;
        case Stocktake::SealResult::AlreadySealed: {
            // Sealed meanwhile in another running copy under the same user code: show that seal.
            const auto standing = Stocktake::standingSeal();
            Msg::notice(this, QStringLiteral("已有封帐仓库：%1").arg(standing.value_or(QString())));
            if (standing) warehouse_a->setText(*standing);
            setSealedState(true);
            break;
        }
        }
    });
}

void FF10_form::liftSeal() {
    guarded(this, [&] {
        Stocktake::unseal(warehouse_a->text());
        setSealedState(false);
        // Ready for the next warehouse: typing replaces the code shown.
        warehouse_a->setFocus();
        warehouse_a->lineEdit()->selectAll();
    });
}

void FF10_form::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        BitBtn2->click();
        return;
    }
    QDialog::keyPressEvent(e);
}
