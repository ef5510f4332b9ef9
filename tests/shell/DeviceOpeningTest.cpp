// The checks of opening a device: the next device name, the user's level against an
// offline configuration, the configuration's format version and the firmware script of
// both create-offline paths.
#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "TestUtil.h"
#include "devices/DeviceManager.h"
#include "runtime/MD5Digests.h"
#include "shell/DeviceOpening.h"
#include "shell/ShellLimits.h"
#include "sl/values/Dictionary.h"

using namespace vt;

namespace {

class DeviceOpening : public ShellTest {
 protected:
  TRef<TSLDictionary> Dict(const std::string& Text) { return TRef<TSLDictionary>(CheckedCast<TSLDictionary>(Sl(Text))); }
  // The message of what Check raised; empty when it passed.
  template <class F>
  static std::string Raised(F Check) {
    try {
      Check();
    } catch (const Exception& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(DeviceOpening, NextNameSkipsEveryNameInUse) {
  const auto profiles = Dict("[D /Profiles [D /VorlixOnline [D /DeviceType 'Online' ] ] ]");
  CreateDeviceManager(profiles.get());
  EXPECT_EQ(FirstFreeDeviceName(*DeviceManager()), "BOX1");
  TDevice* first = DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
  DeviceManager()->CreateDevice("BOX3", "VorlixOnline");
  EXPECT_EQ(FirstFreeDeviceName(*DeviceManager()), "BOX2");
  DeviceManager()->CreateDevice("BOX2", "VorlixOnline");
  EXPECT_EQ(FirstFreeDeviceName(*DeviceManager()), "BOX4");
  DeviceManager()->DestroyDevice(first);
  EXPECT_EQ(FirstFreeDeviceName(*DeviceManager()), "BOX1");
  FreeDeviceManager();
}

TEST_F(DeviceOpening, LevelChecksAgainstTheConfiguration) {
  pswDeveloper = MD5Value("dev-secret");
  const auto withPasswords = Dict("[D /Version 3 /L1PW 'one' /L2PW 'two' ]");
  const auto without = Dict("[D /Version 3 ]");
  const struct {
    const TSLDictionary* info;
    const char *user, *password, *error;
  } cases[] = {
      {withPasswords.get(), "GUEST", "anything", ""},
      {withPasswords.get(), "USER", "one", ""},
      {withPasswords.get(), "USER", "", "Wrong password!"},
      {without.get(), "USER", "", ""},
      {without.get(), "USER", "one", "Wrong password!"},
      {withPasswords.get(), "service", "two", ""},  // upper-cased
      {withPasswords.get(), "SERVICE", "one", "Wrong password!"},
      {without.get(), "SERVICE", "", ""},
      {without.get(), "DEVELOPER", "dev-secret", ""},
      {without.get(), "DEVELOPER", "", "Wrong password!"},
      {withPasswords.get(), "ADMIN", "one", "Unknown login ID!"},
      {withPasswords.get(), "", "", "Unknown login ID!"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Raised([&] { CheckOfflineLogin(*c.info, c.user, c.password); }), c.error)
        << c.user << " / " << c.password;
}

TEST_F(DeviceOpening, ConfigurationFormatVersions) {
  const struct {
    const char *info, *error;
  } cases[] = {
      {"[D /Version 3 /FirmwareRelease '6.5' ]", ""},
      {"[D /Version 2 ]", "Login aborted!\r Old configuration format version! This configuration cannot be opened!"},
      {"[D ]", "Login aborted!\r Old configuration format version! This configuration cannot be opened!"},
      {"[D /Version 4 ]",
       "Login aborted!\r Unknown configuration format version! This configuration cannot be opened!"},
      {"[D /Version 4 /FirmwareRelease '6.5' ]",
       "Login aborted!\rThis configuration was set up with the software version: 6.5 and cannot be opened.\r"
       "Please update Vorlix-Talk available from https://vorlix.example."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Raised([&] { CheckConfigurationVersion(*Dict(c.info), "Vorlix-Talk", "https://vorlix.example"); }),
              c.error)
        << c.info;
}

TEST_F(DeviceOpening, FirmwareScriptsOfBothCreateOfflinePaths) {
  const char* const unknown = "Unknown firmware script version! Create offline function disabled!";
  const char* const old = "Old firmware script version! Create offline function disabled!";
  const struct {
    const char* script;
    const char *installed, *chosen;  // the errors of the installed script's path and the chosen one's
  } cases[] = {
      {"[D /FirmwareScriptVer 4 /Init [D ] ]", "", ""},
      {"[D /FirmwareScriptVer 5 /Init [D ] ]", "", unknown},
      {"[D /FirmwareScriptVer 6 /Init [D ] ]", unknown, unknown},
      {"[D /Init [D ] ]", old, old},
      {"[D /FirmwareScriptVer 4 ]", "Wrong file type!", "Wrong file type!"},
  };
  for (const auto& c : cases) {
    const auto script = Dict(c.script);
    EXPECT_EQ(Raised([&] { CheckFirmwareScript(*script, FirmwareScriptVersion); }), c.installed) << c.script;
    EXPECT_EQ(Raised([&] { CheckFirmwareScript(*script, OldReleaseScriptVersion); }), c.chosen) << c.script;
  }
  const auto script = Dict("[D /FirmwareScriptVer 5 /Init [D /Release 'R' ] ]");
  EXPECT_EQ(Text(&CheckFirmwareScript(*script, FirmwareScriptVersion)), Text(script->FindObjectAnsi("Init")));
}

}  // namespace
