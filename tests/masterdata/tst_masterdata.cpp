// Master data windows, driven the way a clerk works: typing into the add windows, clicking grid
// rows, Enter on the default button; what is refused and why; the windows' names and focus.
#include "ui/screens.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "masterdata/BB10_Unit.h"
#include "masterdata/BB20_Unit.h"
#include "masterdata/BB30_Unit.h"
#include "masterdata/BB40_Unit.h"
#include "masterdata/BB50_Unit.h"
#include "masterdata/BB60_Unit.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QInputMethodEvent>
#include <QTest>

namespace {
void ok(QWidget* d) { d->findChild<QPushButton*>("BitBtn1")->click(); }
void cancel(QWidget* d) { d->findChild<QPushButton*>("BitBtn2")->click(); }

// Opens a screen through the menu path and runs `drive` on it while it is open.
template <class F> void withScreen(ScriptedSeam& seam, const QString& code, F drive) {
    auto previous = seam.onModal;
    bool done = false;
    seam.onModal = [&](QDialog* d) -> int {
        if (done) return previous ? previous(d) : int(QDialog::Rejected);
        done = true;
        drive(d);
        return QDialog::Accepted;
    };
    Screens::open(code, nullptr);
    seam.onModal = previous;
}

// Typing: Latin keys as key clicks, Chinese as the input method commits it.
void typeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClicks(w, QString(c));
        } else {
            QInputMethodEvent e;
            e.setCommitString(QString(c));
            QApplication::sendEvent(w, &e);
        }
    }
}

// Types into the dialog's fields in order (each field clicked, emptied, typed) and presses Enter.
void typeAndEnter(QDialog* d, const QStringList& values) {
    const auto edits = d->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < values.size(); ++i) {
        QTest::mouseClick(edits[i], Qt::LeftButton);
        edits[i]->selectAll();
        QTest::keyClick(edits[i], Qt::Key_Backspace);
        typeText(edits[i], values[i]);
    }
    QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
}

// The old way of the earlier tests: texts set and "确定" clicked.
void fillAndSave(QDialog* d, const QStringList& values) {
    const auto edits = d->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < values.size(); ++i) edits[i]->setText(values[i]);
    ok(d);
}

void clickRow(DataGrid* g, int row, Qt::MouseButton button = Qt::LeftButton) {
    QApplication::processEvents();
    QTableView* v = g->view();
    const QRect r = v->visualRect(g->model()->index(row, 0));
    QTest::mouseClick(v->viewport(), button, {}, r.center());
}

int rowOf(DataGrid* g, const QString& field, const QString& value) {
    for (int r = 0; r < g->rowCount(); ++r)
        if (g->value(r, field).toString() == value) return r;
    return -1;
}

QDialog* findDialog(QWidget* list, const QString& name) {
    if (auto* d = list->findChild<QDialog*>(name)) return d;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name) return qobject_cast<QDialog*>(w);
    return nullptr;
}
} // namespace

class TstMasterData : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Screens::registerAll(); }
    void init() { Session::setUserCode("abc"); }
    void windowNamesFocusAndFrames_data();
    void windowNamesFocusAndFrames();
    void warehousesTypedDuplicatesAndInUse();
    void warehouseGuardSwitchedFromTheList();
    void unitsInUseByItems();
    void operationTypesDirectionAndReserved();
    void classificationActsOnTheShownBigCategory();
    void classificationCodeRules();
    void itemMasterModes();
    void itemSaveTellsTheTruth();
    void itemBrowseFilters();
    void vendorsAndCustomers();
    void columnChoicePerUser();
};

