#include "masterdata/BB30_Unit.h"

#include "ui/messages.h"
#include "ui/screens.h"
#include "fields/datagrid.h"
#include "fields/form_helpers.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using MasterRepo::trimmed;

namespace {
QString g_currentGrid = QStringLiteral("Grid1");

struct CodeTable {
    QString grid, table, code, name, desc, word; // word: 大类, 小类, 属性, 尺寸, 等级
};

const CodeTable& table(const QString& grid) {
    static const QList<CodeTable> all = {
        {"Grid1", "kesp_item_arrage_b", "arrage_code_b", "arrage_name_b", "arrage_desc_b", "大类"},
        {"Grid2", "kesp_item_arrage_s", "arrage_code_s", "arrage_name_s", "arrage_desc_s", "小类"},
        {"Grid3", "kesp_item_attr", "attr_code", "attr_name", "attr_desc", "属性"},
        {"Grid4", "kesp_item_size", "size_code", "size_name", "size_desc", "尺寸"},
        {"Grid5", "kesp_item_stage", "stage_code", "stage_name", "stage_desc", "等级"}};
    for (const CodeTable& t : all)
        if (t.grid == grid) return t;
    return all.first();
}

QString listSql(const CodeTable& t) {
    return QStringLiteral("SELECT %1 AS %4代码, %2 AS %4名称, %3 AS 说明 FROM %5")
        .arg(t.code, t.name, t.desc, t.word, t.table);
}
} // namespace

TBB30_form::TBB30_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TBB30_form"));
    setWindowTitle(QStringLiteral("项目分类定义"));
    resize(860, 520);
    auto* title = Forms::heading(this, QStringLiteral("项   目   分   类   定   义"));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    auto* add = new QAction(QStringLiteral("新增"), this);
    auto* del = new QAction(QStringLiteral("删除"), this);
    const auto makeGrid = [&](const QString& name, QWidget* parentWidget) {
        auto* g = new DataGrid(parentWidget);
        g->setObjectName(name);
        const CodeTable& t = table(name);
        const int w1 = name == "Grid1" || name == "Grid2" ? 100 : 0;
        g->setColumns({{t.word + "代码", t.word + "代码", w1}, {t.word + "名称", t.word + "名称", w1 ? 200 : 0},
                       {"说明", "说明", w1 ? 300 : 0}});
        g->addContextAction(add);
        g->addContextAction(Forms::separator(this));
        g->addContextAction(del);
        connect(g, &DataGrid::entered, this, [name] { setCurrentGrid(name); });
        return g;
    };
    auto* page1 = new QWidget;
    auto* bigGroup = new QGroupBox(QStringLiteral("大类定义"), page1);
    smallGroup = new QGroupBox(QStringLiteral("小类定义"), page1);
    Grid1 = makeGrid(QStringLiteral("Grid1"), bigGroup);
    Grid2 = makeGrid(QStringLiteral("Grid2"), smallGroup);
    (new QVBoxLayout(bigGroup))->addWidget(Grid1);
    (new QVBoxLayout(smallGroup))->addWidget(Grid2);
    auto* h = new QHBoxLayout(page1);
    h->addWidget(bigGroup);
    h->addWidget(smallGroup);
    PageControl1->addTab(page1, QStringLiteral("项目大小类别定义"));
    const auto page = [&](const QString& caption, const QString& group, const QString& gridName) {
        auto* p = new QWidget;
        auto* box = new QGroupBox(group, p);
        DataGrid* g = makeGrid(gridName, box);
        (new QVBoxLayout(box))->addWidget(g);
        (new QVBoxLayout(p))->addWidget(box);
        PageControl1->addTab(p, caption);
        return g;
    };
    Grid3 = page(QStringLiteral("项目属性定义"), QStringLiteral("属性定义"), QStringLiteral("Grid3"));
    Grid4 = page(QStringLiteral("项目尺寸定义"), QStringLiteral("尺寸定义"), QStringLiteral("Grid4"));
    Grid5 = page(QStringLiteral("项目等级定义"), QStringLiteral("等级定义"), QStringLiteral("Grid5"));
    PageControl1->setCurrentIndex(0);

    auto* v = new QVBoxLayout(this);
    v->addWidget(title);
    v->addWidget(PageControl1, 1);
    v->addLayout(Forms::closeRow(this));

    connect(Grid1, &DataGrid::cellClicked, this, [this](int row) { guarded(this, [&] { bigClicked(row); }); });
    connect(add, &QAction::triggered, this, [] {
        auto* d = longLived<BB301_form>();
        d->prepareFor(currentGrid());
        Msg::runModal(d);
    });
    connect(del, &QAction::triggered, this, [] {
        auto* d = longLived<BB302_form>();
        d->prepareFor(currentGrid());
        Msg::runModal(d);
    });

    reload(QStringLiteral("Grid1"));
    Grid2->clear(); // empty until a big category is clicked
    for (const char* g : {"Grid3", "Grid4", "Grid5"}) reload(QString::fromLatin1(g));
}

TBB30_form* TBB30_form::current() { return qobject_cast<TBB30_form*>(Screens::current(QStringLiteral("BB30"))); }
QString TBB30_form::currentGrid() { return g_currentGrid; }
void TBB30_form::setCurrentGrid(const QString& name) { g_currentGrid = name; }

DataGrid* TBB30_form::grid(const QString& name) const {
    return findChild<DataGrid*>(name);
}

