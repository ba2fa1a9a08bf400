#pragma once
// Barcodes of the item variants (item × attribute × size × grade): the check digits of the
// retail codes, what a typed code is, the resolver a scan goes through, the codes of an item
// with their add, change and delete, the in-store EAN-13 codes made from the counter
// "barcode_no", and the labels of a bill's pieces.
#include "movements/line_check.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace Barcodes {

enum class Kind { EAN13, EAN8, UPCA, CODE128 };
QString kindName(Kind k); // as stored in barcode_kind: "EAN13", "EAN8", "UPCA", "CODE128"
Kind kindFromName(const QString& name);

// The GS1 check digit (0..9) of the digits before it; -1 when `body` holds anything else.
int checkDigit(const QString& body);
// Digits of length 8, 12 or 13: EAN-8, UPC-A, EAN-13; other printable ASCII up to 48
// characters: CODE128. `message` says why a code is refused (empty when it is accepted).
struct Checked {
    Kind kind = Kind::CODE128;
    QString message;
    bool ok() const { return message.isEmpty(); }
};
Checked check(const QString& code);
inline const QString CheckDigitMessage = QStringLiteral("条码校验位错误");
inline constexpr int MaxLength = 48;

// One stock variant of an item.
struct Key {
    QString item, attr, size, stage;
};

// What a scanned code stands for: the variant with its names, as an item pick fills the fields.
struct Variant {
    QString barcode;
    Kind kind = Kind::CODE128;
    StagedItem item;
    Key key() const { return {item.itemCode, item.attrCode, item.sizeCode, item.stageCode}; }
};
// The variant of a code (letter case kept): one indexed statement. Nothing for an unknown code.
std::optional<Variant> resolve(const QString& code);

// The ID of the warehouse's balance row of a variant; nothing when it has none.
std::optional<qlonglong> balanceRow(const QString& warehouse, const Key& key);
inline const QString NoStockMessage = QStringLiteral("该仓库没有此条码的库存");

// "条码已被 {item} {colour} {size} 使用" when a code is taken; empty when it is free.
QString takenMessage(const QString& code);
// Adds a code to a variant after the checks; the refusal, or empty when written.
QString add(const QString& code, const Key& key);
// Replaces a code by another of the same variant; the refusal, or empty when written.
QString change(const QString& oldCode, const QString& newCode);
// Deletes a code; false when no row held it (any more).
bool remove(const QString& code);

// The variants of an item with their codes (one row per code, a variant without one as a row
// with an empty code): those the item has balances, history or codes in; with `all` every
// attribute × size × grade. Columns attr_code, attr_name, size_code, size_name, stage_code,
// stage_name, barcode, barcode_kind.
struct Statement {
    QString sql;
    QVariantList params;
};
Statement variantsOf(const QString& item, bool all);
// Gives every variant of the item (as variantsOf lists them) that has no code an in-store
// EAN-13: "2", the running number of the counter "barcode_no" in 11 digits, the check digit.
// All in one transaction with the counter; the number of codes made.
int generate(const QString& item, bool all);
// The in-store EAN-13 of a running number.
QString inStoreCode(qlonglong number);

// ---- Labels ----------------------------------------------------------------------------
struct Label {
    QString barcode;
    Kind kind = Kind::CODE128;
    QString itemCode, itemName, colour, size, grade;
};
// A variant and how many labels of it.
struct Wanted {
    Key key;
    double pieces = 0; // rounded up; nothing for 0 or less
    QString barcode;   // this code; empty: the variant's first code
};
// The labels in the order asked; `missing` receives the variants without any code.
QList<Label> labels(const QList<Wanted>& wanted, QList<Key>* missing = nullptr);

// ---- The user's choice "扫描即确定" -------------------------------------------------------
// Read once per user and database and kept (each entry screen shows it when it opens), kept
// anew when saved here.
bool scanCommit(const QString& user);
void saveScanCommit(const QString& user, bool on);

} // namespace Barcodes
