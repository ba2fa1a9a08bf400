// The matrix dialog of the stock-in and stock-out screens, typed with the keyboard.
#include "data/session.h"
#include "data/sql.h"
#include "fields/lookupfield.h"
#include "fields/namebox.h"
#include "fields/numericedit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/matrix_entry.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {
LookupField* field(QWidget* w, const char* name) { return w->findChild<LookupField*>(name); }

// Keys go wherever the focus is, as they do for a clerk.
void type(const QString& keys) {
    for (const QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}
void press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

QString cellText(MatrixEntry* d, int r, int c) { return d->model()->index(r, c).data().toString(); }

void fillHeader(EntryForm& f, bool out) {
    f.bill_no_a->setText("R1");
    field(&f, "operation_code_a")->setText(out ? "out1" : "in1");
    field(&f, "warehouse_a")->setText("W01");
    field(&f, out ? "customer_a" : "vendor_a")->setText(out ? "C1" : "V1");
}

bool activate(QWidget* w) {
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

// The stock-in screen shown, its header, item I001, grade G1 and price 25 filled in.
bool prepareStockIn(TCC10_form& f) {
    f.show();
    if (!activate(&f)) return false;
    fillHeader(f, false);
    f.item_code_a->setList("SELECT * FROM kesp_item_master");
    f.item_code_a->setText("I001");
    field(&f, "stage_code_a")->setText("G1");
    f.price_a->setText("25");
    return true;
}
} // namespace

class TstMatrixWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void headerChecksBeforeOpening();
    void typingAThreeByFourMatrix();
    void stockOutBalancesAndLockedCells();
    void escapeAsksBeforeDroppingQuantities_data();
    void escapeAsksBeforeDroppingQuantities();
    void tabLeavesTheGridForPriceAndOk();
    void guardMarksShortCellsRed();
};

void TstMatrixWindow::headerChecksBeforeOpening() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    QVERIFY(!f.BitBtn5->isEnabled()); // no item yet
    f.item_code_a->setList("SELECT * FROM kesp_item_master");
    f.item_code_a->setText("I001");
    QVERIFY(f.BitBtn5->isEnabled());
    f.BitBtn5->click();
    QCOMPARE(seam.shown, QStringList{"入库单据号 不能为空"});
    fillHeader(f, false);
    seam.reset();
    f.BitBtn5->click();
    QCOMPARE(seam.shown, QStringList{"等级 不能为空"}); // attribute and size come from the matrix
    QVERIFY(seam.modals.isEmpty());
    field(&f, "operation_code_a")->setText("out1"); // the other direction's type
    field(&f, "stage_code_a")->setText("G1");
    seam.reset();
    f.BitBtn5->click();
    QCOMPARE(seam.shown, QStringList{"入库类型 不存在"});
    field(&f, "operation_code_a")->setText("in1");
    seam.reset();
    f.BitBtn5->click();
    QCOMPARE(seam.modals, QStringList{"MatrixEntry"}); // "取消" of the dialog: nothing staged
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
    QVERIFY(!f.headerLocked());
}

void TstMatrixWindow::typingAThreeByFourMatrix() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_item_attr VALUES ('A3','白色',NULL)");
    Sql::run("INSERT INTO kesp_item_size VALUES ('Z4','XL码',NULL)");
    ScriptedSeam seam;
    TCC10_form f;
    QVERIFY(prepareStockIn(f));
    QStringList totals;
    seam.onModal = [&](QDialog* dlg) {
        auto* d = static_cast<MatrixEntry*>(dlg);
        if (!activate(d)) return int(QDialog::Rejected);
        // A new style: every attribute and size, the focus in the first cell.
        if (!d->show_all->isChecked() || d->model()->rowCount() != 4 || d->model()->columnCount() != 5)
            return int(QDialog::Rejected);
        if (QApplication::focusWidget() != d->matrix_grid) return int(QDialog::Rejected);
        // Row by row, Enter after each cell; an empty Enter leaves a cell empty.
        const QStringList rows[] = {{"1", "2", "3", "4"}, {"5", "", "7", "8"}, {"9", "10", "11", "0"}};
        for (const auto& row : rows)
            for (const QString& v : row) {
                type(v);
                if (v == "9") totals << cellText(d, 2, 4); // the row total follows the open cell
                press(Qt::Key_Return);
            }
        totals << cellText(d, 0, 4) << cellText(d, 1, 4) << cellText(d, 3, 0) << cellText(d, 3, 1)
               << cellText(d, 3, 4) << d->total_m->text();
        // Enter after the last cell wraps to the first; arrow keys move freely, also out of an open cell.
        press(Qt::Key_Down);
        press(Qt::Key_Right);
        type("3");
        press(Qt::Key_Up);
        const QModelIndex cur = d->matrix_grid->currentIndex();
        totals << QString("%1,%2").arg(cur.row()).arg(cur.column()) << cellText(d, 1, 1) << cellText(d, 3, 4);
        type("9"); // Esc gives up what was typed, totals included
        totals << cellText(d, 3, 4);
        press(Qt::Key_Escape);
        totals << cellText(d, 0, 1) << cellText(d, 3, 4);
        type("4"); // an open cell is taken by Ctrl+Enter, which stages
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        return d->result();
    };
    f.BitBtn5->click();
    QCOMPARE(seam.shown, QStringList{});
    QCOMPARE(totals, (QStringList{"9", "10", "20", "15", "12", "60", "合计：60", "0,1", "3.00", "63", "70", "2.00", "63"}));
    // 11 non-zero cells: 11 staged lines, the header locked as after "确定", the grid showing them.
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE login_id='abc' AND price=25 AND bill_no='R1'"), 11);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_post_temp_a WHERE attr_code='A1' AND size_code='Z2'").toDouble(), 4.0);
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_post_temp_a WHERE attr_code='A3' AND size_code='Z2'").toDouble(), 10.0);
    QCOMPARE(TestDb::value("SELECT attr_name || size_name FROM kesp_post_temp_a WHERE attr_code='A2' AND size_code='Z2'").toString(), QString("蓝色M码"));
    QCOMPARE(TestDb::value("SELECT qty FROM kesp_post_temp_a WHERE attr_code='A2' AND size_code='Z2'").toDouble(), 3.0);
    QCOMPARE(f.DBGrid1->rowCount(), 11);
    QVERIFY(f.headerLocked());
    // They are ordinary staged lines: posted together.
    seam.answers = {true};
    f.BitBtn4->click();
    QVERIFY(seam.shown.contains("入库操作成功！")); // then "打印单据？"
    QCOMPARE(TestDb::value("SELECT sum(qty) FROM kesp_inv_detail_tree WHERE item_code='I001'").toDouble(), 65.0);
}

