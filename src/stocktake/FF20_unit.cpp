#include "stocktake/FF20_unit.h"

#include "barcodes/barcodes.h"
#include "fields/datagrid.h"
#include "fields/datepicker.h"
#include "fields/form_helpers.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "stocktake/stocktake.h"
#include "ui/messages.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
using Forms::caption;
using Forms::lookup;
using Forms::nameBox;

const QStringList ItemColumns{"item_code", "item_name", "item_model", "item_spec"};
} // namespace

FF20_form::FF20_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FF20_form"));
    setWindowTitle(QStringLiteral("仓库盘点窗口"));
    setSizeGripEnabled(true);
    resize(1100, 660);
    auto* band = new QWidget(this);
    band->setObjectName(QStringLiteral("Panel1"));
    auto* g = new QGridLayout(band);
    g->setHorizontalSpacing(6);
    buildFilters(g);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto make = [&](const QString& text, const QString& name) { return Forms::button(buttons, band, text, name); };
    BitBtn1 = make(QStringLiteral("查询"), QStringLiteral("BitBtn1"));
    // The grid's context commands, also as buttons for those who never open that menu.
    BitBtn4 = make(QStringLiteral("按原数量填入"), QStringLiteral("BitBtn4"));
    BitBtn5 = make(QStringLiteral("全部审核"), QStringLiteral("BitBtn5"));
    BitBtn2 = make(QStringLiteral("调帐"), QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    BitBtn3 = make(QStringLiteral("关闭"), QStringLiteral("BitBtn3"));
    g->addLayout(buttons, 4, 0, 1, 8);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    const QString sum = QStringLiteral("#,##0.##");
    DBGrid1->setColumns({{"item_code", "项目代码", 80},
                         {"item_name", "项目名称", 150},
                         {"item_model", "型号", 80},
                         {"item_spec", "规格", 80},
                         {"attr_name", "属性", 80},
                         {"size_name", "尺寸", 80},
                         {"stage_name", "等级", 80},
                         {"remaind_qty", "原数量", 80, sum},
                         {"qty", "调帐数量", 80, sum, true},
                         {"check_flag", "审核", 80, {}, true, true},
                         {"arrage_name_b", "大类", 80},
                         {"arrage_name_s", "小类", 80},
                         {"warehouse_name", "仓库名称", 80},
                         {"unit_name", "单位名称", 80},
                         {"order_no", "order_no", 80, {}, false, false, false},
                         {"found_flag", "账外", 50, {}, false, true}});
    // Goods found by scanning that the books did not know.
    DBGrid1->model()->setRowColor([](const GridModel& m, int row) -> std::optional<QColor> {
        if (m.value(row, QStringLiteral("found_flag")).toBool()) return QColor(255, 228, 196);
        return std::nullopt;
    });
    DBGrid1->model()->setSort(Stocktake::gridOrder(), Qt::AscendingOrder);
    ApproveAll = new QAction(QStringLiteral("全部审核"), this);
    ApproveAll->setObjectName(QStringLiteral("ApproveAll"));
    FillBook = new QAction(QStringLiteral("按原数量填入"), this);
    FillBook->setObjectName(QStringLiteral("FillBook"));
    DBGrid1->addContextAction(ApproveAll);
    DBGrid1->addContextAction(FillBook);

    auto* v = new QVBoxLayout(this);
    v->addWidget(band);
    v->addWidget(DBGrid1, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &FF20_form::load);
    connect(BitBtn2, &QPushButton::clicked, this, &FF20_form::adjust);
    connect(BitBtn3, &QPushButton::clicked, this, &FF20_form::closeAsked);
    connect(ApproveAll, &QAction::triggered, this, &FF20_form::approveAll);
    connect(FillBook, &QAction::triggered, this, &FF20_form::fillWithBook);
    connect(BitBtn4, &QPushButton::clicked, FillBook, &QAction::trigger);
    connect(BitBtn5, &QPushButton::clicked, ApproveAll, &QAction::trigger);
    connect(DBGrid1->model(), &GridModel::edited, this, [this](int row) { m_edited = row; });
    connect(DBGrid1, &DataGrid::rowLeft, this, [this](int row) {
        if (row == m_edited) saveEdited();
    });
    const int checkColumn = 9;
    connect(DBGrid1->model(), &QAbstractItemModel::dataChanged, this,
            [this, checkColumn](const QModelIndex& from, const QModelIndex&) {
                if (from.column() == checkColumn && !m_numbering) onCheckChanged(from.row());
            });
    wireFilters();

    procure_date_a->setToday();
    guarded(this, [&] {
        const auto sealed = Stocktake::sealedWarehouses();
        warehouse_a->setList(sealed.sql, sealed.params);
        arrage_code_b_a->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_b ORDER BY arrage_code_b"));
        arrage_code_s_a->closeList();
        item_code_a->closeList();
        item_code_b->closeList();
    });
}

