// Files a started device into the project tree: drives that report the same module
// identity (UPIDs 6338 to 6340) are grouped under one entry "Module: …" that names each
// axis (UPID 1000); any other device is a top-level entry. GUI thread only, inside the
// model tree's update bracket.
#pragma once

#include "platform/TextConversion.h"

namespace vt {

class TDevice;
class TModelManager;

// The identity caption "Module: " + 6338 + "." + 6339 in base 35 + "." + 6340 in three
// digits, or empty when the device has no parameter service or its identity does not
// group it (a first part of 0 or 65535, a part missing).
AnsiString ModuleIdentityCaption(TDevice& Device);

// Sets the device's ModuleFlag and adds its node below its module's entry (made when
// none exists yet) when ModulFunction is on and the device has an identity; else, and
// after any failure, below the root.
void ModulCheck(TDevice& Device, TModelManager& Model, bool ModulFunction);

}  // namespace vt
