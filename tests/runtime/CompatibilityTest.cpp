#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "TestUtil.h"
#include "runtime/Compatibility.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

TEST(Permissions, MasksOfUserLevels) {
  struct Case {
    const char* level;
    int mask;
  };
  const Case cases[] = {{"DEVELOPER", 48}, {"service", 12}, {"User", 3}, {"GUEST", 64}, {"", 64}, {"admin", 64}};
  for (const auto& c : cases) EXPECT_EQ(GetPermissionInt(c.level), c.mask) << c.level;
}

TEST(TreeNames, Compatibility) {
  struct Case {
    const char* config;
    const char* drive;
    int permission;
    bool force;
    bool compatible;
    bool newer;
  };
  const Case cases[] = {
      {"A_X_V2S5", "A_X_V2S5", 7, false, true, false},
      {"A_X_V2S5", "a_y_v2s3", 7, false, true, true},  // the second field is not compared
      {"A_X_V2S3", "A_X_V2S5", 7, false, true, false},
      {"A_X_V3S0", "A_X_V2S9", 7, false, false, false},
      {"A_X_V3S0", "A_X_V2S9", 15, false, true, true},
      {"A_X_V2S9", "A_X_V3S0", 7, true, true, false},
      {"A_X_V2S0_extra", "A_Y_V2S1_more", 7, false, true, false},
      {"A_X_V2S0", "B_X_V2S0", 15, true, false, false},
      {"A", "B", 15, false, false, false},
      {"A_X", "A_Y", 15, false, false, false},
      {"", "", 15, false, false, false},
      // A malformed version answers "incompatible" instead of raising.
      {"A_X_V2", "A_X_V2S1", 15, false, false, false},
      {"A_X_VxS1", "A_X_V2S1", 15, false, false, false},
      {"A_X_2S1", "A_X_V2S1", 15, false, false, false},
      {"A_X_V2S", "A_X_V2S1", 15, false, false, false},
  };
  for (const auto& c : cases) {
    bool newer = true;
    EXPECT_EQ(AreTreesCompatible(c.config, c.drive, c.permission, newer, c.force), c.compatible)
        << c.config << " / " << c.drive;
    EXPECT_EQ(newer, c.newer) << c.config << " / " << c.drive;
  }
}

class SLLookups : public RefCountedTest {
 protected:
  void TearDown() override {
    SetDocumentTable(nullptr);
    RefCountedTest::TearDown();
  }
};

TEST_F(SLLookups, DocumentTableRenamesExactNames) {
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"Manual.pdf"), u"Manual.pdf");  // no table
  auto table = MakeRef<TSLArray>();
  for (auto [oldName, newName] : {std::pair{u"Manual.pdf", u"Manual_V2.pdf"}, std::pair{u"Manual.pdf", u"Other.pdf"}}) {
    auto entry = MakeRef<TSLDictionary>();
    entry->SetStrWithName(u"OldName", oldName);
    entry->SetStrWithName(u"NewName", newName);
    table->AddObject(entry.get());
  }
  SetDocumentTable(table.get());
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"Manual.pdf"), u"Manual_V2.pdf");  // the first entry wins
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"MANUAL.pdf"), u"MANUAL.pdf");
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"Guide.pdf"), u"Guide.pdf");
}

TEST_F(SLLookups, ObjectFromBlock) {
  auto block = MakeRef<TSLBlock>();
  block->AddObject(MakeRef<TSLIdent>("Speed", false).get());
  block->AddObject(MakeRef<TSLLongint>(10).get());
  block->AddObject(MakeRef<TSLIdent>("Mode", true).get());
  block->AddObject(MakeRef<TSLString>(u"fast").get());
  block->AddObject(MakeRef<TSLIdent>("Last", false).get());
  EXPECT_EQ(CheckedCast<TSLLongint>(GetObjectFromBlock(block.get(), "Speed"))->GetLongintValue(), 10);
  EXPECT_EQ(CheckedCast<TSLString>(GetObjectFromBlock(block.get(), "Mode"))->StringValue(), u"fast");
  EXPECT_EQ(GetObjectFromBlock(block.get(), "speed"), nullptr);
  EXPECT_EQ(GetObjectFromBlock(block.get(), "Missing"), nullptr);
  EXPECT_THROW_MSG(GetObjectFromBlock(block.get(), "Last"), "TSLBlock.ObjectAtIndex: no object to fetch at index 5");
}

}  // namespace
