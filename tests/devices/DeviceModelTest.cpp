// See DeviceModelTest.h.
#include "DeviceModelTest.h"

#include "sl/values/Scalars.h"

using namespace vt;

TRef<TSLDictionary> TextDict(std::initializer_list<std::pair<const char16_t*, const char16_t*>> Items) {
  auto dict = MakeRef<TSLDictionary>();
  for (const auto& [name, text] : Items) dict->AddObject(name, new TSLString(false, text));
  return dict;
}
