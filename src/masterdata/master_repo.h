#pragma once
// Statements of the master tables. Table and column names come from the screens' fixed
// descriptions; every value is bound.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace MasterRepo {
using Values = QList<QPair<QString, QVariant>>; // column, value

// True when a row matches every pair (all) or at least one pair (any), text compared without
// regard to letter case.
bool existsAll(const QString& table, const Values& match);
bool existsAny(const QString& table, const Values& match);
// Inserts a row; an empty QString value of an optional column is written as NULL by the caller.
void insert(const QString& table, const Values& values);
void update(const QString& table, const Values& values, const Values& where);
int remove(const QString& table, const Values& where);

// Text trimmed of leading and trailing blanks and control characters.
QString trimmed(const QString& s);
// NULL when the text as typed is empty, else the trimmed text.
QVariant optional(const QString& typed);
} // namespace MasterRepo
