#include "security/AA30_Unit.h"

#include "app/main_form.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"
#include "security/commands.h"
#include "ui/messages.h"
#include "ui/screens.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { Code, Name, Query, Operate };

QTableWidgetItem* checkItem(bool on) {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    return item;
}

QTableWidgetItem* textItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}
} // namespace

QString TAA30_form::s_first;

void TAA30_form::openFor(const QString& account, QWidget* parent) {
    s_first = account;
    Screens::open(Rights::RightsCommand, parent);
    s_first.clear();
}

TAA30_form::TAA30_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAA30_form"));
    setWindowTitle(QStringLiteral("权限设置"));
    resize(860, 560);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Forms::heading(this, QStringLiteral("权 限 设 置")));
    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({{"login_id", "用户代码", 80}, {"login_name", "用户名称", 110}});
    DBGrid1->setFixedWidth(220);
    body->addWidget(DBGrid1);

    auto* commands = new QVBoxLayout;
    account_a = new QLabel(this);
    account_a->setObjectName(QStringLiteral("account_a"));
    commands->addWidget(account_a);
    CommandTree = new QTreeWidget(this);
    CommandTree->setObjectName(QStringLiteral("CommandTree"));
    CommandTree->setHeaderLabels({QStringLiteral("功能"), QStringLiteral("代码")});
    CommandTree->setColumnWidth(0, 170);
    commands->addWidget(CommandTree, 1);
    body->addLayout(commands, 1);

    auto* right = new QVBoxLayout;
    WarehouseGrid = new QTableWidget(0, 4, this);
    WarehouseGrid->setObjectName(QStringLiteral("WarehouseGrid"));
    WarehouseGrid->setHorizontalHeaderLabels({QStringLiteral("仓库代码"), QStringLiteral("仓库名称"),
                                              QStringLiteral("查询"), QStringLiteral("操作")});
    WarehouseGrid->verticalHeader()->hide();
    WarehouseGrid->setColumnWidth(Code, 70);
    WarehouseGrid->setColumnWidth(Name, 110);
    WarehouseGrid->setColumnWidth(Query, 44);
    WarehouseGrid->setColumnWidth(Operate, 44);
    right->addWidget(WarehouseGrid, 1);
    see_price = new QCheckBox(QStringLiteral("查看价格"), this);
    see_price->setObjectName(QStringLiteral("see_price"));
    right->addWidget(see_price);
    auto* copyRow = new QHBoxLayout;
    copyRow->addWidget(new QLabel(QStringLiteral("从用户："), this));
    copy_from = new QComboBox(this);
    copy_from->setObjectName(QStringLiteral("copy_from"));
    copyRow->addWidget(copy_from, 1);
    right->addLayout(copyRow);
    body->addLayout(right, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* copyButton = Forms::button(buttons, this, QStringLiteral("复制权限"), QStringLiteral("BitBtn3"));
    QPushButton* saveButton = Forms::button(buttons, this, QStringLiteral("保存"), QStringLiteral("BitBtn1"));
    QPushButton* closeButton = Forms::button(buttons, this, QStringLiteral("&关闭"), QStringLiteral("BitBtn2"));
    outer->addLayout(buttons);
    connect(copyButton, &QPushButton::clicked, this, &TAA30_form::copy);
    connect(saveButton, &QPushButton::clicked, this, &TAA30_form::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(WarehouseGrid, &QTableWidget::cellChanged, this, &TAA30_form::levelChanged);
    connect(CommandTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (m_filling || item->parent()) return;
        // A menu's box ticks or clears all of its commands.
        if (item->checkState(0) == Qt::PartiallyChecked) return;
        m_filling = true;
        for (int i = 0; i < item->childCount(); ++i) item->child(i)->setCheckState(0, item->checkState(0));
        m_filling = false;
    });
    connect(DBGrid1, &DataGrid::cellClicked, this,
            [this](int row) { showAccount(DBGrid1->value(row, QStringLiteral("login_id")).toString()); });

    fillTree();
    guarded(this, [&] {
        Rights::require(Rights::RightsCommand);
        DBGrid1->open(QStringLiteral("SELECT login_id, login_name FROM login_table ORDER BY login_id"));
        DBGrid1->model()->fetchAll();
        for (int r = 0; r < DBGrid1->rowCount(); ++r) copy_from->addItem(DBGrid1->value(r, QStringLiteral("login_id")).toString());
        fillWarehouses();
        int first = 0;
        for (int r = 0; r < DBGrid1->rowCount(); ++r)
            if (DBGrid1->value(r, QStringLiteral("login_id")).toString() == s_first) first = r;
        if (DBGrid1->hasRows()) {
            DBGrid1->setCurrentRow(first);
            showAccount(DBGrid1->value(first, QStringLiteral("login_id")).toString());
        }
    });
}

