// Parameter folders: their model nodes with images and rights, children in the model
// tree, the text folder's value copies, and the root's neutral answers.
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "devices/ModelTree.h"

namespace vt::test {
namespace {

using DirectoryParameters = ParameterTreeTest;

TModelItem* ModelOf(TParameter* Node) { return static_cast<TGenericDirParameter*>(Node)->Model(); }

TEST_F(DirectoryParameters, RightsOfTheModelNode) {
  Load({Record("Directory", 1, 1, "UserAndService", {{"Permission", "5"}}),
        Record("Directory", 2, 1, "GuestOnly", {{"Permission", "64"}}),
        Record("Directory", 3, 1, "AllWrite", {{"Permission", "42"}})});
  const TUserTypeSet userAndService{utRead1, utRead2, utUser1, utUser2, utService};
  TModelItem* both = ModelOf(Find(1));
  EXPECT_EQ(both->UserType, TUserTypeSet{utService});
  EXPECT_EQ(both->Permission.Read, userAndService);
  EXPECT_TRUE(both->Permission.Write.Empty());
  EXPECT_TRUE(ModelOf(Find(2))->Permission.Read.Empty());
  EXPECT_TRUE(ModelOf(Find(2))->Permission.Write.Empty());
  EXPECT_TRUE(ModelOf(Find(3))->Permission.Read.Empty());
  EXPECT_EQ(ModelOf(Find(3))->Permission.Write, (TUserTypeSet{utRead1, utRead2, utUser1, utUser2, utService, utDevelop}));

  for (const char16_t* developer : {u"DEVELOPER", u"developer", u"DeVeLoPeR"}) {
    SetUser(developer);
    static_cast<TGenericDirParameter*>(Find(1))->ChangePermission();
    EXPECT_EQ(both->UserType, TUserTypeSet{utDevelop}) << WideToUtf8(developer);
    EXPECT_EQ(both->Permission.Read, userAndService);
  }
  SetUser(u"SERVICE");
  static_cast<TGenericDirParameter*>(Find(1))->ChangePermission();
  EXPECT_EQ(both->UserType, TUserTypeSet{utService});
}

TEST_F(DirectoryParameters, ModelNodesAndImages) {
  Load({Record("Directory", 1, 1, "Plain"), Record("Value", 2, 2, "Leaf", {{"Value", "0"}}),
        Record("Directory", 3, 2, "Safety", {{"AppFlags", "128"}}), Record("ClassDir", 4, 1, "Class"),
        Record("CapDir", 5, 2, "Text", {{"DefValue", "'x'"}, {"MaxSize", "300"}, {"AppFlags", "128"}}),
        Record("CapDir", 6, 2, "Text2", {{"DefValue", "'x'"}, {"MaxSize", "8"}})});
  TModelItem* plain = ModelOf(Find(1));
  // Only folders get nodes; a child folder's node is appended hidden.
  ASSERT_EQ(plain->GetChildCount(), 1);
  EXPECT_EQ(plain->GetChild(0), ModelOf(Find(3)));
  EXPECT_FALSE(ModelOf(Find(3))->GetVisible());
  EXPECT_EQ(plain->Parent(), Service->TreeRoot()->Model());
  EXPECT_EQ(plain->Caption(), "Plain");
  EXPECT_EQ(plain->Data().As<TGenericDirParameter>(), Find(1));
  EXPECT_EQ(plain->Data().ClassName(), "TDirectoryParameter");

  EXPECT_EQ(plain->ImageIndex(), FolderImage);
  EXPECT_EQ(ModelOf(Find(3))->ImageIndex(), SafetyFolderImage);
  EXPECT_EQ(ModelOf(Find(4))->ImageIndex(), FolderImage);
  EXPECT_EQ(ModelOf(Find(5))->ImageIndex(), SafetyFolderImage);
  EXPECT_EQ(ModelOf(Find(6))->ImageIndex(), FolderImage);
  EXPECT_TRUE(ModelOf(Find(6))->GetFlag(mfAllowEdit));
  EXPECT_FALSE(plain->GetFlag(mfAllowEdit));
  EXPECT_EQ(Find(1)->PropList().FObjType, "Parameter Directory");
  EXPECT_EQ(Find(1)->PropList().GetItemWithName("Name")->GetValue(Find(1)), "Plain");
  EXPECT_EQ(Find(1)->TypeStr(), "");
  EXPECT_EQ(Find(6)->TypeStr(), "CapDir");
  EXPECT_EQ(Find(6)->PropList().FObjType, "CapDir Parameter");
  EXPECT_EQ(static_cast<TCapDirParameter*>(Find(5))->MaxSize(), 300 % 256);

  // A class folder from a record saves with no extension; one made without is "cfg".
  EXPECT_EQ(static_cast<TClassDirParameter*>(Find(4))->Extension(), "");
  TClassDirParameter bare(Service, nullptr);
  EXPECT_EQ(bare.Extension(), "cfg");
  EXPECT_EQ(bare.Model()->ImageIndex(), RootFolderImage);
  EXPECT_TRUE(bare.GetAttrFlag(AttrVisible));
}

TEST_F(DirectoryParameters, TextFolderValues) {
  Load({Record("CapDir", 1, 1, "Axis", {{"DefValue", "'Axis 1'"}, {"MaxSize", "16"}}),
        Record("CapDir", 2, 1, "Safe", {{"DefValue", "'S'"}, {"MaxSize", "16"}, {"AppFlags", "128"}})});
  auto* axis = static_cast<TCapDirParameter*>(Find(1));
  TValueRec value;
  EXPECT_THROW_MSG(axis->GetStrValue(), "Parameter not valid");
  EXPECT_THROW_MSG(axis->GetScaledValue(value, usMetric, "SCALED"), "Parameter not valid");
  axis->GetDefaultStr(value, usMetric, "SCALED");
  EXPECT_EQ(value.ValueStr.str(), "Axis 1");

  const std::string long80(80, 'z');
  axis->SetScaledValue(long80, usSI, "HEX");
  EXPECT_EQ(axis->TempCache(), long80.substr(0, 64));
  EXPECT_FALSE(axis->GetValid());  // pending only
  axis->CopyTempToData();
  EXPECT_EQ(axis->GetStrValue(), long80.substr(0, 64));
  EXPECT_TRUE(axis->GetAttrFlag(AttrChanged | AttrValid));
  EXPECT_EQ(axis->GetRawDataStr("HEX"), "");

  // The same text again changes nothing.
  axis->ClrAttrFlag(AttrChanged);
  axis->CopyTempToData();
  EXPECT_FALSE(axis->GetAttrFlag(AttrChanged));
  axis->SetDefaultValue(usMetric);
  EXPECT_EQ(axis->GetStrValue(), "Axis 1");
  EXPECT_TRUE(axis->GetAttrFlag(AttrChanged));

  // A safety folder's default is its new text as well.
  auto* safe = static_cast<TCapDirParameter*>(Find(2));
  safe->SetDefaultValue(usMetric);
  EXPECT_EQ(safe->GetStrValue(), "S");
  EXPECT_EQ(safe->GetStrNewValue(), "S");
  EXPECT_EQ(axis->GetStrNewValue(), "");

  // A drive's answer: the text before its first zero, at most 64 characters of it.
  const std::pair<std::string, std::string> answers[] = {{std::string("Axis\0more", 9), "Axis"},
                                                         {std::string(80, 'q'), std::string(64, 'q')}};
  for (const auto& [data, text] : answers) {
    ASSERT_TRUE(axis->DecodePendingValue(data));
    EXPECT_EQ(axis->TempCache(), text);
  }
}

TEST_F(DirectoryParameters, RootAnswersNeutrally) {
  TRootDirParameter* root = Service->TreeRoot();
  TValueRec value{"kept", "mm"};
  root->GetScaledValue(value, usMetric, "SCALED");
  root->GetDefaultStr(value, usMetric, "SCALED");
  EXPECT_EQ(value.ValueStr.str(), "kept");
  EXPECT_EQ(value.UnitStr.str(), "mm");
  root->SetStrValue("ignored");
  EXPECT_EQ(root->GetStrValue(), "");
  EXPECT_EQ(root->GetIntValue(), 0);
  EXPECT_FALSE(root->GetBoolValue());
  EXPECT_EQ(root->GetValue(usSI), 0.0);
  EXPECT_EQ(root->GetAddress(), 0);
  EXPECT_TRUE(root->IsDirectory());
  EXPECT_THROW_MSG(root->GetUIntValue(), "Abstract Error");
  // The plain and class folders have no value operations but the default.
  Load({Record("Directory", 1, 1, "Plain")});
  Find(1)->SetDefaultValue(usMetric);
  EXPECT_THROW_MSG(Find(1)->GetStrValue(), "Abstract Error");
}

}  // namespace
}  // namespace vt::test
