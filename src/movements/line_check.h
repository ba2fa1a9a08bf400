#pragma once
// What the core functions of the entry screens take and answer: the item part of a staged line,
// the first refusal of a line's checks, and the statements of the lists they offer.
#include "movements/staging.h"

#include <QString>
#include <QVariantList>

// A plain notice, or a conversion error shown in the general error box. Empty when the line passes.
struct Refusal {
    QString message;
    bool conversion = false;
    QString field; // object name of the screen's field the refusal is about (focused); may be empty
    bool refused() const { return !message.isEmpty(); }
};

struct ListQuery {
    QString sql;
    QVariantList params;
};

// The item part of a staged line: item, categories, attribute, size and grade, codes and names.
struct StagedItem {
    QString itemCode, itemName, itemModel, itemSpec;
    QString bigCode, bigName, smallCode, smallName;
    QString attrCode, attrName, sizeCode, sizeName, stageCode, stageName;

    Staging::Values columns() const {
        return {{"item_code", itemCode},      {"item_name", itemName},      {"item_model", itemModel},
                {"item_spec", itemSpec},      {"arrage_code_b", bigCode},   {"arrage_name_b", bigName},
                {"arrage_code_s", smallCode}, {"arrage_name_s", smallName}, {"attr_code", attrCode},
                {"attr_name", attrName},      {"size_code", sizeCode},      {"size_name", sizeName},
                {"stage_code", stageCode},    {"stage_name", stageName}};
    }
};
