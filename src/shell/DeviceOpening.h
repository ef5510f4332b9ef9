// The checks of opening a device that need no window: the next free device name, the
// user's level against an offline configuration, the configuration's format version and
// a firmware script's version and blocks. Each failing check raises with the text the
// user is shown.
#pragma once

#include <cstdint>

#include "platform/TextConversion.h"

namespace vt {

class TDeviceManager;
class TSLDictionary;
class TSLObject;

// "BOX" followed by the smallest n ≥ 1 that names no device of Manager.
AnsiString FirstFreeDeviceName(const TDeviceManager& Manager);

// UserName in any letter case against the configuration's "Info": DEVELOPER by the
// password's digest, GUEST with any password, USER against "L1PW", SERVICE against
// "L2PW" (an absent entry is an empty password). Raises "Unknown login ID!" or
// "Wrong password!".
void CheckOfflineLogin(const TSLDictionary& Info, const AnsiString& UserName, const AnsiString& Password);

// Passes a configuration of the format version this program opens; raises the old, the
// unknown or (when "FirmwareRelease" names the newer software) the update text.
void CheckConfigurationVersion(const TSLDictionary& Info, const AnsiString& ProgramName, const AnsiString& HomePage);

// A firmware script's "FirmwareScriptVer" (at most MaxVersion) and its block "Init",
// which it returns; raises the old or unknown script version text or "Wrong file type!".
TSLObject& CheckFirmwareScript(const TSLDictionary& Script, std::int64_t MaxVersion);

}  // namespace vt
