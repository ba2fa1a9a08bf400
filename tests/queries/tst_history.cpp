// Historical stock: the snapshot of a closed period, queried like the current stock.
#include "closing/periods.h"
#include "data/sql.h"
#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "queries/EE20_Unit.h"
#include "queries/filter_panel.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
void balance(const QString& wh, const QString& item, const QString& size, double qty) {
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES (?,?,?,'A1',?,'G1',?)",
             {wh, wh, item, size, qty});
}
void closeMonth(const QString& code) {
    Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag) VALUES (?,?,?,'N')",
             {code, code.left(4), code.mid(4)});
    Periods::close(code, QDate(2026, 12, 9));
}
// Opens the field's list and clicks its row, as the clerk picks a value.
void pick(LookupField* f, int row) {
    f->showPopup();
    QAbstractItemView* v = f->view();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(v->model()->index(row, 0)).center());
}
void type(LookupField* f, const QString& text) {
    f->setFocus();
    QTest::keyClicks(f->lineEdit(), text);
}
} // namespace

class TstHistory : public QObject {
    Q_OBJECT
private slots:
    void periodsAndRequiredFields();
    void snapshotOfAClosedMonth();
};

void TstHistory::periodsAndRequiredFields() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    {
        // No closed period: the list is empty and every query stops at the period.
        TEE20_form f;
        f.show();
        QApplication::setActiveWindow(&f);
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.save_code_a->listRowCount(), 0);
        QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
        QCOMPARE(seam.shown, QStringList{"请选择仓库."});
        QVERIFY(f.filters->warehouse_a->hasFocus());
        type(f.filters->warehouse_a, "W01");
        QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
        QCOMPARE(seam.last(), QString("请选择核算期."));
        QVERIFY(f.save_code_a->hasFocus());
        QVERIFY(!f.DBGrid1->model()->isOpen());
        QVERIFY(!f.findChild<QPushButton*>("Cmd_group")); // no group summary here
    }
    closeMonth("202610");
    closeMonth("202612");
    Sql::run("INSERT INTO kesp_inv_history_list(save_code,year_v,month_v,save_flag) VALUES ('202701','2027','01','N')");
    TEE20_form f;
    QCOMPARE(f.save_code_a->listRowCount(), 2); // closed periods only, newest first
    QCOMPARE(f.save_code_a->rowValue(0, "save_code").toString(), QString("202612"));
    QCOMPARE(f.save_code_a->rowValue(1, "save_code").toString(), QString("202610"));
}

void TstHistory::snapshotOfAClosedMonth() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    balance("W01", "I001", "Z1", 5);
    balance("W01", "I002", "Z2", 0);
    balance("W01", "I003", "Z1", 2.5);
    closeMonth("202611"); // W02 had no balance rows then
    balance("W02", "I001", "Z1", 9);
    Sql::run("UPDATE kesp_inv_detail_tree SET qty=qty+100 WHERE warehouse='W01'");
    Sql::run("INSERT INTO kesp_inv_detail_tree_v_out(item_code,qty,login_id) VALUES ('X',1,'abc')");

    TEE20_form f;
    f.show();
    type(f.filters->warehouse_a, "W01");
    QCOMPARE(f.filters->warehouse_name_a->text(), QString("一号仓库"));
    pick(f.save_code_a, 0);
    QCOMPARE(f.save_code_a->text(), QString("202611"));
    QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
    QVERIFY(seam.shown.isEmpty());
    // The month as it was closed: the later movements are not in it, the row of 0 is.
    QCOMPARE(f.DBGrid1->rowCount(), 3);
    QCOMPARE(f.DBGrid1->value(0, "item_code").toString(), QString("I001"));
    QCOMPARE(f.DBGrid1->value(1, "qty").toDouble(), 0.0);
    QCOMPARE(f.DBGrid1->value(2, "item_name").toString(), QString("短袖T恤"));
    QCOMPARE(f.DBGrid1->footerText("qty"), QString("7.5"));
    QCOMPARE(f.DBGrid1->captions().size(), 12);
    // Narrowed by size; the summary work table is none of this screen's business.
    type(f.filters->size_code_a, "Z1");
    QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
    QCOMPARE(f.DBGrid1->rowCount(), 2);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_inv_detail_tree_v_out"), 1);
    // A warehouse without balance rows at the closing: an empty result.
    f.filters->size_code_a->lineEdit()->clear();
    f.filters->warehouse_a->lineEdit()->clear();
    type(f.filters->warehouse_a, "W02");
    QTest::mouseClick(f.Cmd_Query, Qt::LeftButton);
    QVERIFY(f.DBGrid1->model()->isOpen());
    QCOMPARE(f.DBGrid1->rowCount(), 0);
}

QTEST_MAIN(TstHistory)
#include "tst_history.moc"
