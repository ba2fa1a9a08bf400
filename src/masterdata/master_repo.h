#pragma once
// Rules of the master tables, kept apart from the windows: one description per table (its
// columns, duplicate rule, the rows elsewhere that refer to it), and the operations that check and
// write a record in one transaction and answer with an outcome and the rows they changed.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Master {
using Values = QList<QPair<QString, QVariant>>; // column, value

// A table whose rows name a master record: `codeColumn` holds the record's code and, for records
// that belong to a parent (small categories), `parentColumn` the parent's code.
struct Referrer {
    QString table;
    QString codeColumn;
    QString parentColumn;
    QString what; // how the message names these rows
};

struct Table {
    enum class Duplicate {
        CodeOrName, // refused when the code or the name is in use
        Code        // refused when the code is in use (under the same parent)
    };
    QString table;
    QString codeColumn;
    QString nameColumn;
    QString descColumn;   // optional description; empty when the table has none
    QString parentColumn; // small categories: the big category they belong to
    QString word;         // what the record is called in messages: 仓库, 大类, ...
    Duplicate duplicate = Duplicate::CodeOrName;
    QString duplicateMessage;
    bool deleteMatchesName = false; // the delete also requires the name shown to match
    QList<Referrer> referrers;
    QStringList reserved; // codes the system itself writes: never deleted
};

const Table& warehouses();
const Table& bigCategories();
const Table& smallCategories();
const Table& attributes();
const Table& sizes();
const Table& grades();
const Table& units();
const Table& operations();
const Table& items();
const Table& vendors();
const Table& customers();
QList<const Table*> allTables();
// The further columns of a vendor or customer after code and name, and the captions of all of
// them as the lists show them ("供应商代码", "供应商名称", "地址", ...).
QStringList partnerColumns();
QStringList partnerCaptions(const Table& partners);
// The menu command whose right writes the table (BB10 ... BB70).
QString commandOf(const Table& t);

// What the user typed for a new record, untrimmed.
struct Entry {
    QString code;
    QString name;
    QString desc;
    QString parent;
    Values extra; // further columns, written as given
};

enum class Outcome {
    Done,      // written; `rows` tells how many rows changed
    Ignored,   // code or name left empty: nothing happens, nothing is said
    Refused,   // a rule refused it (duplicate, missing field); `message` says why
    InUse,     // other rows still refer to the record; `message` names them
    NotFound   // the statement changed no row
};

struct Result {
    Outcome outcome = Outcome::Done;
    int rows = 0;
    QString message;
    bool done() const { return outcome == Outcome::Done; }
};

// Text trimmed of leading and trailing blanks and control characters.
QString trimmed(const QString& s);
// NULL when the text as typed is empty, else the trimmed text.
QVariant optional(const QString& typed);

// True when a row with this code (or name, for tables refusing either) exists, compared as typed
// and trimmed.
bool isDuplicate(const Table& t, const Entry& e);
// Checks and inserts a new record in one transaction; values are trimmed, an empty description
// is stored as NULL.
Result add(const Table& t, const Entry& e);
// The kinds of rows (their `what`) that still refer to the record.
QStringList usedBy(const Table& t, const QString& code, const QString& parent = QString());
// Deletes a record unless it is reserved or in use; check and delete run in one transaction.
// `name` is matched as well for tables that delete by code and name.
Result remove(const Table& t, const QString& code, const QString& name = QString(),
              const QString& parent = QString());
// Sets columns of the record with this code (one transaction, with its audit row).
Result update(const Table& t, const QString& code, const Values& values);

// Items: the item window's fields, as typed.
struct Item {
    QString code, name, model, itemSpec;
    QString unit, unitName;
    QString big, bigName;
    QString small, smallName;
};
// Required fields in order, the duplicate code, then the insert.
Result addItem(const Item& item);
// Rewrites the item with this code (the name as typed, the rest trimmed); NotFound when no item
// has the code any more.
Result updateItem(const Item& item);
} // namespace Master
