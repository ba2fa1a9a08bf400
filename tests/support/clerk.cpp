#include "support/clerk.h"

#include "fields/datagrid.h"
#include "fields/lookupfield.h"
#include "queries/Group_Grid_Unit.h"
#include "queries/Group_style_select_Unit.h"
#include "queries/query_screen.h"
#include "support/scripted.h"
#include "ui/screens.h"

#include <QComboBox>
#include <QPushButton>

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QWheelEvent>

namespace Clerk {

void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void clickInto(QWidget* field) {
    QWidget* target = field;
    if (auto* f = qobject_cast<LookupField*>(field)) target = f->lineEdit();
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(4, target->height() / 2));
    settle();
}

QString rowCode(LookupField* f, int row) { return f->model()->index(row, f->modelColumn()).data().toString(); }

namespace {
QAbstractItemView* openPopupByArrow(LookupField* f) {
    QStyleOptionComboBox opt;
    opt.initFrom(f);
    opt.editable = true;
    opt.subControls = QStyle::SC_All;
    const QRect arrow = f->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, f);
    QTest::mouseClick(f, Qt::LeftButton, {}, arrow.center());
    settle();
    return f->view()->isVisible() ? f->view() : nullptr;
}

bool walkTo(QAbstractItemView* view, int row, const std::function<int()>& current) {
    for (int i = 0; i < view->model()->rowCount() + 2 && current() != row; ++i) {
        QTest::keyClick(view, Qt::Key_Down);
    }
    return current() == row;
}
} // namespace

bool pickByMouse(LookupField* f, int row) {
    clickInto(f);
    QAbstractItemView* view = openPopupByArrow(f);
    if (!view) {
        qWarning("mouse: the list did not open");
        return false;
    }
    QTest::qWait(QApplication::doubleClickInterval() + 20); // a release right after opening is ignored
    const QRect r = view->visualRect(view->model()->index(row, f->modelColumn()));
    QTest::mouseMove(view->viewport(), r.center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    settle();
    if (view->isVisible()) qWarning("mouse: the list stayed open after a click on %d,%d", r.center().x(), r.center().y());
    return !view->isVisible();
}

bool pickByKeys(LookupField* f, int row) {
    clickInto(f);
    QTest::keyClick(f, Qt::Key_F4);
    settle();
    QAbstractItemView* view = f->view();
    if (!view->isVisible()) return false;
    if (!walkTo(view, row, [view] { return view->currentIndex().row(); })) return false;
    QTest::keyClick(view, Qt::Key_Return);
    settle();
    return !view->isVisible();
}

bool pickByCompleter(LookupField* f, int row) {
    const QString code = rowCode(f, row);
    clickInto(f);
    QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f, code);
    settle();
    QAbstractItemView* popup = f->completer()->popup();
    if (!popup->isVisible()) {
        qWarning("completer: no suggestions for %s", qPrintable(code));
        return false;
    }
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(f->completer()->completionModel());
    const auto current = [&] {
        const QModelIndex i = popup->currentIndex();
        return i.isValid() && proxy ? proxy->mapToSource(i).row() : -1;
    };
    if (!walkTo(popup, row, current)) {
        qWarning("completer: row %d not reached (now %d, %d suggestions)", row, current(), int(popup->model()->rowCount()));
        return false;
    }
    QTest::keyClick(popup, Qt::Key_Return);
    settle();
    if (popup->isVisible()) qWarning("completer: still open after Enter, text %s", qPrintable(f->text()));
    return !popup->isVisible();
}

void type(QWidget* w, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    settle();
}

void tabOut(QWidget* field) {
    // The offscreen platform leaves no window active after a popup closed; a real one does.
    if (QApplication::activeWindow() != field->window()) {
        QApplication::setActiveWindow(field->window());
        settle();
    }
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : field, Qt::Key_Tab);
    settle();
}

void wheel(QWidget* w, int notches) {
    const QPoint pos = w->rect().center();
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
    settle();
}

void paste(QWidget* w, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    settle();
}

void commitInputMethod(QWidget* w, const QString& text) {
    QInputMethodEvent pre(text, {});
    QApplication::sendEvent(w, &pre); // the preedit string first, as a Chinese input method shows it
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(w, &commit);
    settle();
}

Summary summarise(QueryScreen& window, ScriptedSeam& seam, const QString& col, const QString& row) {
    Summary shown;
    auto* style = longLived<Group_style_select_form>();
    auto* grid = longLived<Group_Grid_form>();
    seam.onModal = [&](QDialog* d) -> int {
        if (d == style) {
            style->col_name->setCurrentText(col);
            style->row_name->setCurrentText(row);
            style->findChild<QPushButton*>("BitBtn1")->click();
        } else if (d == grid) {
            shown.captions = grid->DBGrid1->captions();
            for (int r = 0; r < grid->DBGrid1->rowCount(); ++r) {
                shown.rowNames << grid->DBGrid1->value(r, "c0").toString();
                shown.rowSums << grid->DBGrid1->value(r, "c1").toDouble();
            }
            shown.total = grid->DBGrid1->footerText("c1");
            for (int c = 2; c < shown.captions.size(); ++c) shown.footers << grid->DBGrid1->footerText(QString("c%1").arg(c));
        }
        return QDialog::Accepted;
    };
    window.Cmd_group->click();
    seam.onModal = nullptr;
    return shown;
}

} // namespace Clerk