FF20_form::~FF20_form() {
    try {
        Stocktake::discard(); // also when the window goes without being closed
    } catch (...) {
    }
}

void FF20_form::buildFilters(QGridLayout* g) {
    QWidget* band = g->parentWidget();
    warehouse_a = lookup(band, QStringLiteral("warehouse_a"), {"warehouse", "warehouse_name"});
    warehouse_name_a = nameBox(band, QStringLiteral("warehouse_name_a"));
    arrage_code_b_a = lookup(band, QStringLiteral("arrage_code_b_a"), {"arrage_code_b", "arrage_name_b"});
    arrage_name_b_a = nameBox(band, QStringLiteral("arrage_name_b_a"));
    arrage_code_s_a = lookup(band, QStringLiteral("arrage_code_s_a"), {"arrage_code_s", "arrage_name_s"});
    arrage_name_s_a = nameBox(band, QStringLiteral("arrage_name_s_a"));
    item_code_a = lookup(band, QStringLiteral("item_code_a"), ItemColumns);
    item_name_a = nameBox(band, QStringLiteral("item_name_a"), 150);
    item_model_a = nameBox(band, QStringLiteral("item_model_a"));
    item_spec_a = nameBox(band, QStringLiteral("item_spec_a"));
    item_code_b = lookup(band, QStringLiteral("item_code_b"), ItemColumns);
    item_name_b = nameBox(band, QStringLiteral("item_name_b"), 150);
    item_model_b = nameBox(band, QStringLiteral("item_model_b"));
    item_spec_b = nameBox(band, QStringLiteral("item_spec_b"));
    procure_date_a = new DatePicker(band);
    procure_date_a->setObjectName(QStringLiteral("procure_date_a"));
    barcode_a = new ScanField(band, QStringLiteral("barcode_a"));
    barcode_a->handler = [this](const QString& code) { return onScan(code); };

    g->addWidget(caption(QStringLiteral("选择盘点仓库："), band), 0, 0);
    g->addWidget(warehouse_a, 0, 1);
    g->addWidget(warehouse_name_a, 0, 2);
    g->addWidget(caption(QStringLiteral("盘点日期："), band), 0, 3);
    g->addWidget(procure_date_a, 0, 4);
    g->addWidget(barcode_a, 0, 5, 1, 3);
    g->addWidget(caption(QStringLiteral("大类："), band), 1, 0);
    g->addWidget(arrage_code_b_a, 1, 1);
    g->addWidget(arrage_name_b_a, 1, 2);
    g->addWidget(caption(QStringLiteral("小类："), band), 1, 3);
    g->addWidget(arrage_code_s_a, 1, 4);
    g->addWidget(arrage_name_s_a, 1, 5);
    g->addWidget(caption(QStringLiteral("项目代码(从)："), band), 2, 0);
    g->addWidget(item_code_a, 2, 1);
    g->addWidget(item_name_a, 2, 2);
    g->addWidget(item_model_a, 2, 3);
    g->addWidget(item_spec_a, 2, 4);
    g->addWidget(caption(QStringLiteral("项目代码(止)："), band), 3, 0);
    g->addWidget(item_code_b, 3, 1);
    g->addWidget(item_name_b, 3, 2);
    g->addWidget(item_model_b, 3, 3);
    g->addWidget(item_spec_b, 3, 4);
    g->setColumnStretch(6, 1);
}

