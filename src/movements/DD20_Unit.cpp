#include "movements/DD20_Unit.h"

TDD20_form::TDD20_form(QWidget* parent) : ReversalForm(parent, LineKind::OutReversal) {}
