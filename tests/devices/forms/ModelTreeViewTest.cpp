// The model tree mirrored in tree views (offscreen): one update per outermost bracket,
// lazy children, the selection kept across updates, user-type filtering, path strings,
// refusals and the help keyword.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <memory>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"
#include "ui/ImageList.h"

using namespace vt;

namespace {

class ModelTreeView : public RuntimeTest {
 protected:
  void SetUp() override {
    TestApp();
    RuntimeTest::SetUp();
    Model = std::make_unique<TModelManager>(std::make_unique<TImageList>());
    Model->Root()->SetCaption("Project");
    X1 = Add(Model->Root(), "X1");
    for (const char* service : {"TalkService", "StatusService"}) Add(X1, service);
    Parameters = Add(X1, "Parameters");
    Add(Parameters, "Motor");
    Controller = Add(Parameters, "Controller");
    Add(Controller, "Gains");
    X2 = Add(Model->Root(), "X2");
    Add(X2, "TalkService");
    Tree = std::make_unique<TModelTreeWidget>();
    Tree->setObjectName("TreeView");
    Entries = std::make_unique<TEntryManager>(Model.get(), Tree.get());
    // The root opens at the first update and shows its children from the second on.
    Model->Root()->SetImageIndex(13);
    Settle();
    Model->Root()->SetImageIndex(13);
    Settle();
  }
  void TearDown() override {
    Entries.reset();
    Tree.reset();
    Model.reset();
    RuntimeTest::TearDown();
  }

  TModelItem* Add(TModelItem* Parent, const char* Caption) {
    TModelItem* node = Model->NewItem();
    node->SetCaption(Caption);
    Parent->AddChild(node);
    return node;
  }
  void Settle() { Steps(2); }
  // A change in a bracket of its own, mirrored.
  template <class F>
  void Change(F&& Edit) {
    Model->BeginUpdate();
    Edit();
    Model->EndOfUpdate();
    Settle();
  }
  // The tree nodes that exist, as "Project(X1(TalkService),X2)".
  static std::string Shown(TTreeNode* Node) {
    std::string text = Node->Text();
    if (Node->Count() == 0) return text;
    text += '(';
    for (int i = 0; i < Node->Count(); ++i) text += (i ? "," : "") + Shown(Node->Item(i));
    return text + ')';
  }
  std::string Shown() { return Shown(Tree->TopNode()); }
  QTreeWidgetItem* ItemAt(const AnsiString& Path) {
    Entries->SetPathStr(Path);
    return Tree->currentItem();
  }

  std::unique_ptr<TModelManager> Model;
  TModelItem *X1, *X2, *Parameters, *Controller;
  std::unique_ptr<TModelTreeWidget> Tree;
  std::unique_ptr<TEntryManager> Entries;
};

TEST_F(ModelTreeView, TenNestedBracketsUpdateEveryMirrorOnceTwoStepsLater) {
  TModelTreeWidget secondTree;
  TEntryManager second(Model.get(), &secondTree);
  int updates[2] = {0, 0};
  int done = 0;
  Entries->OnUpdate = [&](TEntryManager*) { ++updates[0]; };
  second.OnUpdate = [&](TEntryManager*) { ++updates[1]; };
  Model->OnClientUpdateDone = [&](TModelManager* Sender) {
    EXPECT_EQ(Sender, Model.get());
    ++done;
  };

  for (int i = 0; i < 10; ++i) {
    Model->BeginUpdate();
    Add(Model->Root(), ("X" + std::to_string(3 + i)).c_str());
    X1->SetCaption("Drive " + std::to_string(i));
  }
  for (int i = 0; i < 10; ++i) {
    Steps(3);  // the task runs, but a bracket is open
    Model->EndOfUpdate();
  }
  EXPECT_EQ(done, 0);
  EXPECT_TRUE(Model->Modifying());
  Steps(1);
  EXPECT_EQ(done, 0);
  Steps(1);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(updates[0], 1);
  EXPECT_EQ(updates[1], 1);
  EXPECT_FALSE(Model->Modifying());
  EXPECT_EQ(Shown(), "Project(Drive 9,X2,X3,X4,X5,X6,X7,X8,X9,X10,X11,X12)");
  Steps(5);
  EXPECT_EQ(done, 1);
}

TEST_F(ModelTreeView, NoChangeWhileTheMirrorsAreUpdated) {
  std::string raised;
  Entries->OnUpdate = [&](TEntryManager*) {
    try {
      Model->BeginUpdate();
    } catch (const Exception& e) {
      raised = e.Message();
    }
  };
  Change([&] { X2->SetCaption("Axis 2"); });
  EXPECT_EQ(raised, "TModelManager.BeginUpdate: internal error");

  // Failures while mirroring are logged; the tree goes on being updated afterwards.
  Entries->OnUpdate = [&](TEntryManager*) { Model->BeginUpdate(); };
  Change([&] { X2->SetCaption("Axis 3"); });
  Entries->OnUpdate = nullptr;
  Entries->SetPathStr("Project:\\\\Axis 3\\TalkService");
  X2->GetChild(0)->Release();  // still inserted and shown
  Change([&] { X2->SetCaption("Axis 4"); });
  const auto lines = LogLines();
  for (const char* failure : {"***ERROR: TModelManager.BeginUpdate: internal error - ModelManager",
                              "***ERROR: TEntryManager.SetupNode: internal error - node released - ModelManager"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), failure), lines.end()) << failure;
  EXPECT_FALSE(Model->Updating());
  Change([&] { X2->RemoveChild(X2->GetChild(0)); });
  Change([&] { X2->SetCaption("Axis 5"); });
  EXPECT_EQ(Shown(), "Project(X1,Axis 5)");

