#pragma once
// What the core functions of the entry screens answer: the first refusal of a line's checks,
// and the statements of the lists they offer.
#include <QString>
#include <QVariantList>

// A plain notice, or a conversion error shown in the general error box. Empty when the line passes.
struct Refusal {
    QString message;
    bool conversion = false;
    bool refused() const { return !message.isEmpty(); }
};

struct ListQuery {
    QString sql;
    QVariantList params;
};