void TstMasterData::windowNamesFocusAndFrames_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<QStringList>("actions"); // context entries, or a button by its name
    QTest::addColumn<QStringList>("dialogs");
    QTest::newRow("warehouses") << "BB20" << "BB20_form" << true << QStringList{"N1", "N2"}
                                << QStringList{"BB201_form", "BB202_form"};
    QTest::newRow("classification") << "BB30" << "BB30_form" << true << QStringList{"N1", "N2"}
                                    << QStringList{"BB301_form", "BB302_form"};
    QTest::newRow("units") << "BB40" << "BB40_form" << true << QStringList{"N1", "N2"}
                           << QStringList{"BB401_form", "BB402_form"};
    QTest::newRow("operations") << "BB50" << "BB50_form" << true << QStringList{"N1", "N2"}
                                << QStringList{"BB501_form", "BB502_form"};
    QTest::newRow("items") << "BB10" << "BB10_form" << false << QStringList{"BitBtn3"} << QStringList{"BB101_form"};
    QTest::newRow("vendors") << "BB60" << "BB60_form" << false << QStringList{"N1", "N2", "N3"}
                             << QStringList{"BB601_form", "BB602_form", "BB603_form"};
    QTest::newRow("customers") << "BB70" << "BB70_form" << false << QStringList{"N1", "N2", "N3"}
                               << QStringList{"BB701_form", "BB702_form", "BB703_form"};
}

void TstMasterData::windowNamesFocusAndFrames() {
    QFETCH(QString, code);
    QFETCH(QString, list);
    QFETCH(bool, fixed);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, dialogs);
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, code, [&](QDialog* d) {
        QCOMPARE(d->objectName(), list);
        if (fixed) QCOMPARE(d->minimumSize(), d->maximumSize());
        if (code == "BB10") QCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("item_code_a"));
        for (int i = 0; i < actions.size(); ++i) {
            QString shown;
            bool found = false;
            QWidget* focus = nullptr;
            QWidget* first = nullptr;
            seam.onModal = [&](QDialog* dlg) -> int {
                shown = dlg->objectName();
                found = findDialog(d, dialogs[i]) == dlg;
                focus = dlg->focusWidget();
                const auto edits = dlg->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
                first = edits.isEmpty() ? static_cast<QWidget*>(dlg->findChild<QPushButton*>("BitBtn1")) : edits.first();
                if (!edits.isEmpty()) edits.last()->setFocus(); // the next opening starts at the top again
                return QDialog::Rejected;
            };
            for (int twice = 0; twice < 2; ++twice) {
                if (auto* a = d->findChild<QAction*>(actions[i])) a->trigger();
                else d->findChild<QPushButton*>(actions[i])->click();
                QCOMPARE(shown, dialogs[i]);
                QVERIFY(found);
                if (!dialogs[i].endsWith("03_form")) QCOMPARE(focus, first);
            }
        }
        // Every list window closes by its own "关闭" button.
        if (code != "BB10") {
            auto* close = d->findChild<QPushButton*>("BitBtn1");
            QVERIFY(close && close->text().contains("关闭"));
            close->click();
            QVERIFY(!d->isVisible());
        }
    });
}

