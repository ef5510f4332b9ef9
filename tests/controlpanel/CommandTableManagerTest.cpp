// The command table manager's record of one table entry: names in order with defaults.
#include "controlpanel/ControlPanelManagers.h"

#include "StorageFixture.h"

using namespace vt;

namespace {

class CommandTableManagerTest : public vt::test::StorageTest {};

TEST_F(CommandTableManagerTest, EntryRecordDefinitionHoldsTheDefaultsInOrder) {
  const TCommandTableManager manager;
  EXPECT_EQ(Text(manager.GetTableEntryRecDef()),
            Text(Sl("[D /EntryDefined #0 /EntryVersionID -1 /Name '' /MotionCmdMasterID -1 /MotionCmdSubID -1 "
                    "/MotionCmdParArray [A ] /NextSeqCmdID -1 ]")));
}

}  // namespace
