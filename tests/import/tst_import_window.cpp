// The import window as a clerk uses it: choose a file, check, read the problems, map a column by
// hand, import.
#include "fields/datagrid.h"
#include "import/AA50_Unit.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

class TestImportWindow : public QObject {
    Q_OBJECT

    static void writeCsv(const QString& path, const QString& text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }

private slots:
    void checkCorrectImport() {
        TestDb db;
        TestDb::seedMasters();
        ScriptedSeam seam;
        const QString path = db.dir() + "/items.csv";
        writeCsv(path, "款式编号,项目名称,单位,大类,小类\nN1,新衬衫,件,上衣,衬衫\nN2,新长裤,箱,裤子,长裤\n");
        TAA50_form w;
        w.show();
        seam.openFile = path;
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
        QCOMPARE(w.file_a->text(), path);

        // The code column is not named as the program names it: the check misses it.
        QTest::mouseClick(w.BitBtn2, Qt::LeftButton);
        QCOMPARE(w.problems_a->rowCount(), 1);
        QVERIFY(!w.BitBtn3->isEnabled());

        // Mapped by hand; the unknown unit is the one problem left.
        QComboBox* box = nullptr;
        for (int r = 0; r < w.mapping_a->rowCount(); ++r)
            if (w.mapping_a->cellWidget(r, 1)->objectName() == "map_item_code")
                box = qobject_cast<QComboBox*>(w.mapping_a->cellWidget(r, 1));
        QVERIFY(box);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), QString("款式编号"));
        QTest::mouseClick(w.BitBtn2, Qt::LeftButton);
        QCOMPARE(w.problems_a->rowCount(), 1);
        QCOMPARE(w.problems_a->value(0, "message").toString(), QString("单位不存在"));

        // Corrected in the file and checked again: the mapping stays, import is offered.
        writeCsv(path, "款式编号,项目名称,单位,大类,小类\nN1,新衬衫,件,上衣,衬衫\nN2,新长裤,件,裤子,长裤\n");
        QTest::mouseClick(w.BitBtn2, Qt::LeftButton);
        QCOMPARE(w.problems_a->rowCount(), 0);
        QVERIFY(w.BitBtn3->isEnabled());
        QCOMPARE(w.counts_a->text(), QString("新增 2 条，修改 0 条，不变 0 条"));
        seam.answers = {true};
        QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
        QCOMPARE(seam.last(), QString("导入完成：新增 2 条，修改 0 条，不变 0 条。"));
        QCOMPARE(TestDb::count("SELECT COUNT(*) FROM kesp_item_master WHERE item_code IN ('N1','N2')"), 2);
        QVERIFY(!w.BitBtn3->isEnabled());
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_import_window.moc"
