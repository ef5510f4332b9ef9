#include <gtest/gtest.h>

#include "TestUtil.h"
#include "runtime/ObjectRegistry.h"

using namespace vt;

namespace {

TEST(ObjectRegistry, RegistersNamesOnce) {
  TObjectRegistryManager reg;
  int storage = 0, debug = 0;
  reg.RegisterObject(&storage, "StorageManager", "StorageManager", 1, 0);
  reg.RegisterObject(&debug, "DebugManager", "DebugManager", 1, 0);
  EXPECT_EQ(reg.GetCount(), 2);
  EXPECT_EQ(reg.GetRegItem(1).ObjectName(), "DebugManager");
  EXPECT_TRUE(reg.ObjectExists("StorageManager"));
  EXPECT_FALSE(reg.ObjectExists("storagemanager"));
  EXPECT_EQ(reg.GetObject("DebugManager").Item(), &debug);
  EXPECT_THROW_MSG(reg.GetObject("debugmanager"),
                   "TObjectRegistryManager.GetObject: object with name 'debugmanager' not registered");
  EXPECT_THROW_MSG(reg.RegisterObject(&debug, "DebugManager", "X", 2, 0),
                   "TObjectRegistryManager:RegisterObject: object with name 'DebugManager' already registered");
  EXPECT_EQ(reg.GetCount(), 2);

  reg.GetObject("StorageManager").CheckVersion(1);
  EXPECT_THROW_MSG(reg.GetObject("StorageManager").CheckVersion(2),
                   "CheckVersion: requestet version (2) doesn't match available version (1) for object "
                   "'StorageManager' of type 'StorageManager'");
}

}  // namespace
