// The screens the menu and toolbar open, by menu code.
#include "app/screens.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "security/AA10_Unit.h"
#include "security/AA20_Unit.h"

#include <QDialog>

namespace {
template <class T> Screens::Factory make() {
    return [](QWidget* parent) -> QDialog* { return new T(parent); };
}
} // namespace

void Screens::registerAll() {
    add(QStringLiteral("AA10"), make<TAA10_form>());
    add(QStringLiteral("AA20"), make<TAA20_form>());
    add(QStringLiteral("CC10"), make<TCC10_form>());
    add(QStringLiteral("DD10"), make<TDD10_form>());
    add(QStringLiteral("EE10"), make<TEE10_form>());
    add(QStringLiteral("CC40"), make<TCC40_form>());
    add(QStringLiteral("DD30"), make<TDD30_form>());
}
