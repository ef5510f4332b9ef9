#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "StorageFixture.h"
#include "TestUtil.h"
#include "platform/PathResolver.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class ProgramRegistry : public RefCountedTest {
 protected:
  std::unique_ptr<TProgramRegistry> Reg;
  void SetUp() override {
    RefCountedTest::SetUp();
    Reg = std::make_unique<TProgramRegistry>();
  }
  void TearDown() override {
    Reg.reset();
    RefCountedTest::TearDown();
  }
};

TEST_F(ProgramRegistry, AddCreatesTheDictionariesOnTheWay) {
  Reg->AddIntKey("A\\B\\C", 5);
  EXPECT_EQ(Reg->GetIntKey("A\\B\\C"), 5);
  EXPECT_EQ(Reg->GetIntKey("a\\b\\c"), 5);  // names compare as the dictionary compares them
  ASSERT_NE(Reg->GetDictKey("A\\B"), nullptr);
  EXPECT_EQ(Reg->GetDictKey("A\\B\\C"), nullptr);
  Reg->AddStrKey("A\\B\\Name", "M\xF6tor");  // 8-bit text in the system's code page
  EXPECT_EQ(Reg->GetStrKey("A\\B\\Name"), "M\xF6tor");
  EXPECT_EQ(CheckedCast<TSLString>(Reg->GetObject("A\\B\\Name"))->StringValue(), u"M\u00F6tor");
  Reg->AddIntKey("Top", 1);
  EXPECT_EQ(Reg->RegData()->GetIntWithName(u"Top"), 1);

  EXPECT_THROW_MSG(Reg->AddIntKey("A\\B\\C", 6), "TSLDictionary.AddObject: object with name 'C' already exists");
  EXPECT_EQ(Reg->GetIntKey("A\\B\\C"), 5);
}

TEST_F(ProgramRegistry, MissingPathsAndOtherClassesRaise) {
  Reg->AddIntKey("A\\B\\C", 5);
  Reg->AddStrKey("A\\S", "text");
  EXPECT_THROW_MSG(Reg->GetIntKey("A\\X\\C"), "TProgramRegistry: key A\\X\\C not found");
  EXPECT_THROW_MSG(Reg->RemoveObject("X\\C"), "TProgramRegistry: key X\\C not found");
  EXPECT_THROW_MSG(Reg->GetIntKey("A\\B\\D"), "TSLDictionary error: no object named D");
  EXPECT_THROW_MSG(Reg->GetIntKey("A\\S\\C"), "Invalid class typecast");  // a value on the way
  EXPECT_THROW_MSG(Reg->SetIntKey("A\\S", 3), "Invalid class typecast");
  EXPECT_EQ(Reg->GetStrKey("A\\S"), "text");
  EXPECT_THROW_MSG(Reg->GetStrKey("A\\B\\C"), "Invalid class typecast");
  EXPECT_THROW_MSG(Reg->SetStrKey("A\\B\\Missing", "x"), "TSLDictionary error: no object named Missing");
}

TEST_F(ProgramRegistry, SettersChangeValuesInPlace) {
  Reg->AddIntKey("View\\Width", 800);
  Reg->AddStrKey("View\\Title", "old");
  TSLObject* width = Reg->GetObject("View\\Width");
  Reg->SetIntKey("View\\Width", 1024);
  Reg->SetStrKey("View\\Title", "new");
  EXPECT_EQ(Reg->GetObject("View\\Width"), width);
  EXPECT_EQ(Reg->GetIntKey("View\\Width"), 1024);
  EXPECT_EQ(Reg->GetStrKey("View\\Title"), "new");
}

TEST_F(ProgramRegistry, KeyNamesRemoveAndDictionaries) {
  Reg->AddIntKey("Osc\\Zeta", 1);
  Reg->AddIntKey("Osc\\Alpha", 2);
  Reg->AddStrKey("Osc\\Mid", "m");
  std::vector<AnsiString> names{"stale"};
  Reg->GetKeyNames("Osc", names);
  EXPECT_EQ(names, (std::vector<AnsiString>{"Zeta", "Alpha", "Mid"}));
  Reg->GetKeyNames("Osc\\Zeta", names);
  EXPECT_TRUE(names.empty());

  Reg->RemoveObject("Osc\\Alpha");
  EXPECT_FALSE(Reg->GetDictKey("Osc")->NameExists(u"Alpha"));

  auto replacement = MakeRef<TSLDictionary>();
  replacement->SetIntWithName(u"New", 7);
  Reg->SetDictKey("Osc", replacement.get());
  EXPECT_EQ(Reg->GetIntKey("Osc\\New"), 7);
  EXPECT_NE(Reg->GetDictKey("Osc"), replacement.get());  // a deep copy
  replacement->SetIntWithName(u"New", 8);
  EXPECT_EQ(Reg->GetIntKey("Osc\\New"), 7);

  // Setting a dictionary to itself keeps its contents.
  Reg->SetDictKey("Osc", Reg->GetDictKey("Osc"));
  EXPECT_EQ(Reg->GetIntKey("Osc\\New"), 7);
  EXPECT_THROW_MSG(Reg->SetDictKey("Nowhere", replacement.get()), "TSLDictionary.RemoveObject: object with name 'Nowhere' not found");
}

class RegistryFiles : public vt::test::StorageTest {};

TEST_F(RegistryFiles, ReadAndWriteThroughTheStorageManager) {
  WriteFile("Archives\\Config\\Quorvel.ini", "[D /ViewInfo [D /Width 800] /Name 'x']");
  TProgramRegistry reg;
  reg.ReadFromFile(At("Archives\\Config\\Quorvel.ini"));
  EXPECT_FALSE(reg.ReadFailed());
  EXPECT_EQ(reg.GetIntKey("ViewInfo\\Width"), 800);
  reg.SetIntKey("ViewInfo\\Width", 1024);
  reg.WriteToFile(At("Archives\\Config\\Quorvel.ini"));
  EXPECT_EQ(ReadFile("Archives\\Config\\Quorvel.ini"), "[D /ViewInfo [D /Width 1024 ] /Name 'x' ] ");
  EXPECT_TRUE(Exists("Archives\\Config\\Quorvel.bak"));
}

TEST_F(RegistryFiles, AFailedReadIsNeverWrittenBack) {
  struct Case {
    const char* what;
    const char* text;
  } cases[] = {{"syntax error", "[D /Width 800"}, {"no dictionary", "[A 1 2]"}};
  for (const auto& c : cases) {
    WriteFile("user.ini", c.text);
    TProgramRegistry reg;
    try {
      reg.ReadFromFile(At("user.ini"));
    } catch (const Exception&) {
      // the caller learns of the syntax error; the registry stays empty
    }
    EXPECT_TRUE(reg.ReadFailed()) << c.what;
    EXPECT_EQ(reg.RegData()->GetCount(), 0) << c.what;
    reg.AddIntKey("Width", 640);  // defaults filled in by the program
    reg.WriteToFile(At("user.ini"));
    EXPECT_EQ(ReadFile("user.ini"), c.text) << c.what;
  }
  EXPECT_THROW(TProgramRegistry().ReadFromFile(At("missing.ini")), Exception);
}

}  // namespace