  EXPECT_THROW_MSG(Entries->Root()->Update(Tree->TopNode()->Item(0)),
                   "TEntryItem.Update: internal error - node mismatch");
}

TEST_F(ModelTreeView, ChildrenAreBuiltOnFirstExpansion) {
  EXPECT_EQ(Shown(), "Project(X1,X2)");
  EXPECT_EQ(Entries->GetCount(), 3);
  QTreeWidgetItem* x1 = Tree->topLevelItem(0)->child(0);
  EXPECT_EQ(x1->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  x1->setExpanded(true);
  EXPECT_EQ(Shown(), "Project(X1(TalkService,StatusService,Parameters),X2)");
  EXPECT_EQ(Entries->GetCount(), 6);
  EXPECT_TRUE(Tree->TopNode()->Item(0)->Data()->GetExpanded());
  EXPECT_EQ(Tree->TopNode()->Item(0)->Item(0)->Data()->Model(), X1->GetChild(0));

  // Collapsed nodes keep their children; entries are reused when they come back.
  x1->setExpanded(false);
  EXPECT_FALSE(Tree->TopNode()->Item(0)->Data()->GetExpanded());
  Change([&] { X1->MoveChild(0, 1); });
  x1->setExpanded(true);
  EXPECT_EQ(Shown(), "Project(X1(StatusService,TalkService,Parameters),X2)");
  EXPECT_EQ(Entries->GetCount(), 6);

  // The root stays open.
  Tree->topLevelItem(0)->setExpanded(false);
  EXPECT_TRUE(Tree->topLevelItem(0)->isExpanded());
  EXPECT_TRUE(Entries->Root()->GetExpanded());

  // While the model changes, children cannot be built.
  QTreeWidgetItem* x2 = Tree->topLevelItem(0)->child(1);
  Model->BeginUpdate();
  x2->setExpanded(true);
  EXPECT_FALSE(x2->isExpanded());
  EXPECT_EQ(x2->childCount(), 0);
  Model->EndOfUpdate();
  Settle();
  x2->setExpanded(true);
  EXPECT_EQ(Shown(), "Project(X1(StatusService,TalkService,Parameters),X2(TalkService))");
}

TEST_F(ModelTreeView, AHiddenNodeMovesTheSelectionToTheNearestSavedAncestor) {
  Entries->SetPathStr("Project:\\\\X1\\Parameters\\Controller\\Gains");
  ASSERT_EQ(Entries->GetPathStr(), "Project:\\\\X1\\Parameters\\Controller\\Gains");

  // A sibling's change rebuilds the children; the selection comes back to the same node.
  Change([&] { Add(Parameters, "Encoder"); });
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\X1\\Parameters\\Controller\\Gains");
  EXPECT_EQ(Shown(), "Project(X1(TalkService,StatusService,Parameters(Motor,Controller(Gains),Encoder)),X2)");

  Change([&] { Controller->Hide(); });
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\X1\\Parameters");
  EXPECT_EQ(Entries->CurrentPath(), "Project:\\\\X1\\Parameters");
  EXPECT_EQ(Shown(), "Project(X1(TalkService,StatusService,Parameters(Motor,Encoder)),X2)");

  // Shown again, it is back in the tree, but the selection stays where it fell.
  Change([&] { Controller->Show(); });
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\X1\\Parameters");
  EXPECT_EQ(Shown(), "Project(X1(TalkService,StatusService,Parameters(Motor,Controller(Gains),Encoder)),X2)");

  // A removed and released device: its entries go, and then its nodes.
  Entries->SetPathStr("Project:\\\\X1\\TalkService");
  const int entries = Entries->GetCount();
  const int nodes = Model->GetCount();
  Change([&] {
    Model->Root()->RemoveChild(X1);
    X1->Release();
  });
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\");
  EXPECT_EQ(Entries->PreviousPath(), "Project:\\\\X1\\TalkService");
  EXPECT_EQ(Shown(), "Project(X2)");
  EXPECT_EQ(Entries->GetCount(), entries - 1);
  EXPECT_EQ(Model->GetCount(), nodes - 1);
}

TEST_F(ModelTreeView, DeveloperNodesAreListedOnlyForTheDeveloperUserType) {
  const struct {
    const char* caption;
    TUserTypeSet read;
    TUserTypeSet userType;
  } nodes[] = {
      {"Expert", {utDevelop}, {utService}},  {"Developer", {utDevelop}, {utDevelop}},
      {"Service", {utService}, {utService}}, {"Everyone", AllUsers, {utUser}},
      {"Nobody", {utUser}, {utDevelop}},
  };
  Change([&] {
    for (const auto& n : nodes) {
      TModelItem* node = Add(Parameters, n.caption);
      node->Permission.Read = n.read;
      node->UserType = n.userType;
    }
  });
  ItemAt("Project:\\\\X1\\Parameters")->setExpanded(true);
  EXPECT_EQ(Shown(),
            "Project(X1(TalkService,StatusService,Parameters(Motor,Controller,Developer,Service,Everyone)),X2)");
}

TEST_F(ModelTreeView, PathStrings) {
  const struct {
    const char* path;
    const char* selected;
  } cases[] = {
      {"Project:\\\\X1\\Parameters\\Motor", "Project:\\\\X1\\Parameters\\Motor"},
      {"Project:\\\\X1\\Nothing\\Motor", "Project:\\\\X1"},
      {"Project:\\\\X1\\Parameters\\..\\TalkService", "Project:\\\\X1\\TalkService"},
      {"Project:\\\\..\\X2\\TalkService", "Project:\\\\X2\\TalkService"},
      {"X2\\TalkService", "Project:\\\\X2\\TalkService"},
      {"Project:\\\\x1", "Project:\\\\"},  // texts compare exactly
      {"Project:\\\\", "Project:\\\\"},
      {"Project:\\\\X1\\", "Project:\\\\X1"},
  };
  for (const auto& c : cases) {
    Entries->SetPathStr("Project:\\\\");
    Entries->SetPathStr(c.path);
    EXPECT_EQ(Entries->GetPathStr(), c.selected) << c.path;
  }

  Entries->SetPathStr("Project:\\\\X1\\Parameters");
  EXPECT_THROW_MSG(Entries->SetPathStr("Projekt:\\\\X2"), "internal error: tree name error");
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\X1\\Parameters");
  Entries->GoBackSelect();
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\X1");
  EXPECT_EQ(Entries->PreviousPath(), "Project:\\\\X1\\Parameters");
}

TEST_F(ModelTreeView, TheHelpKeywordFollowsTheSelection) {
  const struct {
    const char* path;
    const char* keyword;
  } cases[] = {
      {"Project:\\\\", "Overview"},
      {"Project:\\\\X1", "X1"},
      {"Project:\\\\X1\\Parameters", "Parameters"},
      {"Project:\\\\X1\\Parameters\\Controller\\Gains", "Parameters"},
  };
  for (const auto& c : cases) {
    Entries->SetPathStr(c.path);
    EXPECT_EQ(Tree->HelpKeyword(), c.keyword) << c.path;
  }
}

TEST_F(ModelTreeView, OnlyEditableNodesOpenAnEditorAndTheModelKeepsItsCaption) {
  TMessageCatcher messages;
  Tree->edit(Tree->indexFromItem(ItemAt("Project:\\\\X1")));
  EXPECT_EQ(Tree->findChild<QLineEdit*>(), nullptr);

  X2->SetFlag(mfAllowEdit, true);
  Tree->edit(Tree->indexFromItem(ItemAt("Project:\\\\X2")));
  auto* editor = Tree->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("Renamed");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(editor, &enter);
  QApplication::processEvents();  // the editor commits after its own key handling
  EXPECT_EQ(messages.Messages, std::vector<std::string>{"end of editing"});
  EXPECT_EQ(X2->Caption(), "X2");
}

TEST_F(ModelTreeView, AViewContextBelongsToItsEntry) {
  struct TCounted : TViewContext {
    explicit TCounted(int& ALive) : Live(ALive) { ++Live; }
    ~TCounted() override { --Live; }
    int& Live;
  };
  int live = 0;
  // View factories are only compared with none here; the address stands for one.
  static char factory;
  Change([&] { Add(X2, "Info")->View = reinterpret_cast<TApplicationViewFactory*>(&factory); });
  Entries->SetPathStr("Project:\\\\X2\\Info");
  TEntryItem* info = Tree->Selected()->Data();
  TEntryItem* talk = Tree->Selected()->Parent()->Item(0)->Data();
  EXPECT_EQ(talk->GetContextCount(), 0);
  EXPECT_THROW_MSG(talk->SetContext(nullptr), "List index out of bounds (0)");
  ASSERT_EQ(info->GetContextCount(), 1);
  EXPECT_EQ(info->GetContext(), nullptr);
  auto* first = new TCounted(live);
  info->SetContext(first);
  info->SetContext(first);  // the same one stays
  EXPECT_EQ(info->GetContext(), first);
  info->SetContext(new TCounted(live));
  EXPECT_EQ(live, 1);
  Entries.reset();
  EXPECT_EQ(live, 0);
}

}  // namespace
