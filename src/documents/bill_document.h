#pragma once
// The printed document of one bill, built from its rows: the heading, one size × colour block per
// item and grade, the totals and the amount in Chinese capitals. The printer only paints it.
#include "movements/staging.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace Documents {

enum class Kind { StockIn, StockOut, InReversal, OutReversal, Transfer, CountAdjustment };

// The company heading every computer prints, kept in kesp_system_data.
struct Letterhead {
    QString company, address, phone;
};
Letterhead letterhead();
// Writes the three values in one transaction; throws DbError.
void saveLetterhead(const Letterhead& h);

// One item and grade: a row per colour, a column per size that occurs in the item's lines.
struct Block {
    QString itemCode, itemName, itemModel, stageName;
    QStringList colours, sizes;             // names as the lines carry them (codes when no name)
    QVector<QVector<std::optional<double>>> cells; // quantities [colour][size]; empty where no line
    QVector<double> rowQty, rowAmount;      // per colour
    QVector<std::optional<double>> rowPrice; // per colour: the price when all its lines share it
    QVector<double> columnQty;              // per size
    double qty = 0, amount = 0;
};

struct Document {
    Kind kind = Kind::StockIn;
    QString title;       // 入库单, 出库单, ...
    Letterhead heading;
    QString billNo, date, operation, clerk;
    QString warehouse, otherWarehouse; // "代码 名称"; a transfer: receiving (转入), issuing (转出)
    QString partnerCaption, partner;   // 供应商 / 客户 and "代码 名称"; empty for kinds without one
    bool draft = false;                // staged lines, not posted
    bool priced = true;                // price and amount columns
    bool red = false;                  // quantities printed in red
    QList<Block> blocks;
    double qty = 0, amount = 0;
    QString amountInWords;
    QStringList signatures; // "制单：abc", "审核：", ...
    bool empty() const { return blocks.isEmpty(); }
};

// What happens after a successful posting, chosen per user in the letterhead window.
enum class AfterPost { Ask, Always, Never };
AfterPost afterPost(const QString& user);
void saveAfterPost(const QString& user, AfterPost choice);

// A posted line's row as a record query lists it: which bill and kind it belongs to.
struct PostedRow {
    QString orderNo, billNo, warehouse, operationCode, ioFlag, redFlag;
    QString procureDate, operationDate, operationTime; // a count adjustment is told by these
};
Kind kindOf(const PostedRow& row);
// The posted bill that holds the row: every posted line of its kind, warehouse and number (a
// transfer: both warehouses; a count adjustment: the same adjustment). Throws DbError.
Document posted(const PostedRow& row);
// The user's staged lines of an entry screen's kind, marked as a draft. Throws DbError.
Document draft(LineKind kind);
// The row by which the bill of the user's first staged line of the kind is found once posted
// (empty when nothing is staged). Throws DbError.
PostedRow stagedBill(LineKind kind);

// An amount in Chinese capital numerals: 0 → 零元整, 100010.5 → 壹拾万零壹拾元伍角.
QString capitalAmount(double amount);

} // namespace Documents
