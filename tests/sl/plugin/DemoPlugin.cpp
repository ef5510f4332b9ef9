// A script-class plug-in library as a third party would write it: plain C exports over
// the context facade's function table. Class 0 "Demo" scales by 2, class 1 "Other" by 3.
#include <cstdint>

#include "sl/interpreter/ContextInterface.h"

using vt::TContextInterface;

namespace {
std::int64_t LastHandle = 0;
}

extern "C" {

const char* GetClassName(std::int32_t Index) { return Index == 0 ? "Demo" : Index == 1 ? "Other" : ""; }

std::int64_t CreateObject(std::int32_t, TContextInterface*) { return ++LastHandle; }

void DestroyObject(std::int32_t, std::int64_t) {}

void ExecuteMethod(std::int32_t ClassIndex, std::int64_t Handle, std::int64_t MethodId, TContextInterface* Context) {
  if (MethodId == 1) {  // handle: -> the object's handle
    Context->PushLongint(Context, Handle);
    return;
  }
  std::int64_t value = 0;
  if (Context->PopLongint(Context, &value) != 0) {
    const char* text = "scale needs an integer";
    Context->RaiseStandardException(Context, text, 22);
    return;
  }
  Context->PushLongint(Context, value * (ClassIndex + 2));
}

const char* GetMethodName(std::int32_t, std::int32_t Index) { return Index == 0 ? "scale" : Index == 1 ? "handle" : ""; }
}
