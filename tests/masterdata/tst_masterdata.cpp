// Master data windows: duplicates, trimming, NULLs, deletions and the per-user column choice.
#include "ui/screens.h"
#include "data/session.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "masterdata/BB10_Unit.h"
#include "masterdata/BB20_Unit.h"
#include "masterdata/BB30_Unit.h"
#include "masterdata/BB40_Unit.h"
#include "masterdata/BB50_Unit.h"
#include "masterdata/BB60_Unit.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include "fields/namebox.h"
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {
void ok(QWidget* d) { d->findChild<QPushButton*>("BitBtn1")->click(); }
void cancel(QWidget* d) { d->findChild<QPushButton*>("BitBtn2")->click(); }

// Opens a screen through the menu path and runs `drive` on it while it is the current one.
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

void fillAndSave(QDialog* d, const QStringList& values) {
    const auto edits = d->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < values.size(); ++i) edits[i]->setText(values[i]);
    ok(d);
}
} // namespace

class TstMasterData : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Screens::registerAll(); }
    void init() { Session::setUserCode("abc"); }
    void warehousesEitherDuplicateTrimAndNull();
    void unitsAndDeletionWithoutReferenceChecks();
    void operationTypesDirectionAndReserved();
    void classificationCodeAndNameRule();
    void itemMasterModes();
    void itemBrowseFilters();
    void vendorsAndCustomers();
    void columnChoicePerUser();
};

void TstMasterData::warehousesEitherDuplicateTrimAndNull() {
    TestDb db;
    ScriptedSeam seam;
    withScreen(seam, "BB20", [&](QDialog* d) {
        auto* list = qobject_cast<TBB20_form*>(d);
        QCOMPARE(list->DBGrid1->captions(), (QStringList{"仓库名称", "仓库代码", "仓库说明"}));
        BB201_form* add = longLived<BB201_form>();
        seam.onModal = [&](QDialog* dlg) -> int {
            if (dlg == add) {
                fillAndSave(add, {" W1 ", " 一号'仓 ", ""});
                return add->result();
            }
            return QDialog::Rejected;
        };
        list->addAction->trigger();
        QCOMPARE(list->DBGrid1->rowCount(), 1); // reloaded at once
        seam.onModal = [&](QDialog* dlg) -> int {
            fillAndSave(add, {"W2", "一号'仓", "x"}); // the name exists
            fillAndSave(add, {" W1 ", "新", "x"});    // the code exists once trimmed
            return dlg->result();
        };
        list->addAction->trigger();
        // Empty code: nothing happens, no message.
        add->prepare();
        fillAndSave(add, {"", "名", ""});
        // Delete of the current row; another with the same code but other name stays.
        BB202_form* del = longLived<BB202_form>();
        list->DBGrid1->setCurrentRow(0);
        del->prepare();
        QCOMPARE(del->Label4->text(), QString("W1"));
        ok(del);
        QCOMPARE(list->DBGrid1->rowCount(), 0);
    });
    QCOMPARE(seam.shown, (QStringList{"已经存在相同 仓库代码 或 仓库名称", "已经存在相同 仓库代码 或 仓库名称"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini"), 0);
}

void TstMasterData::unitsAndDeletionWithoutReferenceChecks() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W01','I001','A1','Z1','G1',5)");
    withScreen(seam, "BB40", [&](QDialog* d) {
        auto* list = qobject_cast<TBB40_form*>(d);
        BB401_form* add = longLived<BB401_form>();
        add->prepare();
        fillAndSave(add, {"U9", "件"}); // name in use
        QCOMPARE(seam.last(), QString("已经存在相同 单位代码 或 单位名称"));
        add->prepare();
        fillAndSave(add, {"A0", "打"});
        QCOMPARE(list->DBGrid1->value(0, "计量单位代码").toString(), QString("A0")); // ordered by code
        list->DBGrid1->setCurrentRow(1);
        BB402_form* del = longLived<BB402_form>();
        del->prepare();
        ok(del);
    });
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_unit"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE unit_code='U1' AND unit_name='件'"), 3);
    // Deleting a warehouse that has stock leaves the stock rows.
    withScreen(seam, "BB20", [&](QDialog* d) {
        auto* list = qobject_cast<TBB20_form*>(d);
        list->DBGrid1->setCurrentRow(0);
        BB202_form* del = longLived<BB202_form>();
        del->prepare();
        ok(del);
    });
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_warehouse_ini WHERE warehouse='W01'"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE warehouse='W01'"), 1);
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

