// A device's parameter folders in an offscreen tree view, as the commander lists them
// for a guest, a service user and a developer after the visibility update: of small
// records, and of the bundled description files.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <memory>

#include "ParameterTreeFixture.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"

namespace vt::test {
namespace {

// Saves the widget as <Name>.png in $VT_SCREENSHOT_DIR when that is set, for a person to look at.
void KeepScreenshot(QWidget& Widget, const std::string& Name) {
  const QByteArray dir = qgetenv("VT_SCREENSHOT_DIR");
  if (!dir.isEmpty()) Widget.grab().save(QString::fromUtf8(dir) + "/" + QString::fromStdString(Name) + ".png");
}

class ParameterFoldersView : public ParameterTreeTest {
 protected:
  void SetUp() override {
    TestApp();
    ParameterTreeTest::SetUp();
    TModelManager& model = DeviceManager()->ModelManager();
    model.Root()->AddChild(Device->Model());
    Tree = std::make_unique<TModelTreeWidget>();
    Tree->setObjectName("TreeView");
    Tree->resize(320, 240);
    Entries = std::make_unique<TEntryManager>(&model, Tree.get());
    // The root opens at the first update and shows its children from the second on.
    for (int i = 0; i < 2; ++i) {
      model.Root()->SetCaption("Project");
      Steps(2);
    }
  }
  void TearDown() override {
    Entries.reset();
    Tree.reset();
    ParameterTreeTest::TearDown();
  }

  // The folders the tree lists for the user, all opened: "Parameters(Motion(Limits))".
  // Open: folders below "Parameters" to open first.
  std::string FoldersFor(const char16_t* User, std::initializer_list<const char*> Open = {"Motion"}) {
    SetUser(User);
    Service->UpdateVisibility();
    Steps(4);
    for (const char* folder : Open) Entries->SetPathStr(std::string("Project:\\BOX1\\Parameters\\") + folder);
    Tree->expandAll();
    TTreeNode* project = Tree->TopNode();
    if (project->Count() == 0 || project->Item(0)->Count() == 0) return "";
    return Folders(project->Item(0)->Item(0));
  }
  static std::string Folders(TTreeNode* Node) {
    std::string text = Node->Text();
    if (Node->Count() == 0) return text;
    text += '(';
    for (int i = 0; i < Node->Count(); ++i) text += (i ? "," : "") + Folders(Node->Item(i));
    return text + ')';
  }

  // Folders for each level, and parameter 3274 that shows the tree to a guest.
  void LoadSmallTree() {
    Load({Record("Directory", 1, 1, "Motion"), Record("Directory", 2, 2, "Gains", {{"Permission", "12"}}),
          Record("Directory", 3, 2, "Limits"), Record("Directory", 4, 1, "Service", {{"Permission", "12"}}),
          Record("Directory", 5, 1, "Developer", {{"Permission", "48"}}),
          Record("Value", 3274, 1, "GuestView", {{"Value", "1"}})});
    ASSERT_TRUE(Shown.empty()) << Shown.front();
  }

