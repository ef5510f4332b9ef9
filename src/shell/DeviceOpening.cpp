// The checks of opening a device; see DeviceOpening.h.
#include "shell/DeviceOpening.h"

#include "devices/DeviceManager.h"
#include "platform/Exceptions.h"
#include "runtime/MD5Digests.h"
#include "shell/ShellLimits.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// A text entry of Dict; empty when absent or not a text.
AnsiString TextEntry(const TSLDictionary& Dict, const char* Name) {
  const auto* text = dynamic_cast<const TSLString*>(Dict.FindObjectAnsi(Name));
  return text ? WideToAnsi(text->StringValue()) : AnsiString();
}

void CheckPassword(const AnsiString& Password, const AnsiString& Expected) {
  if (Password != Expected) throw Exception("Wrong password!");
}

}  // namespace

AnsiString FirstFreeDeviceName(const TDeviceManager& Manager) {
  for (int n = 1;; ++n)
    if (AnsiString name = "BOX" + std::to_string(n); !Manager.DeviceExists(name)) return name;
}

void CheckOfflineLogin(const TSLDictionary& Info, const AnsiString& UserName, const AnsiString& Password) {
  const AnsiString level = UpperCaseAnsi(UserName);
  if (level == "DEVELOPER") {
    if (!CompareMD5(MD5Value(Password), pswDeveloper)) throw Exception("Wrong password!");
  } else if (level == "USER") {
    CheckPassword(Password, TextEntry(Info, "L1PW"));
  } else if (level == "SERVICE") {
    CheckPassword(Password, TextEntry(Info, "L2PW"));
  } else if (level != "GUEST") {
    throw Exception("Unknown login ID!");
  }
}

void CheckConfigurationVersion(const TSLDictionary& Info, const AnsiString& ProgramName, const AnsiString& HomePage) {
  const auto* number = dynamic_cast<const TSLLongint*>(Info.FindObjectAnsi("Version"));
  const std::int64_t version = number ? number->GetLongintValue() : 0;
  if (version == ConfigurationFormatVersion) return;
  if (version < ConfigurationFormatVersion)
    throw Exception("Login aborted!\r Old configuration format version! This configuration cannot be opened!");
  const AnsiString release = TextEntry(Info, "FirmwareRelease");
  if (release.empty())
    throw Exception("Login aborted!\r Unknown configuration format version! This configuration cannot be opened!");
  throw Exception("Login aborted!\rThis configuration was set up with the software version: " + release +
                  " and cannot be opened.\rPlease update " + ProgramName + " available from " + HomePage + ".");
}

TSLObject& CheckFirmwareScript(const TSLDictionary& Script, std::int64_t MaxVersion) {
  const auto* version = dynamic_cast<const TSLLongint*>(Script.FindObjectAnsi("FirmwareScriptVer"));
  if (!version) throw Exception("Old firmware script version! Create offline function disabled!");
  if (version->GetLongintValue() > MaxVersion)
    throw Exception("Unknown firmware script version! Create offline function disabled!");
  TSLObject* init = Script.FindObjectAnsi("Init");
  if (!init) throw Exception("Wrong file type!");
  return *init;
}

}  // namespace vt
