// Main window: menus and toolbar, background settings, show sequence, opening screens.
#include "app/main_form.h"
#include "ui/screens.h"
#include "security/AA10_Unit.h"
#include "security/Login_Unit.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <QToolButton>

class TstMainForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Screens::registerAll(); }
    void menusFollowTheCommandTable();
    void toolbarButtons();
    void backgroundFromSettings_data();
    void backgroundFromSettings();
    void changeBackground();
    void dateFormatEndsBeforeLogin();
    void loginCancelledEndsWithoutPeriodCheck();
    void screenOpensFreshEachTime();
};

void TstMainForm::menusFollowTheCommandTable() {
    TestDb db;
    MainForm w;
    const QStringList menus = {"AA", "BB", "CC", "DD", "EE", "FF", "GG"};
    const QStringList captions = {"【系统控制】", "【基础数据管理】", "【入库管理】", "【出库管理】",
                                  "【查询管理】", "【盘点管理】", "【核算管理】"};
    for (int i = 0; i < menus.size(); ++i) {
        auto* m = w.findChild<QMenu*>(menus[i]);
        QVERIFY2(m, qPrintable(menus[i]));
        QCOMPARE(m->title(), captions[i]);
    }
    struct E {
        const char* name;
        const char* caption;
        const char* key;
    };
    for (const E& e : {E{"AA10", "密码设定", ""}, E{"AA20", "管理员设定", ""}, E{"AA40", "备份", ""},
                       E{"BB10", "新项目定义", "F2"}, E{"BB70", "客户定义", ""}, E{"CC10", "入库操作", "F3"},
                       E{"CC40", "入库记录查询", ""}, E{"DD10", "出库操作", "F4"}, E{"EE10", "当前库存查询", "F5"},
                       E{"EE30", "入库记录查询", ""}, E{"EE40", "出库记录查询", ""}, E{"FF30", "盘点查询", ""},
                       E{"GG20", "核算期设定", ""}, E{"GG30", "核对库存", ""}, E{"BB80", "库存上下限", ""}, E{"EE50", "库存预警", ""}, E{"HH", "【关于】", ""}, E{"EXIT_C", "【退出系统】", ""}}) {
        auto* a = w.findChild<QAction*>(e.name);
        QVERIFY2(a, e.name);
        QCOMPARE(a->text(), QString::fromUtf8(e.caption));
        QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(e.key)));
    }
    // Separators stand where the command table has them.
    const auto bb = w.findChild<QMenu*>("BB")->actions();
    QCOMPARE(bb.size(), 11);
    QVERIFY(bb[1]->isSeparator() && bb[6]->isSeparator() && bb[9]->isSeparator());
    QVERIFY(w.findChild<QAction*>("AA20")->isEnabled());
}

void TstMainForm::toolbarButtons() {
    TestDb db;
    MainForm w;
    const QStringList names = {"ToolButton1", "ToolButton2", "ToolButton3", "ToolButton4", "ToolButton5", "ToolButton7"};
    const QStringList captions = {"入库操作", "出库操作", "库存查询", "数据备份", "数据恢复", "关闭"};
    const QStringList hints = {"入库", "出库", "库存", "备份", "恢复", "退出系统"};
    for (int i = 0; i < names.size(); ++i) {
        auto* b = w.findChild<QToolButton*>(names[i]);
        QVERIFY2(b, qPrintable(names[i]));
        QCOMPARE(b->text(), captions[i]);
        QCOMPARE(b->toolTip(), hints[i]);
        QCOMPARE(b->iconSize(), QSize(32, 32));
    }
    QVERIFY(w.windowTitle().startsWith("衣仓通6.01-------"));
}

void TstMainForm::backgroundFromSettings_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("movesImage2");
    QTest::newRow("no settings file") << QString() << true;
    QTest::newRow("key present but empty") << "[system]\nBackGround=\n" << false;
    QTest::newRow("unreadable picture") << "[system]\nBackGround=/nonexistent/pic.jpg\n" << true;
}

