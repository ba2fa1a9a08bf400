// Dates typed into the shared date picker as a clerk does: click, select all, type, Tab.
#include "data/session.h"
#include "fields/datepicker.h"
#include "fields/lookupfield.h"
#include "queries/CC40_Unit.h"
#include "support/clerk.h"
#include "support/scripted.h"
#include "support/testdb.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

class TstDates : public QObject {
    Q_OBJECT
private slots:
    void init() { Session::setUserCode("abc"); }
    void typedDate_data();
    void typedDate();
};

void TstDates::typedDate_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("date");    // what the field holds afterwards
    QTest::addColumn<QString>("message"); // the refusal, if any
    QTest::newRow("with slashes") << "2026/01/01" << "2026/01/01" << "";
    QTest::newRow("digits only") << "20260101" << "2026/01/01" << "";
    QTest::newRow("impossible day") << "2026/02/30" << "2025/06/15" << "请输入正确日期";
    QTest::newRow("month 13") << "20261301" << "2025/06/15" << "请输入正确日期";
    QTest::newRow("unfinished") << "2026/1/5" << "2025/06/15" << "请输入正确日期";
}

void TstDates::typedDate() {
    QFETCH(QString, keys);
    QFETCH(QString, date);
    QFETCH(QString, message);
    TestDb db;
    ScriptedSeam seam;
    TCC40_form f;
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    DatePicker* from = f.procure_date_a;
    from->setDate(QDate(2025, 6, 15));
    QTest::mouseClick(from->findChild<QLineEdit*>(), Qt::LeftButton); // into the text
    QCOMPARE(QApplication::focusWidget(), from);
    QTest::keyClick(from, Qt::Key_A, Qt::ControlModifier);
    for (const QChar c : keys) Clerk::type(QApplication::focusWidget(), QString(c)); // wherever the focus is
    QCOMPARE(QApplication::focusWidget(), from); // no keystroke went on to the next field
    QTest::keyClick(from, Qt::Key_Tab);
    Clerk::settle();
    QCOMPARE(from->dateText(), date);
    QCOMPARE(seam.shown, message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(QApplication::focusWidget() == from, !message.isEmpty()); // refused: typed again
    QVERIFY(f.bill_no_a->currentText().isEmpty() && f.bill_no_b->currentText().isEmpty());
}

QTEST_MAIN(TstDates)
#include "tst_dates.moc"
