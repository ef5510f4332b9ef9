// The motion curve, the drive data object that a curve service keeps; so far only what
// the drive data type registry needs of its class.
#pragma once

#include "platform/TextConversion.h"

namespace vt {

class TCurve {
 public:
  static AnsiString ObjectType() { return "CurveObject"; }
};

}  // namespace vt