void TstMatrixWindow::stockOutBalancesAndLockedCells() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W01','一号仓库','I001','A1','Z1','G1',10),('W01','一号仓库','I001','A2','Z2','G1',4),"
             "('W01','一号仓库','I001','A2','Z1','G2',3),('W02','二号仓库','I001','A1','Z2','G1',8)");
    ScriptedSeam seam;
    TDD10_form f;
    f.show();
    QVERIFY(activate(&f));
    fillHeader(f, true);
    f.item_code_a->setFocus();
    QApplication::processEvents();
    QCOMPARE(f.item_code_a->listRowCount(), 3); // read as the list opens: W01's rows of I001
    f.item_code_a->setCurrentIndex(0); // picks A1/Z1/G1: item and grade
    QCOMPARE(f.stage_name_a->text(), QString("一等品"));
    f.price_a->setText("0"); // refused on stock-out, mended in the dialog
    QStringList seen;
    seam.onModal = [&](QDialog* dlg) {
        auto* d = static_cast<MatrixEntry*>(dlg);
        if (!activate(d)) return int(QDialog::Rejected);
        MatrixModel* m = d->model();
        // Only the balance rows of W01 in grade G1: A1, A2 × Z1, Z2.
        seen << QString::number(m->rowCount()) + "x" + QString::number(m->columnCount());
        seen << cellText(d, 0, 0) << cellText(d, 0, 1) << cellText(d, 1, 1);
        seen << QString::number(bool(m->flags(m->index(0, 1)) & Qt::ItemIsEditable));
        type("7");
        press(Qt::Key_Return); // (0,1) has no balance row: Enter skips it
        type("5");
        press(Qt::Key_Tab);
        seen << cellText(d, 0, 0) << cellText(d, 1, 1) << cellText(d, 2, 2);
        // A refusal keeps the dialog and what was typed.
        d->Cmd_OK->click();
        seen << seam.last() << QString::number(d->isVisible()) << cellText(d, 2, 2);
        QTest::mouseClick(d->price_m, Qt::LeftButton);
        QTest::keyClick(d->price_m, Qt::Key_A, Qt::ControlModifier);
        type("30");
        press(Qt::Key_Return); // back into the cells
        seen << QString::number(d->matrix_grid->isAncestorOf(QApplication::focusWidget()));
        // "显示全部": every attribute and size, still only the balance cells take a quantity.
        QTest::mouseClick(d->show_all, Qt::LeftButton);
        seen << QString::number(m->rowCount()) + "x" + QString::number(m->columnCount()) << cellText(d, 0, 0);
        d->Cmd_OK->click();
        return d->result();
    };
    f.BitBtn5->click();
    QCOMPARE(seam.shown, QStringList{"请输入正确价格"}); // once, inside the dialog
    QCOMPARE(seen, (QStringList{"3x3", "[10]", "—", "[4]", "0", "7.00  [10]", "5.00  [4]", "12",
                                "请输入正确价格", "1", "12", "1", "3x4",
                                "7.00  [10]"}));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE customer='C1' AND price=30 AND stage_code='G1'"), 2);
    QVERIFY(f.headerLocked());
}