void TstMasterData::warehousesTypedDuplicatesAndInUse() {
    TestDb db;
    ScriptedSeam seam;
    withScreen(seam, "BB20", [&](QDialog* d) {
        auto* list = qobject_cast<TBB20_form*>(d);
        QCOMPARE(list->DBGrid1->captions(), (QStringList{"仓库名称", "仓库代码", "仓库说明", "禁止负库存"}));
        seam.onModal = [&](QDialog* add) -> int {
            typeAndEnter(add, {" W1 ", " 一号'仓 ", ""});
            return add->result();
        };
        list->addAction->trigger();
        QCOMPARE(list->DBGrid1->rowCount(), 1); // reloaded at once
        seam.onModal = [&](QDialog* add) -> int {
            typeAndEnter(add, {"W2", "一号'仓", "x"}); // the name exists
            typeAndEnter(add, {" W1", "新", "x"});     // the code exists once trimmed
            typeAndEnter(add, {"", "名", ""});         // empty code: nothing happens, no message
            return add->result();
        };
        list->addAction->trigger();
        QCOMPARE(list->DBGrid1->rowCount(), 1);
        // Stock in the warehouse: the delete window says so and stays open; confirmed once the
        // stock rows are gone.
        Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
                 "VALUES ('W1','I001','A1','Z1','G1',0)");
        int result = -1;
        QString shownCode;
        bool stayed = false;
        seam.onModal = [&](QDialog* del) -> int {
            shownCode = del->findChild<QLabel*>("Label4")->text();
            QTest::keyClick(del->focusWidget(), Qt::Key_Return);
            result = del->result();
            stayed = del->isVisible();
            Sql::run("DELETE FROM kesp_inv_detail_tree");
            QTest::keyClick(del->focusWidget(), Qt::Key_Return);
            return del->result();
        };
        clickRow(list->DBGrid1, 0);
        list->deleteAction->trigger();
        QCOMPARE(shownCode, QString("W1"));
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(stayed);
        QCOMPARE(list->DBGrid1->rowCount(), 0);
    });
    QCOMPARE(seam.shown, (QStringList{"已经存在相同 仓库代码 或 仓库名称", "已经存在相同 仓库代码 或 仓库名称",
                                      "该仓库已被库存记录使用，不能删除！"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 0);
}

void TstMasterData::unitsInUseByItems() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB40", [&](QDialog* d) {
        auto* list = qobject_cast<TBB40_form*>(d);
        seam.onModal = [&](QDialog* add) -> int {
            typeAndEnter(add, {"U9", "件"}); // name in use
            typeAndEnter(add, {"A0", "打"});
            return add->result();
        };
        list->addAction->trigger();
        QCOMPARE(list->DBGrid1->value(0, "计量单位代码").toString(), QString("A0")); // ordered by code
        seam.onModal = [&](QDialog* del) -> int {
            ok(del);
            return del->result();
        };
        clickRow(list->DBGrid1, 1); // U1, which the items use
        list->deleteAction->trigger();
        clickRow(list->DBGrid1, 0);
        list->deleteAction->trigger();
    });
    QCOMPARE(seam.shown, (QStringList{"已经存在相同 单位代码 或 单位名称", "该计量单位已被项目资料使用，不能删除！"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_unit"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE unit_code='U1' AND unit_name='件'"), 3);
}