void TAA30_form::fillTree() {
    for (const Commands::Menu& m : Commands::menus()) {
        auto* menu = new QTreeWidgetItem(CommandTree, {m.caption, m.code});
        menu->setFlags(menu->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        for (const Commands::Command& c : m.entries) {
            if (c.code.isEmpty()) continue;
            auto* item = new QTreeWidgetItem(menu, {c.caption, c.code});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
    CommandTree->expandAll();
}

void TAA30_form::fillWarehouses() {
    m_filling = true;
    QSqlQuery q = Sql::run(QStringLiteral("SELECT warehouse, warehouse_name FROM kesp_warehouse_ini ORDER BY warehouse"));
    QList<QPair<QString, QString>> rows{{Rights::AllWarehouses, QStringLiteral("全部仓库")}};
    while (q.next()) rows.append({q.value(0).toString(), q.value(1).toString()});
    WarehouseGrid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        WarehouseGrid->setItem(r, Code, textItem(rows[r].first));
        WarehouseGrid->setItem(r, Name, textItem(rows[r].second));
        WarehouseGrid->setItem(r, Query, checkItem(false));
        WarehouseGrid->setItem(r, Operate, checkItem(false));
    }
    m_filling = false;
}

void TAA30_form::showAccount(const QString& account) {
    guarded(this, [&] {
        const Rights::Grant g = Rights::load(account);
        m_account = account;
        account_a->setText(QStringLiteral("用户：%1").arg(account));
        m_filling = true;
        for (int i = 0; i < CommandTree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* menu = CommandTree->topLevelItem(i);
            for (int k = 0; k < menu->childCount(); ++k) {
                QTreeWidgetItem* c = menu->child(k);
                c->setCheckState(0, g.allows(c->text(1)) ? Qt::Checked : Qt::Unchecked);
            }
        }
        for (int r = 0; r < WarehouseGrid->rowCount(); ++r) {
            const QString code = WarehouseGrid->item(r, Code)->text();
            Rights::Access a = Rights::Access::None;
            if (r == 0) {
                if (g.allWarehouses) a = g.allAccess;
            } else {
                for (const auto& [w, level] : g.warehouses)
                    if (w.compare(code, Qt::CaseInsensitive) == 0) a = level;
            }
            WarehouseGrid->item(r, Query)->setCheckState(a != Rights::Access::None ? Qt::Checked : Qt::Unchecked);
            WarehouseGrid->item(r, Operate)->setCheckState(a == Rights::Access::Operate ? Qt::Checked : Qt::Unchecked);
        }
        see_price->setChecked(g.seePrices);
        m_filling = false;
    });
}

void TAA30_form::levelChanged(int row, int column) {
    if (m_filling || (column != Query && column != Operate)) return;
    m_filling = true;
    // 操作 includes 查询; without 查询 there is no 操作.
    if (column == Operate && WarehouseGrid->item(row, Operate)->checkState() == Qt::Checked)
        WarehouseGrid->item(row, Query)->setCheckState(Qt::Checked);
    if (column == Query && WarehouseGrid->item(row, Query)->checkState() == Qt::Unchecked)
        WarehouseGrid->item(row, Operate)->setCheckState(Qt::Unchecked);
    m_filling = false;
}

Rights::Grant TAA30_form::shown() const {
    Rights::Grant g;
    QStringList all;
    for (int i = 0; i < CommandTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* menu = CommandTree->topLevelItem(i);
        for (int k = 0; k < menu->childCount(); ++k) {
            all << menu->child(k)->text(1);
            if (menu->child(k)->checkState(0) == Qt::Checked) g.commands << menu->child(k)->text(1);
        }
    }
    // Every command ticked: also those a later version adds.
    if (g.commands == all) {
        g.allCommands = true;
        g.commands.clear();
    }
    g.seePrices = see_price->isChecked();
    const auto level = [&](int r) {
        if (WarehouseGrid->item(r, Operate)->checkState() == Qt::Checked) return Rights::Access::Operate;
        if (WarehouseGrid->item(r, Query)->checkState() == Qt::Checked) return Rights::Access::Query;
        return Rights::Access::None;
    };
    if (level(0) != Rights::Access::None) {
        g.allWarehouses = true;
        g.allAccess = level(0);
        return g;
    }
    for (int r = 1; r < WarehouseGrid->rowCount(); ++r)
        if (level(r) != Rights::Access::None) g.warehouses.append({WarehouseGrid->item(r, Code)->text(), level(r)});
    return g;
}

void TAA30_form::save() {
    if (m_account.isEmpty()) return;
    const Rights::Grant g = shown();
    if (!guarded(this, [&] { Rights::save(m_account, g); })) return;
    if (MainForm* main = MainForm::instance()) main->applyRights();
    Msg::notice(this, QStringLiteral("权限已保存。"));
}

void TAA30_form::copy() {
    const QString from = copy_from->currentText();
    if (m_account.isEmpty() || from.isEmpty() || from == m_account) return;
    if (!Msg::confirm(this, QStringLiteral("把用户 %1 的权限复制给 %2 吗？").arg(from, m_account))) return;
    if (!guarded(this, [&] { Rights::copy(from, m_account); })) return;
    showAccount(m_account);
    if (MainForm* main = MainForm::instance()) main->applyRights();
}
