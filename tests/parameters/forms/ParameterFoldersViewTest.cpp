// A device's parameter folders in an offscreen tree view, as the commander lists them
// for a guest, a service user and a developer after the visibility update.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "ParameterTreeFixture.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"

namespace vt::test {
namespace {

class ParameterFoldersView : public ParameterTreeTest {
 protected:
  void SetUp() override {
    TestApp();
    ParameterTreeTest::SetUp();
    TModelManager& model = DeviceManager()->ModelManager();
    model.Root()->AddChild(Device->Model());
    Load({Record("Directory", 1, 1, "Motion"), Record("Directory", 2, 2, "Gains", {{"Permission", "12"}}),
          Record("Directory", 3, 2, "Limits"), Record("Directory", 4, 1, "Service", {{"Permission", "12"}}),
          Record("Directory", 5, 1, "Developer", {{"Permission", "48"}}),
          Record("Value", 3274, 1, "GuestView", {{"Value", "1"}})});
    ASSERT_TRUE(Shown.empty()) << Shown.front();
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
  std::string FoldersFor(const char16_t* User) {
    SetUser(User);
    Service->UpdateVisibility();
    Steps(4);
    Entries->SetPathStr("Project:\\BOX1\\Parameters\\Motion");
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

  std::unique_ptr<TModelTreeWidget> Tree;
  std::unique_ptr<TEntryManager> Entries;
};

TEST_F(ParameterFoldersView, FoldersPerUserLevel) {
  EXPECT_EQ(FoldersFor(u"GUEST"), "Parameters(Motion(Limits))");
  EXPECT_EQ(FoldersFor(u"SERVICE"), "Parameters(Motion(Gains,Limits),Service)");
  EXPECT_EQ(FoldersFor(u"DEVELOPER"), "Parameters(Motion(Limits),Developer)");

  // Parameter 3274 hides the whole tree from a guest.
  static_cast<TValueParameter*>(Find(3274))->Value = 0;
  EXPECT_EQ(FoldersFor(u"GUEST"), "");
}

// A radio directory is a folder of the tree too; its options and other parameters are not.
TEST_F(ParameterFoldersView, RadioDirectoriesAreFolders) {
  Load({Record("Directory", 9, 1, "Brakes"), Record("RadioDir16", 6, 2, "Brake", {{"DefValue", "0"}}), Record("RadioChild", 7, 3, "Off", {{"ChildValue", "0"}}),
        Record("Bool", 8, 2, "Enabled", {{"DefValue", "0"}})},
       "", "Radio");
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  EXPECT_EQ(FoldersFor(u"DEVELOPER"), "Parameters(Motion(Limits),Developer,Brakes(Brake))");
  Tree->grab().save(QString::fromStdString(testing::TempDir() + "parameter_folders.png"));
}

}  // namespace
}  // namespace vt::test