void TstMasterData::operationTypesDirectionAndReserved() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB50", [&](QDialog* d) {
        auto* list = qobject_cast<TBB50_form*>(d);
        QCOMPARE(list->DBGrid1->rowCount(), 1); // in1 only; i_r and i_t never listed
        list->outType->click();
        QCOMPARE(list->DBGrid1->rowCount(), 1);
        seam.onModal = [&](QDialog* dlg) -> int {
            fillAndSave(dlg, {"i_t", "新的"});        // reserved code: a duplicate
            fillAndSave(dlg, {"o9", "采购入库"});     // the name of a stock-in type
            fillAndSave(dlg, {" o2 ", "退货出库"});
            return dlg->result();
        };
        list->addAction->trigger();
        QCOMPARE(list->DBGrid1->rowCount(), 2);
        QString shownCode;
        seam.onModal = [&](QDialog* dlg) -> int {
            shownCode = dlg->findChild<QLabel*>("Label4")->text();
            ok(dlg);
            return dlg->result();
        };
        list->DBGrid1->setCurrentRow(0);
        list->deleteAction->trigger();
        QCOMPARE(shownCode, QString("o2"));
    });
    QCOMPARE(seam.shown, (QStringList{"已经存在相同 操作代码 或 操作名称", "已经存在相同 操作代码 或 操作名称"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_operation_ini WHERE operation_code='o2'"), 0);
    // Reopening starts with the stock-in list.
    withScreen(seam, "BB50", [&](QDialog* d) {
        auto* list = qobject_cast<TBB50_form*>(d);
        QVERIFY(list->inType->isChecked());
        QCOMPARE(TBB50_form::direction(), QString("i"));
    });
}

void TstMasterData::classificationActsOnTheShownBigCategory() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_item_arrage_s VALUES ('S1','短裤',NULL,'B2')"); // S1 under both big categories
    Sql::run("DELETE FROM kesp_item_master WHERE item_code='I001'");              // B1's S1 no longer used
    ScriptedSeam seam;
    withScreen(seam, "BB30", [&](QDialog* d) {
        auto* f = qobject_cast<TBB30_form*>(d);
        auto* add = f->findChild<QAction*>("N1");
        auto* del = f->findChild<QAction*>("N2");
        QCOMPARE(f->Grid2->rowCount(), 0); // empty until a big category is clicked
        clickRow(f->Grid1, rowOf(f->Grid1, "大类代码", "B1"));
        QCOMPARE(f->smallGroup->title(), QString("大类**上衣**中的小类定义"));
        QCOMPARE(f->Grid2->rowCount(), 2);
        clickRow(f->Grid1, rowOf(f->Grid1, "大类代码", "B2"), Qt::RightButton);
        QCOMPARE(f->Grid1->currentValue("大类代码").toString(), QString("B2")); // moved, not reloaded
        QCOMPARE(f->Grid2->rowCount(), 2);
        // "删除" on S1 as shown under B1 deletes B1's S1.
        clickRow(f->Grid2, rowOf(f->Grid2, "小类代码", "S1"), Qt::RightButton);
        QCOMPARE(TBB30_form::currentGrid(), QString("Grid2"));
        QString title, shownName;
        seam.onModal = [&](QDialog* dlg) -> int {
            title = dlg->windowTitle();
            shownName = dlg->findChild<QLabel*>("Label5")->text();
            QTest::keyClick(dlg->focusWidget(), Qt::Key_Return);
            return dlg->result();
        };
        del->trigger();
        QCOMPARE(title, QString("小类删除确认"));
        QCOMPARE(shownName, QString("衬衫"));
        QCOMPARE(f->Grid2->rowCount(), 1);
        // "新增" stores the new small category under B1, where the list shows it.
        seam.onModal = [&](QDialog* dlg) -> int {
            title = dlg->windowTitle();
            typeAndEnter(dlg, {"S8", "背心", ""});
            return dlg->result();
        };
        add->trigger();
        QCOMPARE(title, QString("小类定义"));
        QCOMPARE(f->Grid2->rowCount(), 2);
        QVERIFY(rowOf(f->Grid2, "小类代码", "S8") >= 0);
    });
    QVERIFY(seam.shown.isEmpty());
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_arrage_s WHERE arrage_code_s='S1'"), 1);
    QCOMPARE(TestDb::value("SELECT arrage_code_b FROM kesp_item_arrage_s WHERE arrage_code_s='S1'").toString(),
             QString("B2"));
    QCOMPARE(TestDb::value("SELECT arrage_code_b FROM kesp_item_arrage_s WHERE arrage_code_s='S8'").toString(),
             QString("B1"));
}

void TstMasterData::classificationCodeRules() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("DELETE FROM kesp_item_master WHERE item_code='I001'"); // S1 no longer used
    ScriptedSeam seam;
    withScreen(seam, "BB30", [&](QDialog* d) {
        auto* f = qobject_cast<TBB30_form*>(d);
        auto* add = f->findChild<QAction*>("N1");
        auto* del = f->findChild<QAction*>("N2");
        const auto addTyped = [&](const QStringList& values) {
            seam.onModal = [&](QDialog* dlg) -> int {
                typeAndEnter(dlg, values);
                return dlg->result();
            };
            add->trigger();
        };
        const auto confirmDelete = [&] {
            seam.onModal = [&](QDialog* dlg) -> int {
                ok(dlg);
                return dlg->result();
            };
            del->trigger();
        };
        // Before any click: a small category goes under the big grid's current row; no failure.
        clickRow(f->Grid2, 0); // the empty grid is entered
        QCOMPARE(TBB30_form::currentGrid(), QString("Grid2"));
        addTyped({"S9", "新小类", ""});
        QCOMPARE(f->Grid2->rowCount(), 3);
        // Same code and name, or same code under another name: the duplicate message.
        clickRow(f->Grid1, 0);
        addTyped({"B1", "上衣", ""});
        addTyped({" B1", "别的名字", ""});
        addTyped({"B'3", "童装", ""});
        QCOMPARE(f->Grid1->rowCount(), 3);
        // A big category with small categories is not deleted, nor one items use.
        clickRow(f->Grid1, rowOf(f->Grid1, "大类代码", "B1"));
        confirmDelete();
        QCOMPARE(seam.last(), QString("因为此大类中包含多项小类，所以必须先删除它的小类。"));
        clickRow(f->Grid2, rowOf(f->Grid2, "小类代码", "S3"));
        confirmDelete();
        QCOMPARE(seam.last(), QString("该小类已被项目资料使用，不能删除！"));
        clickRow(f->Grid2, rowOf(f->Grid2, "小类代码", "S1"));
        confirmDelete();
        QCOMPARE(f->Grid2->rowCount(), 2);
        clickRow(f->Grid1, rowOf(f->Grid1, "大类代码", "B'3")); // has none
        confirmDelete();
        QCOMPARE(f->Grid1->rowCount(), 2);
        // Attributes: description NULL when empty; one in stock stays.
        f->PageControl1->setCurrentIndex(1);
        clickRow(f->Grid3, 0);
        addTyped({"A9", "黑色", ""});
        QCOMPARE(f->Grid3->rowCount(), 3);
        Sql::run("INSERT INTO kesp_post_history(item_code,attr_code,qty) VALUES ('I002','A1',1)");
        clickRow(f->Grid3, rowOf(f->Grid3, "属性代码", "A1"));
        confirmDelete();
        QCOMPARE(f->Grid3->rowCount(), 3);
    });
    QCOMPARE(seam.shown.count("已经存在相同记录！"), 2);
    QCOMPARE(seam.last(), QString("该属性已被过帐记录使用，不能删除！"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_arrage_s WHERE arrage_code_s='S9' AND arrage_desc_s IS NULL "
                           "AND arrage_code_b='B1'"),
             1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_attr WHERE attr_code='A9' AND attr_desc IS NULL"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_arrage_b WHERE arrage_name_b='别的名字'"), 0);
}

