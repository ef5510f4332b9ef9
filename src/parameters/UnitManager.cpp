// Base units and display units of the units file; see UnitManager.h.
#include "parameters/UnitManager.h"

#include "parameters/DeviceUnit.h"
#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Arrays.h"

namespace vt {

TDisplayUnit::TDisplayUnit(const TSLNamedCollection& Record)
    : FName(Record.GetStrWithName(u"Name")),
      FOffset(Record.GetFloatWithName(u"Offset")),
      FScale(Record.GetFloatWithName(u"Scale")),
      FUnitSystem(Record.GetStrWithName(u"UnitSystem")) {}

double TDisplayUnit::BaseToSelf(double Value) const {
  return UnitQuotient(Value - FOffset, FScale, {ClassName(), "BaseToSelf", FName});
}

TBaseUnit::TBaseUnit(const TSLNamedCollection& Record)
    : FName(Record.GetStrWithName(u"Name")), FCaption(Record.GetStrWithName(u"Caption")) {
  const TSLArray* units = CheckedCast<TSLArray>(Record.GetObjWithName(u"DisplayUnits"));
  for (int i = 0; i < units->GetCount(); ++i)
    FDisplayUnits.emplace_back(*CheckedCast<TSLNamedCollection>(units->GetObjAtIndex(i)));
}

const TDisplayUnit& TBaseUnit::GetUnitAtIndex(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw Exception(Format("List index out of bounds (%d)", Index));
  return FDisplayUnits[static_cast<std::size_t>(Index)];
}

const TDisplayUnit* TBaseUnit::GetUnitWithName(std::u16string_view Name) const {
  for (const TDisplayUnit& unit : FDisplayUnits)
    if (SameTextWide(unit.Name(), Name)) return &unit;
  return nullptr;
}

void TUnitManager::Initialize(const AnsiString& FileName) {
  try {
    LoadBaseUnits(FileName);
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

void TUnitManager::LoadBaseUnits(const AnsiString& FileName) {
  auto object = TRef<TSLStorageObject>(TheStorageManager().GetObject(FileName));
  const TSLDictionary* dict = CheckedCast<TSLDictionary>(object->GetData());
  if (!dict->NameExists(u"BaseUnitsArr")) return;
  const TSLArray* baseUnits = CheckedCast<TSLArray>(dict->GetObjWithName(u"BaseUnitsArr"));
  for (int i = 0; i < baseUnits->GetCount(); ++i) {
    const TSLNamedCollection& record = *CheckedCast<TSLNamedCollection>(baseUnits->GetObjAtIndex(i));
    const WideString name = record.GetStrWithName(u"Name");
    if (!FBaseUnitsList.contains(name)) FBaseUnitsList.emplace(name, TBaseUnit(record));
  }
}

const TBaseUnit* TUnitManager::GetBaseUnitWithName(std::u16string_view Name) const {
  const auto it = FBaseUnitsList.find(Name);
  return it != FBaseUnitsList.end() ? &it->second : nullptr;
}

}  // namespace vt