QString TBB30_form::bigCurrentCode() const { return Grid1->currentValue(QStringLiteral("大类代码")).toString(); }

void TBB30_form::bigClicked(int row) {
    Forms::WaitCursor wait;
    Grid1->setCurrentRow(row);
    smallGroup->setTitle(QStringLiteral("大类**%1**中的小类定义")
                             .arg(trimmed(Grid1->value(row, QStringLiteral("大类名称")).toString())));
    m_clickedBig = Grid1->value(row, QStringLiteral("大类代码")).toString();
    m_smallLoaded = true;
    Grid2->open(listSql(table(QStringLiteral("Grid2"))) + QStringLiteral(" WHERE arrage_code_b=?"), {m_clickedBig});
}

void TBB30_form::reload(const QString& gridName) {
    const CodeTable& t = table(gridName);
    if (gridName == QLatin1String("Grid2")) {
        if (m_smallLoaded) {
            Grid2->open(listSql(t) + QStringLiteral(" WHERE arrage_code_b=?"), {m_clickedBig});
        } else if (Grid1->currentRow() >= 0) {
            bigClicked(Grid1->currentRow()); // nothing clicked yet: show the current big category's list
        }
        return;
    }
    grid(gridName)->open(listSql(t) + QStringLiteral(" ORDER BY %1").arg(t.code));
}

BB301_form::BB301_form(QWidget* parent)
    : MasterAddDialog(parent, QStringLiteral("BB301_form"), QStringLiteral("大类定义"),
                      {{QStringLiteral("大类代码"), QStringLiteral("code_a"), 10},
                       {QStringLiteral("大类名称"), QStringLiteral("name_a"), 50},
                       {QStringLiteral("说明"), QStringLiteral("desc_a"), 50}},
                      QSize(360, 190)) {}

void BB301_form::prepareFor(const QString& gridName) {
    m_grid = gridName;
    const CodeTable& t = table(gridName);
    setWindowTitle(t.word + QStringLiteral("定义"));
    labels[0]->setText(t.word + QStringLiteral("代码"));
    labels[1]->setText(t.word + QStringLiteral("名称"));
    labels[2]->setText(QStringLiteral("说明"));
    prepare();
}

void BB301_form::save() {
    const QString code = typed(0), name = typed(1), desc = typed(2);
    if (code.isEmpty() || name.isEmpty()) return;
    const CodeTable& t = table(m_grid);
    TBB30_form* list = TBB30_form::current();
    const bool small = m_grid == QLatin1String("Grid2");
    const QString big = small && list ? list->bigCurrentCode() : QString();
    guarded(this, [&] {
        if (small && big.isEmpty()) {
            Msg::notice(this, QStringLiteral("请先选择大类！"));
            return;
        }
        MasterRepo::Values both{{t.code, code}, {t.name, name}};
        if (small) both.append({"arrage_code_b", big});
        // A row with the same code and name is a duplicate; so is the same code under another name,
        // which the unique key of the table would refuse anyway.
        MasterRepo::Values sameCode{{t.code, trimmed(code)}};
        if (small) sameCode.append({"arrage_code_b", trimmed(big)});
        if (MasterRepo::existsAll(t.table, both) || MasterRepo::existsAll(t.table, sameCode)) {
            Msg::notice(this, QStringLiteral("已经存在相同记录！"));
            return;
        }
        MasterRepo::Values values{{t.code, trimmed(code)}, {t.name, trimmed(name)}, {t.desc, MasterRepo::optional(desc)}};
        if (small) values.append({"arrage_code_b", trimmed(big)});
        MasterRepo::insert(t.table, values);
        if (list) list->reload(m_grid);
        accept();
    });
}

BB302_form::BB302_form(QWidget* parent)
    : MasterDeleteDialog(parent, QStringLiteral("BB302_form"), QStringLiteral("大类删除确认"),
                         QStringLiteral("被删除大类代码："), QStringLiteral("被删除大类名称："), QSize(325, 208)) {}

void BB302_form::prepareFor(const QString& gridName) {
    m_grid = gridName;
    const CodeTable& t = table(gridName);
    setWindowTitle(t.word + QStringLiteral("删除确认"));
    caption1->setText(QStringLiteral("被删除%1代码：").arg(t.word));
    caption2->setText(QStringLiteral("被删除%1名称：").arg(t.word));
    TBB30_form* list = TBB30_form::current();
    DataGrid* g = list ? list->grid(gridName) : nullptr;
    Label4->setText(g ? g->currentValue(t.word + QStringLiteral("代码")).toString() : QString());
    Label5->setText(g ? g->currentValue(t.word + QStringLiteral("名称")).toString() : QString());
}

void BB302_form::remove() {
    const CodeTable& t = table(m_grid);
    TBB30_form* list = TBB30_form::current();
    guarded(this, [&] {
        const QString code = Label4->text();
        if (m_grid == QLatin1String("Grid1") &&
            MasterRepo::existsAll(QStringLiteral("kesp_item_arrage_s"), {{"arrage_code_b", code}})) {
            Msg::notice(this, QStringLiteral("因为此大类中包含多项小类，所以必须先删除它的小类。"));
            return;
        }
        MasterRepo::Values where{{t.code, code}};
        if (m_grid == QLatin1String("Grid2")) where.append({"arrage_code_b", list ? list->bigCurrentCode() : QString()});
        MasterRepo::remove(t.table, where);
        if (list) list->reload(m_grid);
        accept();
    });
}