void TstMasterData::itemMasterModes() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB10", [&](QDialog* d) {
        auto* f = qobject_cast<TBB10_form*>(d);
        QVERIFY(!f->modifyMode());
        QVERIFY(!f->modifyAction->isEnabled()); // empty grid
        // Required fields in order.
        f->okButton->click();
        QTest::keyClicks(f->item_code_a, " N1 ");
        f->okButton->click();
        typeText(f->item_name_a, "新衣");
        f->Unit_code_a->setList("SELECT * FROM kesp_item_unit");
        f->Unit_code_a->setText("U1");
        f->okButton->click();
        f->arrage_code_b_a->setList("SELECT * FROM kesp_item_arrage_b");
        f->arrage_code_b_a->setText("B1");
        f->okButton->click();
        f->arrage_code_s_a->setList("SELECT * FROM kesp_item_arrage_s WHERE arrage_code_b='B1'");
        f->arrage_code_s_a->setText("S1");
        QCOMPARE(f->arrage_name_s_a->text(), QString("衬衫"));
        emit f->arrage_code_b_a->activated(0); // the same big category chosen again empties the small one
        QVERIFY(f->arrage_code_s_a->text().isEmpty());
        f->arrage_code_s_a->setText("S1");
        QTest::keyClick(f->item_spec_a, Qt::Key_Return);
        QVERIFY(f->item_code_a->text().isEmpty()); // emptied after the insert
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='N1' AND item_name='新衣' "
                               "AND item_model IS NULL AND item_spec IS NULL AND unit_name='件' AND arrage_name_s='衬衫'"),
                 1);
        QCOMPARE(f->DBGrid1->rowCount(), 4);                                   // "查询" ran
        QCOMPARE(f->DBGrid1->value(0, "item_code").toString(), QString("N1")); // descending
        // Duplicate code, typed with blanks around it.
        QTest::keyClicks(f->item_code_a, "I001 ");
        QTest::keyClicks(f->item_name_a, "x");
        f->Unit_code_a->setText("U1");
        f->arrage_code_b_a->setText("B1");
        f->arrage_code_s_a->setText("S1");
        f->okButton->click();
        // Modify: the row copied, code disabled; an empty name is not refused.
        f->PC1->setCurrentWidget(f->TS2);
        clickRow(f->DBGrid1, 0);
        QVERIFY(f->modifyAction->isEnabled());
        f->modifyAction->trigger();
        QVERIFY(f->modifyMode());
        QCOMPARE(f->item_code_a->text(), QString("N1"));
        QCOMPARE(f->arrage_code_s_a->text(), QString("S1"));
        f->item_name_a->selectAll();
        typeText(f->item_name_a, " 改名 ");
        QTest::keyClicks(f->item_model_a, "M'1");
        f->okButton->click();
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='N1' AND item_name=' 改名 ' "
                               "AND item_model='M''1'"),
                 1); // the name as typed, the rest trimmed
        QVERIFY(f->modifyMode()); // stays in modify mode
        f->cancelButton->click();
        QVERIFY(!f->modifyMode());
        // An item in stock is not deleted; once its stock rows are gone it is.
        Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
                 "VALUES ('W01','N1','A1','Z1','G1',2)");
        f->PC1->setCurrentWidget(f->TS2);
        clickRow(f->DBGrid1, 0);
        QString shownCode;
        seam.onModal = [&](QDialog* del) -> int {
            shownCode = del->findChild<QLabel*>("Label4")->text();
            ok(del);
            return del->result();
        };
        f->deleteAction->trigger();
        QCOMPARE(shownCode, QString("N1"));
        QCOMPARE(f->DBGrid1->rowCount(), 4);
        Sql::run("DELETE FROM kesp_inv_detail_tree");
        f->deleteAction->trigger();
        QCOMPARE(f->DBGrid1->rowCount(), 3);
    });
    QCOMPARE(seam.shown, (QStringList{"项目代码不能为空", "项目名称不能为空", "大类代码不能为空", "小类代码不能为空",
                                      "记录新增成功！", "已经存在相同记录！", "记录更新成功！",
                                      "该项目已被库存记录使用，不能删除！"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='N1'"), 0);
}

void TstMasterData::itemSaveTellsTheTruth() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB10", [&](QDialog* d) {
        auto* f = qobject_cast<TBB10_form*>(d);
        f->PC1->setCurrentWidget(f->TS2);
        f->queryButton->click();
        clickRow(f->DBGrid1, 0);
        f->modifyAction->trigger();
        QVERIFY(f->modifyMode());
        // "新增" after "修改": a new item is added, not an update of nothing.
        f->PC1->setCurrentWidget(f->TS2);
        f->addAction->trigger();
        QVERIFY(!f->modifyMode());
        QCOMPARE(f->focusWidget(), f->item_code_a);
        QTest::keyClicks(f->item_code_a, "N7");
        typeText(f->item_name_a, "七号");
        f->Unit_code_a->setText("U1");
        f->arrage_code_b_a->setText("B1");
        f->arrage_code_s_a->setText("S1");
        f->arrage_code_s_a->setFocus();
        QTest::mouseClick(f->okButton, Qt::LeftButton);
        QCOMPARE(seam.last(), QString("记录新增成功！"));
        QCOMPARE(f->focusWidget(), f->item_code_a); // the next item's code goes where it belongs
        // Another copy deletes the item while it is being modified: nothing is updated, and said so.
        f->PC1->setCurrentWidget(f->TS2);
        clickRow(f->DBGrid1, rowOf(f->DBGrid1, "item_code", "I002"));
        f->modifyAction->trigger();
        Sql::run("DELETE FROM kesp_item_master WHERE item_code='I002'");
        typeText(f->item_spec_a, "新规格");
        f->okButton->click();
        QCOMPARE(seam.last(), QString("该项目已不存在，记录没有更新！"));
        QCOMPARE(f->item_code_a->text(), QString("I002")); // kept, nothing lost
    });
    QVERIFY(!seam.shown.contains("记录更新成功！"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='I002'"), 0);
}

void TstMasterData::vendorsAndCustomers() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB60", [&](QDialog* d) {
        auto* list = qobject_cast<PartnerListForm*>(d);
        QCOMPARE(list->DBGrid1->captions().size(), 19);
        seam.onModal = [&](QDialog* add) -> int {
            typeAndEnter(add, {" V1 ", "新的供应商"}); // the code exists once trimmed
            typeAndEnter(add, {" V2 ", "华纺供应"});   // the name exists
            typeAndEnter(add, {" V2 ", "O'Brien"});
            return add->result();
        };
        list->addAction->trigger();
        QCOMPARE(list->DBGrid1->rowCount(), 2);
        list->DBGrid1->setCurrentRow(1);
        bool codeLocked = false;
        seam.onModal = [&](QDialog* dlg) -> int {
            auto* e = qobject_cast<PartnerEditDialog*>(dlg);
            codeLocked = e->fields[0]->isReadOnly();
            typeText(e->fields[2], " 上海 ");
            QTest::keyClicks(e->fields[6], "021-1234"); // 传真
            e->save();
            return dlg->result();
        };
        list->modifyAction->trigger();
        QVERIFY(codeLocked);
        // A vendor with posted lines stays.
        Sql::run("INSERT INTO kesp_post_history(vendor,vendor_name,qty) VALUES ('V1','华纺供应',1)");
        list->DBGrid1->setCurrentRow(0);
        seam.onModal = [&](QDialog* del) -> int {
            ok(del);
            return del->result();
        };
        list->deleteAction->trigger();
        QCOMPARE(list->DBGrid1->rowCount(), 2);
    });
    QCOMPARE(seam.shown, (QStringList{"已经存在相同 供应商代码 或 供应商名称", "已经存在相同 供应商代码 或 供应商名称",
                                      "该供应商已被过帐记录使用，不能删除！"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_vendor_ini WHERE vendor='V2' AND vendor_name='O''Brien' AND "
                           "address='上海' AND fax='021-1234' AND phone1 IS NULL"),
             1);
    withScreen(seam, "BB70", [&](QDialog* d) {
        auto* list = qobject_cast<PartnerListForm*>(d);
        QCOMPARE(list->windowTitle(), QString("客户列表窗口"));
        seam.onModal = [&](QDialog* add) -> int {
            typeAndEnter(add, {" C1", "新客户"});
            typeAndEnter(add, {" C2 ", " 客 "});
            return add->result();
        };
        list->addAction->trigger();
        list->DBGrid1->setCurrentRow(rowOf(list->DBGrid1, "customer", "C2"));
        QString shownCode;
        seam.onModal = [&](QDialog* del) -> int {
            shownCode = del->findChild<QLabel*>("Label4")->text();
            ok(del);
            return del->result();
        };
        list->deleteAction->trigger();
        QCOMPARE(shownCode, QString("C2")); // stored trimmed, like every other code
    });
    QCOMPARE(seam.last(), QString("已经存在相同 客户代码 或 客户名称"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_customer_ini"), 1);
}

void TstMasterData::itemBrowseFilters() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_item_master(item_code,item_name,unit_code,arrage_code_b,arrage_code_s) "
             "VALUES ('I004','四号',NULL,'B1','S1')");
    ScriptedSeam seam;
    withScreen(seam, "BB10", [&](QDialog* d) {
        auto* f = qobject_cast<TBB10_form*>(d);
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_model IS NULL AND item_spec IS NULL"), 2);
        f->F3->setList("SELECT * FROM kesp_item_master");
        f->F3->setText("I002");
        QCOMPARE(f->F4->text(), QString("I002"));
        QCOMPARE(f->Label15->text(), QString("女式长裤"));
        f->queryButton->click();
        QCOMPARE(f->DBGrid1->rowCount(), 1);
        f->F4->setText(QString());
        f->queryButton->click();
        QCOMPARE(f->DBGrid1->rowCount(), 3); // I002 and every later code
        f->F1->setList("SELECT * FROM kesp_item_arrage_b");
        f->F1->setText("B1"); // empties F2, F3, F4
        QVERIFY(f->F3->text().isEmpty());
        f->queryButton->click();
        QCOMPARE(f->DBGrid1->rowCount(), 3);
        // Esc on the browse page runs "查询"; the close box closes without the edit page's "删除".
        seam.modals.clear();
        QVERIFY(f->close());
        QVERIFY(seam.modals.isEmpty());
    });
}