void TstMainForm::backgroundFromSettings() {
    QFETCH(QString, ini);
    QFETCH(bool, movesImage2);
    TestDb db;
    const QString before = QDir::currentPath();
    QDir::setCurrent(db.dir());
    if (!ini.isNull()) {
        QFile f("Dravont.ini");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini.toUtf8());
    }
    MainForm w;
    w.resize(900, 700);
    w.show();
    const QPoint designed = w.image2()->pos();
    const qint64 builtIn = w.image1()->pixmap().cacheKey();
    w.loadBackgroundSetting();
    QCOMPARE(w.image1()->pixmap().cacheKey(), builtIn);
    if (movesImage2) {
        QCOMPARE(w.image2()->x(), w.image1()->width() - 137 - 10);
        QCOMPARE(w.image2()->y(), w.image1()->height() - 342 - 10);
    } else {
        QCOMPARE(w.image2()->pos(), designed);
    }
    QDir::setCurrent(before);
}

void TstMainForm::changeBackground() {
    TestDb db;
    ScriptedSeam seam;
    const QString before = QDir::currentPath();
    QDir::setCurrent(db.dir());
    MainForm w;
    QPixmap pm(40, 30);
    pm.fill(Qt::red);
    const QString pic = QDir(db.dir()).filePath("Bild.jpg");
    QVERIFY(pm.save(pic));
    seam.openFile = pic;
    w.changeBackground();
    QCOMPARE(w.image1()->pixmap().size(), QSize(40, 30));
    QCOMPARE(QSettings("Dravont.ini", QSettings::IniFormat).value("system/BackGround").toString(), pic);
    QVERIFY(seam.shown.isEmpty());
    // An unreadable picture shows an error; picture and setting stay.
    QFile bad(QDir(db.dir()).filePath("bad.jpg"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    seam.openFile = bad.fileName();
    w.changeBackground();
    QCOMPARE(seam.kinds, QStringList{"error"});
    QCOMPARE(QSettings("Dravont.ini", QSettings::IniFormat).value("system/BackGround").toString(), pic);
    QCOMPARE(QDir::currentPath(), QDir(db.dir()).absolutePath());
    QDir::setCurrent(before);
}

void TstMainForm::dateFormatEndsBeforeLogin() {
    TestDb db;
    ScriptedSeam seam;
    const QString regional = QDir(db.dir()).filePath("regional.ini");
    QSettings(regional, QSettings::IniFormat).setValue("International/sShortDate", "yyyy-MM-dd");
    MainForm w;
    QVERIFY(!w.runShowSequence(regional));
    QCOMPARE(seam.shown, QStringList{"因为日期格式不是\"yyyy/MM/dd\"，请重新运行程序！"});
    QVERIFY(seam.modals.isEmpty()); // no login window
}

void TstMainForm::loginCancelledEndsWithoutPeriodCheck() {
    TestDb db;
    ScriptedSeam seam;
    bool periodChecked = false;
    MainForm::periodCheck() = [&](QWidget*) { periodChecked = true; };
    const QString regional = QDir(db.dir()).filePath("regional.ini");
    MainForm w;
    QVERIFY(!w.runShowSequence(regional)); // the scripted login is rejected (Esc)
    QCOMPARE(seam.modals, QStringList{"Login_Form"});
    QVERIFY(!periodChecked);
    seam.onModal = [](QDialog* d) -> int {
        QTest::mouseClick(d->findChild<QWidget*>("BitBtn1"), Qt::LeftButton);
        return d->result();
    };
    MainForm w2;
    QVERIFY(w2.runShowSequence(regional));
    QVERIFY(periodChecked);
    MainForm::periodCheck() = nullptr;
}

void TstMainForm::screenOpensFreshEachTime() {
    TestDb db;
    ScriptedSeam seam;
    QList<TAA10_form*> seen;
    bool emptyEachTime = true;
    seam.onModal = [&](QDialog* d) -> int {
        auto* f = qobject_cast<TAA10_form*>(d);
        seen << f;
        emptyEachTime = emptyEachTime && f->New_password_1->text().isEmpty();
        f->New_password_1->setText("typed");
        return QDialog::Rejected;
    };
    MainForm w;
    w.findChild<QAction*>("AA10")->trigger();
    w.findChild<QAction*>("AA10")->trigger();
    QCOMPARE(seen.size(), 2);
    QVERIFY(emptyEachTime);
    QVERIFY(!Screens::current("AA10"));
}

QTEST_MAIN(TstMainForm)
#include "tst_mainform.moc"
