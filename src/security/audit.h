#pragma once
// The audit trail kesp_audit_log: who changed what, when, from which computer, with the values
// before and after as JSON text. record() joins the caller's transaction, so the row commits and
// rolls back with the change it describes. Nothing in the program edits or deletes a row.
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace Audit {
struct Entry {
    QString command;   // menu code of the action (CC10 ...) or what it is (LOGIN, LOGIN_FAILED)
    QString table;     // table changed, may be empty
    QString key;       // key of the row changed
    QString before;    // JSON text, empty when there was none
    QString after;     // JSON text, empty when there is none
    QString billNo;    // bill number, when the change belongs to a bill
    QString account;   // empty: the logged-in user
};
// Writes the row in its own transaction or, when one is open, in the caller's.
void record(const Entry& e);
// Writes the row with the caller's transaction's next statement or its COMMIT (one round trip
// less on a server; at once on the file): its failure fails that statement and the transaction.
void recordLater(const Entry& e);

// The rows of a select as JSON text: one object per row (column: value), an array when several;
// empty when none.
QString rowsJson(const QString& sql, const QVariantList& params = {});
QString json(const QJsonObject& o);

// The trail's filter (empty values add nothing; times as yyyy/MM/dd HH:mm:ss, bounds included).
struct Filter {
    QString from, to, account, command, table, billNo;
};
struct Statement {
    QString sql;
    QVariantList params;
};
Statement query(const Filter& f);
// The computer's name written with each row.
QString computerName();
} // namespace Audit
