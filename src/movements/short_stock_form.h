#pragma once
// The keys a refused posting would have taken below zero, one row each: warehouse, item, colour,
// size, grade, on hand, wanted and short. Nothing of the bill was posted.
#include "movements/posting.h"

#include <QDialog>

class DataGrid;

class ShortStock_form : public QDialog {
    Q_OBJECT
public:
    ShortStock_form(QWidget* parent, const QList<Posting::ShortKey>& keys);
    DataGrid* DBGrid1;
};