  std::unique_ptr<TModelTreeWidget> Tree;
  std::unique_ptr<TEntryManager> Entries;
};

TEST_F(ParameterFoldersView, FoldersPerUserLevel) {
  LoadSmallTree();
  EXPECT_EQ(FoldersFor(u"GUEST"), "Parameters(Motion(Limits))");
  EXPECT_EQ(FoldersFor(u"SERVICE"), "Parameters(Motion(Gains,Limits),Service)");
  EXPECT_EQ(FoldersFor(u"DEVELOPER"), "Parameters(Motion(Limits),Developer)");

  // Parameter 3274 hides the whole tree from a guest.
  static_cast<TValueParameter*>(Find(3274))->Value = 0;
  EXPECT_EQ(FoldersFor(u"GUEST"), "");
}

// A radio directory is a folder of the tree too; its options and other parameters are not.
TEST_F(ParameterFoldersView, RadioDirectoriesAreFolders) {
  LoadSmallTree();
  Load({Record("Directory", 9, 1, "Brakes"), Record("RadioDir16", 6, 2, "Brake", {{"DefValue", "0"}}), Record("RadioChild", 7, 3, "Off", {{"ChildValue", "0"}}),
        Record("Bool", 8, 2, "Enabled", {{"DefValue", "0"}})},
       "", "Radio");
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  EXPECT_EQ(FoldersFor(u"DEVELOPER"), "Parameters(Motion(Limits),Developer,Brakes(Brake))");
  Tree->grab().save(QString::fromStdString(testing::TempDir() + "parameter_folders.png"));
}

// The sample firmware's four trees, loaded from the bundled files as the module service
// hands them over: units, visibility flags, class folders, sub-folders and text folders.
TEST_F(ParameterFoldersView, BundledTreesPerUserLevel) {
  for (const char* name : {"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0", "VXIFETH_VX2_V2S0_0", "VXAPSERVO_VX2_V3S2_0"}) {
    const auto file = std::filesystem::path(VT_DATA_DIR) / "Firmware" / (std::string(name) + ".IN2");
    TRef<TSLStorageObject> object(StorageManager->GetObject(file.string()));
    Service->LoadTree(name, *CheckedCast<TSLDictionary>(object->GetData()));
  }
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  EXPECT_EQ(Service->TreeList().size(), 4u);
  EXPECT_EQ(Service->GetClassCount(), 7);
  EXPECT_EQ(Units->GetUnitWithUUID(1).GetUnitCaption(usMetric), u"mm");
  EXPECT_EQ(Units->GetUnitWithUUID(11).GetUnitCaption(usSI), u"1/s");
  EXPECT_EQ(Service->VisibilityController().GetCount(), 8);

  const struct {
    const char16_t* user;
    const char* folders;
    const char* shot;
  } levels[] = {
      {u"GUEST", "Parameters(System(Identification,Axis label),Motion(Limits,Position,Monitor,Homing mode,Module),"
                 "Ethernet,Servo(Current,Servo label,Commutation))", "parameter_folders_guest"},
      {u"SERVICE", "Parameters(System(Identification,Scaling(Unit system),Axis label),Service(Fan mode),"
                   "Motion(Limits,Position,Monitor,Homing mode,Rotary,Module,Motor),"
                   "Ethernet,Servo(Gains,Current,Servo label,Commutation))", "parameter_folders_service"},
      {u"DEVELOPER", "Parameters(System(Identification,Scaling(Unit system),Axis label),Developer,"
                     "Motion(Limits,Position,Monitor,Homing mode,Rotary,Module,Motor),"
                     "Ethernet,Servo(Gains,Current,Servo label,Commutation),Diagnostics)", "parameter_folders_developer"},
  };
  Tree->resize(320, 400);
  // Shown for every level, as by a profile whose "Visible" is true; the drive's guest
  // switch, 3274, shows the tree to a guest too.
  Service->TreeRoot()->Model()->Show();
  TParameter* guestView = Service->FindParameter(3274);
  guestView->SetBoolValue(true);
  guestView->CopyTempToData();
  for (const auto& level : levels) {
    EXPECT_EQ(FoldersFor(level.user, {"System\\Identification", "Motion\\Limits", "Servo\\Current"}), level.folders);
    KeepScreenshot(*Tree, level.shot);
  }
  // The visibility flags: the booleans that switch the basic ones on are not read yet, so
  // what those flags show is hidden.
  EXPECT_FALSE(Service->FindParameter(4113)->GetAttrFlag(AttrVisible));  // "JogEnabled"
  EXPECT_TRUE(Service->FindParameter(4115)->GetAttrFlag(AttrVisible));   // "JogHidden"
}

}  // namespace
}  // namespace vt::test
