#pragma once
// The posting procedure: moves the user's staged lines of one kind into the movement history
// and the stock balances, in one transaction and a fixed number of set-based statements.
#include "movements/staging.h"

#include <functional>

namespace Posting {
// Movement sign applied to the grouped quantities.
int sign(LineKind kind);
QString successMessage(LineKind kind);
// Posts; returns the number of staged lines posted. Throws DbError and changes nothing on failure.
int post(LineKind kind);
// Called after each statement of a posting with its step number (failure injection in tests);
// step 0 once the rights are checked and the trail's rows written.
extern std::function<void(int step)> afterStatement;
} // namespace Posting
