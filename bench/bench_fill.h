#pragma once
// The bench's large database, filled by set-based SQL of its own for either engine (recursive
// numbers on the file, generate_series on the server), and the minimal SQL of a posting.
#include <QString>

namespace BenchFill {
// "WITH c(i) AS (...) ": the numbers 0 .. n-1, n bound as the statement's first value.
QString series();
// The integer expression written with leading zeros to `width` digits.
QString pad(const QString& expr, int width);

constexpr int Items = 20000;

// 20,000 items I00000.., attributes A1..A8, sizes Z1..Z6, grades G1..G3, warehouses W01..W10;
// `balances` balance rows (up to 2,880,000 keys per warehouse), half of them in W01, the rest
// spread over W02..W10; `history` movement rows over the year 2026 in all ten warehouses. The
// tables' indexes are made again after their rows are in. Then the planner's statistics.
void build(int history, int balances);
// 10,000 lines of user "abc" on 2,000 stock keys, 5 lines of quantity 2 each: 1,000 keys of W01
// and 1,000 keys of warehouse `other`; stock-out lines (type out1, customer C1) with `out`.
void stage10k(const QString& other, bool out = false);
// The same work as posting the staged stock-in lines, in the fewest statements: the lines into
// the history, their sums onto existing balances and as new balance rows, the lines deleted.
void postFloor();
} // namespace BenchFill

// A database of the bench's own on the server, made and dropped through the maintenance database
// the address names (a database cannot be made or dropped by a connection that uses it). Kept
// when BENCH_KEEP is set. Given a name, the database of that name: made when absent, used again
// when present (built() tells), and kept.
class ServerDatabase {
public:
    explicit ServerDatabase(const QString& server, const QString& name = {});
    ~ServerDatabase();
    QString location() const { return m_location; }
    bool built() const { return m_built; }

private:
    // Runs a statement on the maintenance database; true when it returned a row.
    bool maintenance(const QString& statement) const;
    QString m_server;
    QString m_name;
    QString m_location;
    bool m_kept = false;
    bool m_built = false;
};
