// The screens the menu and toolbar open, by menu code.
#include "ui/screens.h"
#include "closing/GG10_Unit.h"
#include "documents/AA80_Unit.h"
#include "import/AA50_Unit.h"
#include "closing/GG20_Unit.h"
#include "closing/GG30_Unit.h"
#include "masterdata/BB10_Unit.h"
#include "masterdata/BB20_Unit.h"
#include "masterdata/BB30_Unit.h"
#include "masterdata/BB40_Unit.h"
#include "masterdata/BB50_Unit.h"
#include "masterdata/BB60_Unit.h"
#include "movements/CC10_Unit.h"
#include "movements/DD10_Unit.h"
#include "movements/CC20_Unit.h"
#include "movements/DD20_Unit.h"
#include "movements/CC30_Unit.h"
#include "queries/CC40_Unit.h"
#include "queries/EE10_Unit.h"
#include "queries/EE20_Unit.h"
#include "queries/EE50_Unit.h"
#include "levels/BB80_Unit.h"
#include "security/AA10_Unit.h"
#include "security/AA20_Unit.h"
#include "security/AA30_Unit.h"
#include "security/AA70_Unit.h"
#include "backup/AA60_Unit.h"
#include "stocktake/FF10_unit.h"
#include "stocktake/FF20_unit.h"
#include "stocktake/FF30_Unit.h"

#include <QDialog>

namespace {
template <class T> Screens::Factory make() {
    return [](QWidget* parent) -> QDialog* { return new T(parent); };
}
} // namespace

void Screens::registerAll() {
    add(QStringLiteral("AA10"), make<TAA10_form>());
    add(QStringLiteral("AA20"), make<TAA20_form>());
    add(QStringLiteral("AA50"), make<TAA50_form>());
    add(QStringLiteral("AA30"), make<TAA30_form>());
    add(QStringLiteral("AA60"), make<TAA60_form>());
    add(QStringLiteral("AA70"), make<TAA70_form>());
    add(QStringLiteral("AA80"), make<TAA80_form>());
    add(QStringLiteral("BB10"), make<TBB10_form>());
    add(QStringLiteral("BB20"), make<TBB20_form>());
    add(QStringLiteral("BB30"), make<TBB30_form>());
    add(QStringLiteral("BB40"), make<TBB40_form>());
    add(QStringLiteral("BB50"), make<TBB50_form>());
    add(QStringLiteral("BB60"), make<TBB60_form>());
    add(QStringLiteral("BB70"), make<TBB70_form>());
    add(QStringLiteral("BB80"), make<TBB80_form>());
    add(QStringLiteral("CC10"), make<TCC10_form>());
    add(QStringLiteral("DD10"), make<TDD10_form>());
    add(QStringLiteral("CC20"), make<TCC20_form>());
    add(QStringLiteral("DD20"), make<TDD20_form>());
    add(QStringLiteral("CC30"), make<CC30_form>());
    add(QStringLiteral("EE10"), make<TEE10_form>());
    add(QStringLiteral("CC40"), make<TCC40_form>());
    add(QStringLiteral("DD30"), make<TDD30_form>());
    add(QStringLiteral("EE20"), make<TEE20_form>());
    add(QStringLiteral("EE50"), make<TEE50_form>());
    add(QStringLiteral("GG10"), make<TGG10_form>());
    add(QStringLiteral("GG20"), make<TGG20_form>());
    add(QStringLiteral("GG30"), make<TGG30_form>());
    add(QStringLiteral("FF10"), make<FF10_form>());
    add(QStringLiteral("FF20"), make<FF20_form>());
    add(QStringLiteral("FF30"), make<FF30_form>());
}