void TstMasterData::columnChoicePerUser() {
    TestDb db;
    ScriptedSeam seam;
    const auto choose = [&](const QString& screen, const QStringList& uncheck, bool confirm) {
        withScreen(seam, screen, [&](QDialog* d) {
            auto* list = qobject_cast<PartnerListForm*>(d);
            int boxes = 0;
            QString sixth;
            QRect place;
            seam.onModal = [&](QDialog* dlg) -> int {
                auto* c = qobject_cast<PartnerColumnsDialog*>(dlg);
                boxes = c->boxes.size();
                sixth = c->boxes[5]->objectName();
                place = c->boxes[5]->geometry();
                for (QCheckBox* b : c->boxes) b->setChecked(!uncheck.contains(b->text()));
                if (confirm) ok(c);
                else cancel(c);
                return c->result();
            };
            list->columnsAction->trigger();
            QCOMPARE(boxes, 19);
            QCOMPARE(sixth, QString("Checked6"));
            QCOMPARE(place, QRect(24, 52, 100, 24));
            for (const QString& caption : uncheck) QVERIFY(!list->DBGrid1->isColumnVisible(caption));
        });
    };
    const auto visible = [&](const QString& screen, const QString& caption) {
        bool v = false;
        withScreen(seam, screen, [&](QDialog* d) { v = qobject_cast<PartnerListForm*>(d)->DBGrid1->isColumnVisible(caption); });
        return v;
    };
    choose("BB60", {"地址", "传真"}, true);
    QCOMPARE(TestDb::value("SELECT fields_show FROM kesp_window_fields_set WHERE login_id='abc' AND window_code='BB60_form'")
                 .toString(),
             QString("地址,传真,"));
    QVERIFY(!visible("BB60", "地址"));
    QVERIFY(visible("BB60", "电话1"));
    QVERIFY(visible("BB70", "地址"));
    Session::setUserCode("other");
    QVERIFY(visible("BB60", "地址"));
    Session::setUserCode("abc");
    // Cancelling changes the open list only.
    choose("BB60", {"邮编"}, false);
    QVERIFY(visible("BB60", "邮编"));
    QVERIFY(!visible("BB60", "地址"));
    // Whole captions: hiding 联系人电话 keeps 联系人.
    choose("BB60", {"联系人电话"}, true);
    QVERIFY(!visible("BB60", "联系人电话"));
    QVERIFY(visible("BB60", "联系人"));
    // Every box checked: the row keeps no user, window or text.
    choose("BB60", {}, true);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_window_fields_set WHERE login_id IS NULL AND window_code IS NULL "
                           "AND fields_show IS NULL"),
             1);
    QVERIFY(visible("BB60", "联系人电话"));
    choose("BB60", {}, true); // no row for the user: a new all-NULL row
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_window_fields_set"), 2);
}


