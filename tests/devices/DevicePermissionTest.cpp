// The user's permission from the device's user name, the services' read and write rights
// against it, and batched reads from the talk service's versions.
#include <gtest/gtest.h>

#include "DeviceModelTest.h"
#include "runtime/ApplicationState.h"

using namespace vt;

namespace {

using DevicePermission = DeviceTest;

TEST_F(DevicePermission, UserLevels) {
  TDevice* box = DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
  auto* service = static_cast<TFixtureService*>(
      box->CreateService("Fixture", TextDict({{u"Name", u"FixtureService"}}).get()));
  const struct {
    const char16_t* user;
    int level;
  } users[] = {{u"GUEST", 1}, {u"USER", 3}, {u"service", 7}, {u"Developer", 15}, {u"", 0}, {u"ADMIN", 0}};
  for (const auto& u : users) {
    box->SetStrVar(u"UserName", u.user);
    EXPECT_EQ(box->GetUserPermission(), u.level) << WideToUtf8(u.user);
  }
  // No user: nothing may be read or written with the minimum 1.
  box->SetStrVar(u"UserName", u"");
  EXPECT_FALSE(service->GetHasReadPermission());
  EXPECT_FALSE(service->GetHasWritePermission());
  box->SetStrVar(u"UserName", u"SERVICE");
  for (int read : {1, 3, 7}) {
    service->SetMinPermissions(read, 15);
    EXPECT_TRUE(service->GetHasReadPermission()) << read;
    EXPECT_FALSE(service->GetHasWritePermission());
  }
}

TEST_F(DevicePermission, BatchedReadsFollowTheTalkService) {
  TDevice* box = NewDevice({{"TalkService"}});
  auto* talk = Scripted(box, "TalkService");
  const struct {
    std::uint8_t protocol, commandSet;
    bool variables, parameters;
  } cases[] = {{0x50, 1, true, true},   {0x50, 0, false, false}, {0x80, 1, true, false}, {0xA0, 2, true, true},
               {0x31, 1, true, false},  {0x20, 5, false, false}, {0x81, 2, false, false}};
  for (const auto& c : cases) {
    talk->Protocol = c.protocol;
    talk->CommandSet = c.commandSet;
    box->SetMultValueEnable();
    EXPECT_EQ(box->MultVarValueEnable(), c.variables) << int(c.protocol) << "/" << int(c.commandSet);
    EXPECT_EQ(box->MultParValueEnable(), c.parameters) << int(c.protocol) << "/" << int(c.commandSet);
  }
  ApplicationState().MultiReadActive = false;  // the user's option is off
  talk->Protocol = 0x50;
  box->SetMultValueEnable();
  EXPECT_FALSE(box->MultVarValueEnable());
  EXPECT_FALSE(box->MultParValueEnable());

  TDevice* bare = DeviceManager()->CreateDevice("BOX9", "VorlixOnline");
  EXPECT_THROW(bare->SetMultValueEnable(), Exception);
}

}  // namespace
