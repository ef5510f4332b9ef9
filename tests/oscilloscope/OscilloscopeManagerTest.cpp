// The oscilloscope manager takes its default recording settings from the user's settings.
#include "oscilloscope/OscilloscopeManager.h"

#include "StorageFixture.h"

using namespace vt;

namespace {

class OsciManagerTest : public vt::test::StorageTest {};

TEST_F(OsciManagerTest, DefaultSettingsAreACopyOfTheUsersOnes) {
  TOsciManager manager;
  manager.FDefaultSettingsModifiedByUser = true;
  manager.Initialize(nullptr);
  EXPECT_FALSE(manager.FActiveSettings);
  EXPECT_FALSE(manager.FDefaultSettingsModifiedByUser);

  const TRef<TSLDictionary> without(CheckedCast<TSLDictionary>(Sl("[D /Other [D ] ]")));
  manager.Initialize(without.get());
  EXPECT_FALSE(manager.FActiveSettings);

  const TRef<TSLDictionary> with(CheckedCast<TSLDictionary>(Sl("[D /DefaultSettings [D /Comment 'c' ] ]")));
  manager.FDefaultSettingsModifiedByUser = true;
  manager.Initialize(with.get());
  ASSERT_TRUE(manager.FActiveSettings);
  EXPECT_FALSE(manager.FDefaultSettingsModifiedByUser);
  // A copy: changing the user's settings later leaves the defaults alone.
  CheckedCast<TSLDictionary>(with->GetObjWithName(u"DefaultSettings"))->SetStrWithName(u"Comment", u"changed");
  EXPECT_EQ(Text(manager.FActiveSettings.get()), Text(Sl("[D /Comment 'c' ]")));
}

}  // namespace
