#include "data/session.h"

namespace {
std::function<QString()>& source() {
    static std::function<QString()> s;
    return s;
}
} // namespace

namespace Session {
void setUserCodeSource(std::function<QString()> s) { source() = std::move(s); }
void setUserCode(const QString& code) {
    source() = [code] { return code; };
}
QString userCode() { return source() ? source()() : QString(); }
} // namespace Session
