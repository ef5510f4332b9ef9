// Data items and the selection lists of data interfaces; see DataInterface.h.
#include "devices/DataInterface.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

void TDataItem::CreateDataDict() {
  FDataDict = MakeRef<TSLDictionary>();
  FDataDict->SetObjWithName(u"Info", MakeRef<TSLDictionary>().get());
}

TSLDictionary* TDataItem::GetInfoDict() const {
  if (!FDataDict) throw Exception("TDataItem.GetInfoDict: no data dictionary");
  return CheckedCast<TSLDictionary>(FDataDict->GetObjWithName(u"Info"));
}

bool TDataInterface::GetImpExpDataAt(int Index) const {
  return Index >= 0 && Index < ImpExpCount() && SameTextAnsi(FImpExpList[static_cast<std::size_t>(Index)], "TRUE");
}

void TDataInterface::SetImpExpDataAt(int Index, bool Value) {
  if (Index < 0 || Index >= ImpExpCount()) throw Exception(Format("List index out of bounds (%d)", Index));
  FImpExpList[static_cast<std::size_t>(Index)] = Value ? "TRUE" : "FALSE";
}

}  // namespace vt