void TstMasterData::classificationCodeAndNameRule() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB30", [&](QDialog* d) {
        auto* f = qobject_cast<TBB30_form*>(d);
        QCOMPARE(f->Grid2->rowCount(), 0); // empty until a big category is clicked
        BB301_form* add = longLived<BB301_form>();
        BB302_form* del = longLived<BB302_form>();
        // Before any click: a small category goes under the big grid's current row; no failure.
        TBB30_form::setCurrentGrid("Grid2");
        add->prepareFor("Grid2");
        QCOMPARE(add->windowTitle(), QString("小类定义"));
        fillAndSave(add, {"S9", "新小类", ""});
        QCOMPARE(f->Grid2->rowCount(), 3);
        // Same small code under another big category is accepted.
        f->bigClicked(1);
        QCOMPARE(f->smallGroup->title(), QString("大类**裤子**中的小类定义"));
        add->prepareFor("Grid2");
        fillAndSave(add, {"S9", "新小类", "说明"});
        QCOMPARE(f->Grid2->rowCount(), 2);
        // Same code and name: the duplicate message; same code, other name: refused the same way.
        TBB30_form::setCurrentGrid("Grid1");
        add->prepareFor("Grid1");
        fillAndSave(add, {"B1", "上衣", ""});
        fillAndSave(add, {"B1", "别的名字", ""});
        fillAndSave(add, {"B'3", "童装", ""});
        QCOMPARE(f->Grid1->rowCount(), 3);
        // A big category with small categories is not deleted.
        const auto rowOf = [&](const QString& code) {
            for (int r = 0; r < f->Grid1->rowCount(); ++r)
                if (f->Grid1->value(r, "大类代码").toString() == code) return r;
            return -1;
        };
        f->Grid1->setCurrentRow(rowOf("B1"));
        del->prepareFor("Grid1");
        QCOMPARE(del->windowTitle(), QString("大类删除确认"));
        ok(del);
        QCOMPARE(seam.last(), QString("因为此大类中包含多项小类，所以必须先删除它的小类。"));
        f->Grid1->setCurrentRow(rowOf("B'3")); // has none
        del->prepareFor("Grid1");
        ok(del);
        QCOMPARE(f->Grid1->rowCount(), 2);
        // Attributes: description NULL when empty.
        add->prepareFor("Grid3");
        fillAndSave(add, {"A9", "黑色", ""});
        QCOMPARE(f->Grid3->rowCount(), 3);
    });
    QCOMPARE(seam.shown.count("已经存在相同记录！"), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_arrage_s WHERE arrage_code_s='S9'"), 2);
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
        f->item_code_a->setText(" N1 ");
        f->okButton->click();
        f->item_name_a->setText("新衣");
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
        f->okButton->click();
        QVERIFY(f->item_code_a->text().isEmpty()); // emptied after the insert
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='N1' AND item_name='新衣' "
                               "AND item_model IS NULL AND item_spec IS NULL AND unit_name='件' AND arrage_name_s='衬衫'"),
                 1);
        Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,item_code,attr_code,size_code,stage_code,qty) "
                 "VALUES ('W01','N1','A1','Z1','G1',2)");
        QCOMPARE(f->DBGrid1->rowCount(), 4);      // "查询" ran
        QCOMPARE(f->DBGrid1->value(0, "item_code").toString(), QString("N1")); // descending
        // Duplicate code.
        f->item_code_a->setText("I001");
        f->item_name_a->setText("x");
        f->Unit_code_a->setText("U1");
        f->arrage_code_b_a->setText("B1");
        f->arrage_code_s_a->setText("S1");
        f->okButton->click();
        // Modify: the row copied, code disabled; an empty name is not refused.
        f->DBGrid1->setCurrentRow(0);
        emit f->DBGrid1->mousePressed();
        QVERIFY(f->modifyAction->isEnabled());
        f->modifyAction->trigger();
        QVERIFY(f->modifyMode());
        QCOMPARE(f->item_code_a->text(), QString("N1"));
        QCOMPARE(f->arrage_code_s_a->text(), QString("S1"));
        f->item_name_a->setText(" 改名 ");
        f->item_model_a->setText("M'1");
        f->okButton->click();
        QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='N1' AND item_name=' 改名 ' "
                               "AND item_model='M''1'"),
                 1); // the name as typed, the rest trimmed
        QVERIFY(f->modifyMode()); // stays in modify mode
        f->cancelButton->click();
        QVERIFY(!f->modifyMode());
        // Delete from the grid's context menu leaves stock rows.
        f->DBGrid1->setCurrentRow(0);
        BB101_form* del = longLived<BB101_form>();
        del->prepareFrom("BB");
        QCOMPARE(del->Label4->text(), QString("N1"));
        ok(del);
        QCOMPARE(f->DBGrid1->rowCount(), 3);
    });
    QCOMPARE(seam.shown, (QStringList{"项目代码不能为空", "项目名称不能为空", "大类代码不能为空", "小类代码不能为空",
                                      "记录新增成功！", "已经存在相同记录！", "记录更新成功！"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_item_master WHERE item_code='N1'"), 0);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree WHERE item_code='N1'"), 1); // stock stays
    Q_UNUSED(cancel);
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

void TstMasterData::vendorsAndCustomers() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    withScreen(seam, "BB60", [&](QDialog* d) {
        auto* list = qobject_cast<PartnerListForm*>(d);
        QCOMPARE(list->DBGrid1->captions().size(), 19);
        seam.onModal = [&](QDialog* dlg) -> int {
            auto* e = qobject_cast<PartnerEditDialog*>(dlg);
            e->fields[0]->setText(" V2 ");
            e->fields[1]->setText("华纺供应"); // name in use
            e->save();
            e->fields[1]->setText("O'Brien");
            e->fields[2]->setText(" 上海 ");
            e->save();
            return dlg->result();
        };
        list->addAction->trigger();
        list->DBGrid1->setCurrentRow(1);
        bool codeLocked = false;
        seam.onModal = [&](QDialog* dlg) -> int {
            auto* e = qobject_cast<PartnerEditDialog*>(dlg);
            codeLocked = e->fields[0]->isReadOnly();
            e->fields[6]->setText("021-1234"); // 传真
            e->save();
            return dlg->result();
        };
        list->modifyAction->trigger();
        QVERIFY(codeLocked);
    });
    QCOMPARE(seam.shown, QStringList{"已经存在相同 供应商代码 或 供应商名称"});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_vendor_ini WHERE vendor='V2' AND address='上海' AND fax='021-1234' "
                           "AND phone1 IS NULL"),
             1);
    withScreen(seam, "BB70", [&](QDialog* d) {
        auto* list = qobject_cast<PartnerListForm*>(d);
        QCOMPARE(list->windowTitle(), QString("客户列表窗口"));
        seam.onModal = [&](QDialog* dlg) -> int {
            auto* e = qobject_cast<PartnerEditDialog*>(dlg);
            e->fields[0]->setText(" C2 ");
            e->fields[1]->setText(" 客 ");
            e->save();
            return dlg->result();
        };
        list->addAction->trigger();
        list->DBGrid1->setCurrentRow(0);
        QString shownCode;
        seam.onModal = [&](QDialog* dlg) -> int {
            auto* del = qobject_cast<PartnerDeleteDialog*>(dlg);
            shownCode = del->Label4->text();
            del->remove();
            return dlg->result();
        };
        list->deleteAction->trigger();
        QCOMPARE(shownCode, QString(" C2 "));
    });
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_customer_ini"), 1);
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
