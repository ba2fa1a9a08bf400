// The application in Chinese on a machine whose locale is C: Qt's own texts, the calendar, the
// question boxes' default button; stored dates and numbers unchanged. And the database created
// on first use without a display.
#include "app/language.h"
#include "data/dateformat_check.h"
#include "data/numbers.h"
#include "fields/datepicker.h"
#include "ui/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTreeView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
// Answers the real box that opens next by pressing Enter, and notes its default button.
struct PressEnter {
    QString defaultText;
    QStringList buttons;
    PressEnter() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (box->defaultButton()) defaultText = box->defaultButton()->text();
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTimer::singleShot(3000, [] { // never left waiting in a modal loop
            if (auto* w = QApplication::activeModalWidget()) w->close();
        });
    }
};
} // namespace

class TstLanguage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(Language::install(*qApp), "Qt's zh_CN translations are installed"); }
    void qtTextsInChinese();
    void questionsConfirmedWithEnter();
    void calendarInChineseDatesAndNumbersUnchanged();
    void createDatabaseWithoutDisplay();
    void boxesWideEnoughForTheirTitle();
    void fileDialogInChinese();
};

void TstLanguage::qtTextsInChinese() {
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No);
    QVERIFY2(box.button(QMessageBox::Yes)->text().contains("是"), qPrintable(box.button(QMessageBox::Yes)->text()));
    QVERIFY(box.button(QMessageBox::No)->text().contains("否"));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    QVERIFY2(texts.join('|').contains("复制") && texts.join('|').contains("粘贴"), qPrintable(texts.join('|')));
}

void TstLanguage::questionsConfirmedWithEnter() {
    Msg::install(nullptr); // the real boxes
    {
        PressEnter enter;
        QVERIFY(Msg::askDravont(nullptr, QStringLiteral("确定过帐？")));
        QVERIFY2(enter.defaultText.contains("是"), qPrintable(enter.buttons.join('|')));
    }
    {
        PressEnter enter;
        QVERIFY(Msg::confirm(nullptr, QStringLiteral("确定删除吗？")));
    }
}

void TstLanguage::calendarInChineseDatesAndNumbersUnchanged() {
    DatePicker d;
    d.setDate(QDate(2026, 3, 5));
    QCOMPARE(d.calendarWidget()->locale().monthName(3), QString("三月"));
    QCOMPARE(d.calendarWidget()->locale().dayName(1, QLocale::ShortFormat), QString("周一"));
    QCOMPARE(d.dateText(), QString("2026/03/05"));
    QCOMPARE(d.text(), QString("2026/03/05"));
    QCOMPARE(Numbers::footer(1234567.5), QString("1,234,567.5"));
    QCOMPARE(Numbers::entry(0.5), QString("0.50"));
    QCOMPARE(Numbers::parse("12.5"), std::optional<double>(12.5));
    QCOMPARE(QLocale().toString(1234.5), QString("1234.5")); // grid cells without a pattern
}

void TstLanguage::createDatabaseWithoutDisplay() {
    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(YC_EXE), {"--create-database"});
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QVERIFY(QFileInfo::exists(dir.filePath("DATA/quorvel.mdb")));
}

void TstLanguage::boxesWideEnoughForTheirTitle() {
    Msg::install(nullptr); // the real boxes
    QStringList narrow;
    const auto measure = [&](const QString& title) {
        QTimer::singleShot(0, [&narrow, title] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
            if (box->width() < fm.horizontalAdvance(title) + 120) narrow << title;
            QTest::keyClick(box, Qt::Key_Return);
        });
    };
    measure(Msg::AppTitle);
    Msg::notice(nullptr, QStringLiteral("好"));
    measure(QStringLiteral("Dravont"));
    Msg::dravont(nullptr, QStringLiteral("好"));
    measure(Msg::AppTitle);
    Msg::confirm(nullptr, QStringLiteral("好"), true);
    QCOMPARE(narrow, QStringList{});
}

void TstLanguage::fileDialogInChinese() {
    Msg::install(nullptr);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        auto* tree = d->findChild<QTreeView*>("treeView");
        QAbstractItemModel* m = tree->model();
        QTest::qWaitFor([&] { return m->rowCount(tree->rootIndex()) > 0; }, 3000);
        const QModelIndex row = m->index(0, 0, tree->rootIndex());
        seen << row.data().toString() << row.siblingAtColumn(2).data().toString()
             << QString::number(QRegularExpression("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}$")
                                    .match(row.siblingAtColumn(3).data().toString())
                                    .hasMatch());
        d->reject();
    });
    const QString chosen = Msg::seam().chooseOpenFile(nullptr, QStringLiteral("选择图片"), QStringLiteral("图片 (*.jpg)"));
    QDir::setCurrent(before);
    QVERIFY(chosen.isEmpty());
    QCOMPARE(seen, (QStringList{"sub", "文件夹", "1"}));
}

QTEST_MAIN(TstLanguage)
#include "tst_language.moc"
