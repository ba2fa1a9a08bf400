#include "movements/CC20_Unit.h"

TCC20_form::TCC20_form(QWidget* parent) : ReversalForm(parent, LineKind::InReversal) {}
