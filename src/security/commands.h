#pragma once
// The catalogue of the main window's commands: menu code, caption and the menu it belongs to.
// The main window builds its menus and toolbar from it, and the rights window lists it, so a
// command added here is offered, enabled and refused by the same rules as every other.
#include <QList>
#include <QString>

namespace Commands {
struct Command {
    QString code;    // menu code (AA10 ...); empty: a separator
    QString caption; // menu text
    QString key;     // shortcut, may be empty
    QString screen;  // code of the screen the command opens (may differ from its own code)
};

struct Menu {
    QString code;    // AA, BB, ...
    QString caption; // 【系统控制】 ...
    QList<Command> entries;
};

const QList<Menu>& menus();
// Every command in menu order, separators left out.
QList<Command> all();
// The command's caption ("入库操作"), or the code itself when the catalogue does not hold it.
QString caption(const QString& code);
bool exists(const QString& code);
} // namespace Commands
