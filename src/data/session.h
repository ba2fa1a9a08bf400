#pragma once
// The logged-in user code: the text of the login window's user code field, read untrimmed.
#include <QString>
#include <functional>

namespace Session {
void setUserCodeSource(std::function<QString()> source);
void setUserCode(const QString& code); // a fixed code (start-up tools and tests)
QString userCode();
} // namespace Session
