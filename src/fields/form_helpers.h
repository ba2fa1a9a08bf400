#pragma once
// Small builders shared by the dialogs: headings, labelled fields, the delete question, buttons.
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QDialog;
class QHBoxLayout;
class QLabel;
class LookupField;
class NameBox;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;

namespace Forms {
// The hourglass pointer while an object of this kind lives.
struct WaitCursor {
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
// A locked field takes the read-only look of the platform (the window's ground behind its text);
// unlocking gives back the look it had.
void showLocked(QWidget* field, bool locked);
// A password field: what is typed shows as "*".
void passwordField(QLineEdit* field);
// A row with the window's closing button ("&关闭") at the right.
QHBoxLayout* closeRow(QDialog* dialog, const QString& name = QStringLiteral("BitBtn1"));
QLabel* heading(QWidget* parent, const QString& text);
QLabel* caption(const QString& text, QWidget* parent); // a field's caption, right-aligned
// A code lookup field listing `columns`, and a name box, each with its object name.
LookupField* lookup(QWidget* parent, const QString& name, const QStringList& columns);
NameBox* nameBox(QWidget* parent, const QString& name, int minimumWidth = 110);
// A button added to a row of buttons; only the window's default button reacts to Enter.
QPushButton* button(QHBoxLayout* row, QWidget* parent, const QString& text, const QString& name);           // maroon, underlined, centred
QAction* separator(QObject* parent);
// A caption at the left and an edit field of the given entry limit (0: none) at row y.
QLineEdit* labelledEdit(QWidget* parent, const QString& caption, const QString& name, int maxLength, int y,
                        QLabel** label = nullptr);
// A caption and the label that shows a value, at row y.
QLabel* valueLabel(QWidget* parent, const QString& caption, const QString& name, int y, QLabel** label = nullptr);
QLabel* question(QWidget* parent, int y); // "确定删除吗？"
// The default button (runs `onOk`) and the cancel button (rejects) at the dialog's bottom right.
QPushButton* okCancel(QDialog* dialog, const QString& ok, const QString& cancel, int y, std::function<void()> onOk);
// For a user without "查看价格": hides the price fields and the window's price captions (labels
// reading "…价格："). True when prices are shown.
bool showPrices(QWidget* window, const QList<QWidget*>& priceFields);
} // namespace Forms