void FF20_form::wireFilters() {
    bindNameBox(warehouse_a, warehouse_name_a, QStringLiteral("warehouse_name"));
    bindNameBox(arrage_code_b_a, arrage_name_b_a, QStringLiteral("arrage_name_b"));
    bindNameBox(arrage_code_s_a, arrage_name_s_a, QStringLiteral("arrage_name_s"));
    const auto itemBoxes = [](LookupField* f, NameBox* name, NameBox* model, NameBox* specBox) {
        QObject::connect(f, &LookupField::changed, name, [=](const QString& t) {
            name->setText(t.isEmpty() ? QString() : f->lookup(QStringLiteral("item_name"), false));
            model->setText(t.isEmpty() ? QString() : f->lookup(QStringLiteral("item_model"), false));
            specBox->setText(t.isEmpty() ? QString() : f->lookup(QStringLiteral("item_spec"), false));
        });
    };
    itemBoxes(item_code_a, item_name_a, item_model_a, item_spec_a);
    itemBoxes(item_code_b, item_name_b, item_model_b, item_spec_b);

    // Lists follow what was chosen before them; each is read again when its field is entered.
    connect(warehouse_a, &LookupField::entered, this, [this] {
        guarded(this, [&] {
            const auto sealed = Stocktake::sealedWarehouses();
            warehouse_a->setList(sealed.sql, sealed.params);
        });
    });
    connect(arrage_code_b_a, &LookupField::entered, this, [this] {
        guarded(this, [&] { arrage_code_b_a->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_b ORDER BY arrage_code_b")); });
    });
    connect(arrage_code_s_a, &LookupField::entered, this, [this] {
        if (arrage_code_b_a->text().isEmpty()) {
            // No small category without its big one: back to the big category (after this focus change).
            QTimer::singleShot(0, arrage_code_b_a, [this] { arrage_code_b_a->setFocus(); });
            return;
        }
        guarded(this, [&] {
            arrage_code_s_a->setList(QStringLiteral("SELECT * FROM kesp_item_arrage_s WHERE arrage_code_b=? "
                                                    "ORDER BY arrage_code_s"),
                                     {arrage_code_b_a->text()});
        });
    });
    // The first and the last item of the range offer the same list, read when either is entered
    // (the clerk may go straight to the last item).
    const auto itemsEntered = [this] {
        guarded(this, [&] {
            const auto items =
                Stocktake::itemList(warehouse_a->text(), arrage_code_b_a->text(), arrage_code_s_a->text());
            item_code_a->setList(items.sql, items.params);
            item_code_b->setList(items.sql, items.params);
        });
    };
    connect(item_code_a, &LookupField::entered, this, itemsEntered);
    connect(item_code_b, &LookupField::entered, this, itemsEntered);

    connect(arrage_code_b_a, &LookupField::changed, this, [this] {
        arrage_code_s_a->setText(QString());
        item_code_a->setText(QString());
    });
    connect(arrage_code_s_a, &LookupField::changed, this, [this] { item_code_a->setText(QString()); });
    connect(item_code_a, &LookupField::changed, this, [this](const QString& t) { item_code_b->setText(t); });
}

void FF20_form::load() {
    DBGrid1->commitEdit();
    m_edited = -1;
    const QString w = warehouse_a->text();
    bool refused = false;
    guarded(this, [&] {
        Forms::WaitCursor wait;
        refused = !w.isEmpty() && !Stocktake::isSealedByUser(w);
        if (refused) Stocktake::discard();
        else Stocktake::load({w, arrage_code_b_a->text(), arrage_code_s_a->text(), item_code_a->text(), item_code_b->text()});
        reopenGrid(-1);
    });
    if (refused) {
        Msg::notice(this, QStringLiteral("仓库 %1 没有封帐，不能盘点。").arg(w));
        warehouse_a->setFocus();
    }
}

void FF20_form::reopenGrid(int keepRow) {
    DBGrid1->view()->setUpdatesEnabled(false);
    const auto rows = Stocktake::countRows();
    try {
        DBGrid1->open(rows.sql, rows.params);
    } catch (...) {
        DBGrid1->view()->setUpdatesEnabled(true);
        throw;
    }
    QList<int> widths{80, 150};
    while (widths.size() < 15) widths << 80;
    DBGrid1->setColumnWidths(widths);
    if (keepRow > 0) {
        GridModel* m = DBGrid1->model();
        while (m->rowCount() <= keepRow && m->canFetchMore()) m->fetchMore();
        DBGrid1->setCurrentRow(std::min(keepRow, m->rowCount() - 1));
    }
    m_edited = -1;
    m_rowsByRid.clear();
    DBGrid1->view()->setUpdatesEnabled(true);
}

int FF20_form::rowOfCount(const QVariant& rid) {
    if (m_rowsByRid.isEmpty()) {
        const QVariantList rids = DBGrid1->model()->valuesInOrder(QStringLiteral("rid"));
        m_rowsByRid.reserve(rids.size());
        for (int i = 0; i < rids.size(); ++i) m_rowsByRid.insert(rids[i].toString(), i);
    }
    return m_rowsByRid.value(rid.toString(), -1);
}

ScanField::Answer FF20_form::onScan(const QString& code) {
    // Said beside the field: a box would stop the scanner.
    const auto refuse = [this](const QString& text) {
        barcode_a->say(text);
        return ScanField::Answer::Refused;
    };
    const QString w = warehouse_a->text();
    if (w.isEmpty()) return refuse(QStringLiteral("请先选择盘点仓库"));
    DBGrid1->commitEdit();
    if (!saveEdited()) return refuse(QString());
    try {
        const auto v = Barcodes::resolve(code);
        if (!v) {
            barcode_a->say(QStringLiteral("未知条码 %1").arg(code));
            return ScanField::Answer::Unknown;
        }
        const Stocktake::Scanned s = Stocktake::scan(w, v->item);
        GridModel* m = DBGrid1->model();
        // A new row (or a grid not showing this warehouse's rows yet) shows the rows again.
        int row = s.found || !m->isOpen() ? -1 : rowOfCount(s.rid);
        if (row < 0) {
            reopenGrid(-1);
            row = rowOfCount(s.rid);
        } else {
            while (m->rowCount() <= row && m->canFetchMore()) m->fetchMore();
            const double before = m->value(row, QStringLiteral("qty")).toDouble();
            m_numbering = true; // un-approving here takes no order number
            m->setValue(row, QStringLiteral("qty"), s.qty);
            m->setValue(row, QStringLiteral("check_flag"), false);
            m_numbering = false;
            DBGrid1->addToSum(QStringLiteral("qty"), s.qty - before);
        }
        while (row >= 0 && m->rowCount() <= row && m->canFetchMore()) m->fetchMore();
        DBGrid1->setCurrentRow(row);
        if (row >= 0) DBGrid1->view()->scrollTo(m->index(row, 0));
        barcode_a->say(s.found ? QStringLiteral("账外：%1 %2 %3").arg(v->item.itemCode, v->item.attrName, v->item.sizeName)
                               : QString());
    } catch (const DbError& e) {
        return refuse(e.text());
    }
    return ScanField::Answer::Taken;
}

void FF20_form::onCheckChanged(int row) {
    GridModel* m = DBGrid1->model();
    if (!m->value(row, QStringLiteral("order_no")).toString().isEmpty()) return; // the box just takes its state
    m_numbering = true;
    const bool ok = guarded(this, [&] {
        const QString number = Stocktake::takeOrderNumber(m->value(row, QStringLiteral("rid")));
        m->setValue(row, QStringLiteral("order_no"), number);
        m->setValue(row, QStringLiteral("check_flag"), true);
    });
    if (!ok) m->setValue(row, QStringLiteral("check_flag"), false);
    m_numbering = false;
}

bool FF20_form::saveEdited() {
    if (m_edited < 0) return true;
    const int row = m_edited;
    m_edited = -1;
    GridModel* m = DBGrid1->model();
    const QVariant qty = m->value(row, QStringLiteral("qty"));
    const bool ok = guarded(this, [&] {
        Stocktake::saveRow(m->value(row, QStringLiteral("rid")),
                           qty.isNull() ? std::nullopt : std::optional<double>(qty.toDouble()),
                           m->value(row, QStringLiteral("check_flag")).toBool());
    });
    if (ok) DBGrid1->refreshSums();
    return ok;
}

void FF20_form::adjust() {
    if (!Msg::confirm(this, QStringLiteral("确定进行盘点调帐？"))) return;
    if (!DBGrid1->hasRows()) {
        Msg::notice(this, QStringLiteral("不存在调帐记录"));
        return;
    }
    DBGrid1->commitEdit();
    if (!saveEdited()) return;
    guarded(this, [&] {
        Forms::WaitCursor wait;
        const int posted = Stocktake::adjust(procure_date_a->dateText());
        if (posted == Stocktake::NotSealed) {
            Msg::notice(this, QStringLiteral("仓库未封帐，不能调帐！"));
            return;
        }
        if (posted == 0) {
            Msg::notice(this, QStringLiteral("不存在调帐记录"));
            return;
        }
        reopenGrid(-1);
        Msg::dravont(this, QStringLiteral("完成调帐！"));
    });
}

void FF20_form::approveAll() { onEveryRow(&Stocktake::approveAll); }
void FF20_form::fillWithBook() { onEveryRow(&Stocktake::fillWithBook); }

void FF20_form::onEveryRow(int (*work)()) {
    DBGrid1->commitEdit();
    if (!saveEdited()) return;
    guarded(this, [&] {
        Forms::WaitCursor wait;
        work();
        reopenGrid(DBGrid1->currentRow());
    });
}

void FF20_form::closeAsked() {
    DBGrid1->commitEdit();
    if (m_edited >= 0 && DBGrid1->hasRows() &&
        !Msg::confirm(this, QStringLiteral("存在未调帐记录。确定关闭吗？")))
        return;
    accept();
}

void FF20_form::done(int r) {
    m_edited = -1;
    guarded(this, [] { Stocktake::discard(); });
    QDialog::done(r);
}
