// The index check of the device model's lists, raising the list's own message.
#pragma once

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

// Raises "List index out of bounds (%d)" unless 0 <= Index < Count.
inline void CheckListIndex(int Index, int Count) {
  if (Index < 0 || Index >= Count) throw Exception(Format("List index out of bounds (%d)", Index));
}

}  // namespace vt
