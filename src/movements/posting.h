#pragma once
// The posting procedure: moves the user's staged lines of one kind into the movement history
// and the stock balances, in one transaction and a fixed number of set-based statements.
#include "data/sql.h"
#include "movements/line_check.h"
#include "movements/staging.h"

#include <functional>
#include <optional>

namespace Posting {
// Movement sign applied to the grouped quantities.
int sign(LineKind kind);
QString successMessage(LineKind kind);
// A stock key a bill would take below zero in a warehouse that forbids negative stock.
struct ShortKey {
    QString warehouse, warehouseName, itemCode, itemName, attrName, sizeName, stageName;
    double onHand = 0;  // the balance before the bill
    double wanted = 0;  // what the bill takes out of the key
    double shortBy = 0; // wanted - onHand
};
// A posting refused by the negative-stock guard: nothing of the bill was posted.
class Shortage : public DbError {
public:
    explicit Shortage(QList<ShortKey> keys) : DbError(Message), m_keys(std::move(keys)) {}
    const QList<ShortKey>& keys() const { return m_keys; }
    static inline const QString Message = QStringLiteral("库存不足，单据未过帐。");

private:
    QList<ShortKey> m_keys;
};
// Posts; returns the number of staged lines posted. Throws DbError and changes nothing on failure;
// throws Shortage when a warehouse that forbids negative stock would go below zero in any key.
int post(LineKind kind);

// True when the warehouse refuses postings that would take a stock key below zero.
bool forbidsNegative(const QString& warehouse);
// Before a line is staged: what the key holds and what the user's staged lines of the kind
// already take from it, when `change` (the line's signed effect on the balance) would take it
// below zero in a warehouse that forbids that; nothing otherwise.
struct Shortfall {
    double onHand = 0;
    double staged = 0; // signed effect of the lines staged so far
};
std::optional<Shortfall> shortfall(LineKind kind, const QString& warehouse, const StagedItem& key, double change);
QString shortfallQuestion(const Shortfall& s, double change);
// Called after each statement of a posting with its step number (failure injection in tests);
// step 0 once the rights are checked and the trail's rows made (written with the COMMIT).
extern std::function<void(int step)> afterStatement;
} // namespace Posting
