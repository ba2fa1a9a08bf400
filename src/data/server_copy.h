#pragma once
// Moving a site onto the database server: the rows of a database file copied into an empty
// server database in one server transaction, and checked there before it commits.
#include <QList>
#include <QString>
#include <functional>

namespace ServerCopy {

// One figure compared on both sides: a row count, or a quantity sum in thousandths.
struct Figure {
    QString what;
    qint64 source = 0;
    qint64 target = 0;
    bool quantity = false;
    bool equal() const { return source == target; }
};

struct Result {
    QList<Figure> figures; // every figure compared, in the order they were taken
    QString error;         // empty when the copy was verified and committed
    bool ok() const { return error.isEmpty(); }
};

// Copies every table of the database file `sourceFile` (opened read-only on a connection of its
// own, read in one read transaction) into the empty server database at `target`: the schema is
// made there, the rows are inserted in batches keeping their key values, the key counters move
// past them, and row counts of every table, every quantity sum and the balances per warehouse are
// compared on both sides. Any failure or difference rolls everything back: the server database
// stays empty. A target that is not empty is refused untouched. `log` hears each copied table.
// The shared connection is closed afterwards.
Result copy(const QString& sourceFile, const QString& target,
            const std::function<void(const QString&)>& log = {});

// Every identity column of the server's current schema continues after its highest key, and after
// `handedOut(table)`, the last key an earlier store of the rows gave (0: none), where given.
void moveCountersOn(const std::function<qint64(const QString& table)>& handedOut = {});

// "what: source = target" with quantities written with their 3 decimals.
QString describe(const Figure& f);
// A quantity held in thousandths, written with 3 decimals ("-12.345").
QString thousandths(qint64 v);

} // namespace ServerCopy
