// TScriptClass: a native class made callable from scripts. The storage manager
// registers it under a class name; executing that name creates an object and hands
// the script a dictionary of its methods. Methods reach the script only through the
// context facade.
#pragma once

#include <cstdint>

#include "platform/TextConversion.h"
#include "sl/interpreter/ContextInterface.h"

namespace vt {

class TScriptClass {
 public:
  virtual ~TScriptClass() = default;
  virtual std::int64_t CreateObject(TContextInterface* Context) = 0;
  virtual void DestroyObject(std::int64_t Handle) = 0;
  virtual void ExecuteMethod(std::int64_t Handle, std::int64_t MethodId, TContextInterface* Context) = 0;
  // The name of method Index; an empty name ends the list.
  virtual AnsiString GetMethodName(std::int32_t Index) = 0;
};

}  // namespace vt