void TstMatrixWindow::escapeAsksBeforeDroppingQuantities_data() {
    QTest::addColumn<QString>("typed"); // into the first cell, then Enter
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("open"); // still open after Esc
    QTest::newRow("nothing typed") << "" << false << false << false;
    QTest::newRow("only a zero") << "0" << false << false << false;
    QTest::newRow("kept") << "5" << false << true << true;
    QTest::newRow("given up") << "5" << true << true << false;
}

void TstMatrixWindow::escapeAsksBeforeDroppingQuantities() {
    QFETCH(QString, typed);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, open);
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    QVERIFY(prepareStockIn(f));
    seam.answers = {answer};
    bool stillOpen = false;
    QString kept;
    seam.onModal = [&](QDialog* dlg) {
        auto* d = static_cast<MatrixEntry*>(dlg);
        if (!activate(d)) return int(QDialog::Rejected);
        if (!typed.isEmpty()) {
            type(typed);
            press(Qt::Key_Return); // the next cell opens
            press(Qt::Key_Escape); // and is closed: only the edit ends
        }
        press(Qt::Key_Escape); // no cell is being edited: the dialog's Esc
        stillOpen = d->isVisible();
        kept = cellText(d, 0, 0);
        return int(QDialog::Rejected);
    };
    f.BitBtn5->click();
    QCOMPARE(seam.shown, asked ? QStringList{"放弃已录入的数量？"} : QStringList{});
    QCOMPARE(stillOpen, open);
    if (open) QCOMPARE(kept, QString("5.00"));
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 0);
}

void TstMatrixWindow::tabLeavesTheGridForPriceAndOk() {
    TestDb db;
    TestDb::seedMasters();
    ScriptedSeam seam;
    TCC10_form f;
    QVERIFY(prepareStockIn(f));
    QStringList seen;
    seam.onModal = [&](QDialog* dlg) {
        auto* d = static_cast<MatrixEntry*>(dlg);
        if (!activate(d)) return int(QDialog::Rejected);
        seen << d->Cmd_OK->text();
        const int cells = (d->model()->rowCount() - 1) * (d->model()->columnCount() - 1);
        type("2");
        for (int i = 1; i < cells; ++i) press(Qt::Key_Tab); // among the cells
        seen << QString::number(d->matrix_grid->isAncestorOf(QApplication::focusWidget()));
        press(Qt::Key_Tab); // from the last cell: out of the grid
        seen << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        type("30");
        press(Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
        press(Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
        press(Qt::Key_Return); // "确定" by keyboard alone
        return d->result();
    };
    f.BitBtn5->click();
    QCOMPARE(seen, (QStringList{"确定(Ctrl+Enter)", "1", "price_m", "show_all", "Cmd_OK"}));
    QCOMPARE(seam.shown, QStringList{});
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a WHERE qty=2 AND price=30"), 1);
    QCOMPARE(TestDb::count("SELECT count(*) FROM kesp_post_temp_a"), 1);
}

QTEST_MAIN(TstMatrixWindow)
#include "tst_matrix_window.moc"

void TstMatrixWindow::guardMarksShortCellsRed() {
    TestDb db;
    TestDb::seedMasters();
    Sql::run("INSERT INTO kesp_inv_detail_tree(warehouse,warehouse_name,item_code,attr_code,size_code,stage_code,qty) "
             "VALUES ('W01','一号仓库','I001','A1','Z1','G1',10),('W01','一号仓库','I001','A1','Z2','G1',4)");
    Sql::run("UPDATE kesp_warehouse_ini SET forbid_negative=? WHERE warehouse='W01'", {true});
    ScriptedSeam seam;
    TDD10_form f;
    f.show();
    QVERIFY(activate(&f));
    fillHeader(f, true);
    f.item_code_a->setFocus();
    QApplication::processEvents();
    QCOMPARE(f.item_code_a->listRowCount(), 2); // read as the list opens
    f.item_code_a->setCurrentIndex(0);
    QList<bool> red;
    seam.onModal = [&](QDialog* dlg) {
        auto* d = static_cast<MatrixEntry*>(dlg);
        if (!activate(d)) return int(QDialog::Rejected);
        type("10"); // all of Z1: not short
        press(Qt::Key_Return);
        type("5"); // one more than Z2 holds
        press(Qt::Key_Tab);
        const auto isRed = [&](int c) {
            return d->model()->index(0, c).data(Qt::ForegroundRole).value<QBrush>().color() == QColor(Qt::red);
        };
        red << isRed(0) << isRed(1);
        return int(QDialog::Rejected);
    };
    f.BitBtn5->click();
    QVERIFY2(seam.shown.isEmpty(), qPrintable(seam.shown.join('|')));
    QCOMPARE(seam.modals, QStringList{"MatrixEntry"});
    QCOMPARE(red, (QList<bool>{false, true}));
}
