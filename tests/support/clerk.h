#pragma once
// What a clerk does with the shared fields, through the real widgets: clicks, keys, the open
// drop-down list, completer suggestions, the wheel, paste and input-method commits.
#include <QList>
#include <QString>
#include <QStringList>

class LookupField;
class QueryScreen;
class QWidget;
class ScriptedSeam;

namespace Clerk {
// Lets queued work run (commits and checks deferred to the event loop).
void settle();
// Clicks into the field's text, as moving into it with the mouse.
void clickInto(QWidget* field);
// Opens the list with a click on the arrow and clicks the row.
bool pickByMouse(LookupField* f, int row);
// Moves into the field, opens the list with F4, walks to the row with the arrow keys, Enter.
bool pickByKeys(LookupField* f, int row);
// Moves into the field, types the row's code and chooses the row among the suggestions.
bool pickByCompleter(LookupField* f, int row);
// Types text key by key, any characters (full-width ones included).
void type(QWidget* w, const QString& text);
// Leaves the field with Tab.
void tabOut(QWidget* field);
// Turns the wheel over the widget (positive: away from the user).
void wheel(QWidget* w, int notches);
// Puts text on the clipboard and pastes it with Ctrl+V.
void paste(QWidget* w, const QString& text);
// Commits a string as an input method does.
void commitInputMethod(QWidget* w, const QString& text);
// The code a row of the field's list shows.
QString rowCode(LookupField* f, int row);

// What the crosstab window showed.
struct Summary {
    QStringList captions;
    QStringList rowNames;
    QList<double> rowSums;
    QString total;       // footer of the row sums
    QStringList footers; // footers of the value columns
};
// "分类汇总" pressed in the query window, the two headings chosen in the style dialog, "确定".
Summary summarise(QueryScreen& window, ScriptedSeam& seam, const QString& col, const QString& row);
} // namespace Clerk