QTEST_MAIN(TstMasterData)
#include "tst_masterdata.moc"

void TstMasterData::warehouseGuardSwitchedFromTheList() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB20", [&](QDialog* d) {
        auto* list = qobject_cast<TBB20_form*>(d);
        // The row of W01 (the server may return a row changed last at the end).
        const auto w01 = [&] {
            for (int r = 0; r < list->DBGrid1->rowCount(); ++r)
                if (list->DBGrid1->value(r, "仓库代码").toString() == "W01") return r;
            return -1;
        };
        const auto guarded = [] {
            return TestDb::count("SELECT count(*) FROM kesp_warehouse_ini WHERE forbid_negative AND warehouse='W01'");
        };
        clickRow(list->DBGrid1, w01());
        QCOMPARE(list->currentCode(), QString("W01"));
        list->guardAction->trigger(); // asked, "否"
        QCOMPARE(guarded(), 0);
        seam.answers = {true};
        list->guardAction->trigger();
        QCOMPARE(guarded(), 1);
        QCOMPARE(list->DBGrid1->value(w01(), "禁止负库存").toString(), QString("是"));
        clickRow(list->DBGrid1, w01());
        seam.answers = {true};
        list->guardAction->trigger();
        QCOMPARE(guarded(), 0);
        QCOMPARE(list->DBGrid1->value(w01(), "禁止负库存").toString(), QString());
    });
    QCOMPARE(seam.kinds, (QStringList{"ask", "ask", "ask"}));
    QVERIFY(seam.shown[2].startsWith("仓库 W01 允许负库存"));
}
