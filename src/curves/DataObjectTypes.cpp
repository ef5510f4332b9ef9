// The drive data type registry; see DataObjectTypes.h.
#include "curves/DataObjectTypes.h"

#include <algorithm>

#include "platform/Exceptions.h"

namespace vt {

std::unique_ptr<TVxDataTypeList> VxDataTypeList;
std::unique_ptr<TObjCntManager> ObjCntManager;

void TVxDataTypeList::RegisterVxDataTypeClass(TVxDataTypeClass AClass) {
  if (std::find(List.begin(), List.end(), AClass) != List.end()) throw Exception("VxDataType already registered");
  List.push_back(AClass);
}

TVxDataTypeClass TVxDataTypeList::GetVxDataTypeClass(const AnsiString& TypeName) const {
  for (TVxDataTypeClass c : List)
    if (c->ObjectType() == TypeName) return c;
  return nullptr;
}

}  // namespace vt
