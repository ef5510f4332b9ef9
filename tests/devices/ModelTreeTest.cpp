// The model tree without a view: children and their errors, what changes record, string
// variables up the tree, permissions, group images, copies, and freeing released nodes.
#include <gtest/gtest.h>

#include <memory>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "devices/ModelTree.h"
#include "ui/ImageList.h"

using namespace vt;

namespace {

struct TFixtureDevice {
  const char* ClassName() const { return "TDevice"; }
};
struct TFixtureService {
  virtual ~TFixtureService() = default;
  virtual const char* ClassName() const { return "TDeviceService"; }
};
struct TFixtureTalkService : TFixtureService {
  const char* ClassName() const override { return "TTalkService"; }
};

class ModelTree : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    Model = std::make_unique<TModelManager>(std::make_unique<TImageList>());
  }
  void TearDown() override {
    Model.reset();
    RuntimeTest::TearDown();
  }
  // Lets the task bring the (absent) mirrors up to date.
  void Settle() { Steps(2); }

  std::unique_ptr<TModelManager> Model;
};

TEST_F(ModelTree, ChildrenAndTheirErrors) {
  TModelItem* root = Model->Root();
  TModelItem* a = Model->NewItem();
  TModelItem* b = Model->NewItem();
  TModelItem* c = Model->NewItem();
  EXPECT_EQ(root->GetChildCount(), 0);
  EXPECT_THROW_MSG(root->GetChild(0), "TModelItem.GetChild: node has no children");

  EXPECT_EQ(root->AddChild(a), 0);
  EXPECT_EQ(root->AddChild(b), 1);
  root->InsertChild(0, c);  // c a b
  EXPECT_EQ(c->Parent(), root);
  EXPECT_TRUE(c->UpdateInfo().Contains(uiInsert));
  EXPECT_TRUE(root->UpdateInfo().Contains(uiChange));
  EXPECT_THROW_MSG(a->AddChild(b), "TModelItem.InsertChild: Child has a parent");
  EXPECT_THROW_MSG(root->GetChild(3), "List index out of bounds (3)");

  root->MoveChild(0, 2);  // a b c
  EXPECT_EQ(root->GetChild(0), a);
  EXPECT_EQ(root->GetChild(2), c);
  EXPECT_THROW_MSG(root->MoveChild(0, 3), "List index out of bounds (3)");
  EXPECT_EQ(root->GetChild(0), a);
  root->RemoveChild(b);
  root->RemoveChild(b);  // no longer a child: ignored
  EXPECT_EQ(b->Parent(), nullptr);
  EXPECT_TRUE(b->UpdateInfo().Contains(uiRemove));
  a->AddChild(b);  // free to go elsewhere now
  EXPECT_EQ(b->Parent(), a);
  EXPECT_EQ(root->GetChildCount(), 2);

  TModelItem* gone = Model->NewItem();
  gone->Release();
  EXPECT_THROW_MSG(root->AddChild(gone), "TModelItem.InsertChild: Child is released");
  EXPECT_EQ(root->GetChildCount(), 2);
  EXPECT_EQ(Model->GetCount(), 5);  // the root among them
}

TEST_F(ModelTree, WhatChangesRecordAndWhenTheyAreCleared) {
  TModelItem* device = Model->NewItem();
  Settle();
  EXPECT_FALSE(Model->Modifying());

  // Flags and visibility open no bracket: they wait for the next update.
  device->SetFlag(mfAllowEdit, true);
  EXPECT_TRUE(device->GetFlag(mfAllowEdit));
  device->Hide();
  device->Hide();
  EXPECT_FALSE(Model->Modifying());
  EXPECT_TRUE(device->UpdateInfo().Contains(uiHide));
  EXPECT_FALSE(device->UpdateInfo().Contains(uiShow));

  // Captions, images and children do.
  Model->Root()->AddChild(device);
  device->SetCaption("X1");
  device->SetImageIndex(87);
  EXPECT_TRUE(Model->Modifying());
  EXPECT_TRUE(device->UpdateInfo().Contains(uiRefresh));
  Settle();
  EXPECT_FALSE(Model->Modifying());
  EXPECT_TRUE(device->UpdateInfo().Empty());
  EXPECT_TRUE(Model->Root()->UpdateInfo().Empty());

  device->Show();
  EXPECT_TRUE(device->UpdateInfo().Contains(uiShow));
  EXPECT_TRUE(Model->Root()->UpdateInfo().Contains(uiChange));
}

TEST_F(ModelTree, StringVariablesAreAskedUpTheTree) {
  TModelItem* device = Model->NewItem();
  TModelItem* service = Model->NewItem();
  Model->Root()->AddChild(device);
  device->AddChild(service);
  Model->Root()->OnGetStrVar = [](const AnsiString& Name, AnsiString& Value) {
    if (Name == "Project") Value = "Demo";
  };
  device->OnGetStrVar = [](const AnsiString& Name, AnsiString& Value) {
    if (Name == "DeviceName" || Name == "ServiceName") Value = "X1";
  };
  service->OnGetStrVar = [](const AnsiString& Name, AnsiString& Value) {
    if (Name == "ServiceName") Value = "TalkService";
  };
  EXPECT_EQ(service->GetStrVar("ServiceName"), "TalkService");
  EXPECT_EQ(service->GetStrVar("DeviceName"), "X1");
  EXPECT_EQ(service->GetStrVar("Project"), "Demo");
  EXPECT_EQ(service->GetStrVar("Other"), "");
  EXPECT_EQ(device->GetStrVar("ServiceName"), "X1");
}

TEST_F(ModelTree, PermissionsShareAMember) {
  EXPECT_EQ(AllUsers.Bits(), 0x7B);
  TModelItem* node = Model->NewItem();
  EXPECT_TRUE(node->HavePermission(ptRead, {utRead1}));
  EXPECT_FALSE(node->HavePermission(ptRead, {utUser}));
  EXPECT_FALSE(node->HavePermission(ptWrite, AllUsers));
  node->Permission.Of(ptExecute) = {utService, utDevelop};
  EXPECT_TRUE(node->HavePermission(ptExecute, {utDevelop}));
  EXPECT_FALSE(node->HavePermission(ptExecute, {utUser1, utUser2}));
  EXPECT_TRUE(CheckPermission(ptDelete, {utUser}, TPermissionData{{}, {}, {utUser}, {}}));
}

TEST_F(ModelTree, GroupImages) {
  const struct {
    std::vector<int> children;
    int modulCode;
    int image;
  } cases[] = {
      {{87}, 2, 186}, {{121}, 2, 188}, {{87, 87}, 2, 185}, {{87, 121}, 2, 187},
      {{87}, 1, 185}, {{121}, 1, 187}, {{}, 2, 186},       {{}, 0, 185},
  };
  for (const auto& c : cases) {
    TModelItem* group = Model->NewItem();
    group->ModulCode = c.modulCode;
    for (int image : c.children) {
      TModelItem* child = Model->NewItem();
      child->SetImageIndex(image);
      group->AddChild(child);
    }
    group->EvaluateImage();
    EXPECT_EQ(group->ImageIndex(), c.image) << c.children.size() << " children, code " << c.modulCode;
  }
}

TEST_F(ModelTree, NodesKnowTheirObjects) {
  TFixtureDevice device;
  TFixtureTalkService talk;
  TModelItem* deviceNode = Model->NewItem(&device);
  // A node given the service by its base answers with the service's own class.
  TModelItem* serviceNode = Model->NewItem(static_cast<TFixtureService*>(&talk));
  TModelItem* folder = Model->NewItem();
  Model->Root()->AddChild(deviceNode);
  deviceNode->AddChild(serviceNode);
  serviceNode->AddChild(folder);

  EXPECT_EQ(folder->FindObjectInPath("TDevice"), deviceNode);
  EXPECT_EQ(folder->FindObjectInPath("TTalkService"), serviceNode);
  EXPECT_EQ(serviceNode->FindObjectInPath("TTalkService"), serviceNode);
  EXPECT_EQ(folder->FindObjectInPath("TDeviceService"), nullptr);
  EXPECT_EQ(deviceNode->Data().As<TFixtureDevice>(), &device);
  EXPECT_EQ(serviceNode->Data().As<TFixtureService>(), &talk);
  EXPECT_EQ(serviceNode->Data().As<TFixtureDevice>(), nullptr);
  EXPECT_EQ(folder->Data().ClassName(), "");
}

TEST_F(ModelTree, CopiesOfNodesAndSubtrees) {
  TFixtureDevice device;
  TModelItem* source = Model->NewItem(&device);
  source->SetCaption("Parameters");
  source->SetImageIndex(30);
  source->SetFlag(mfAllowEdit, true);
  source->UserType = {utDevelop};
  source->Permission = {{utDevelop}, {utService}, {utService}, {utService}};
  for (const char* caption : {"Motor", "Controller"}) {
    TModelItem* child = Model->NewItem();
    child->SetCaption(caption);
    source->AddChild(child);
  }
  source->GetChild(1)->AddChild(Model->NewItem());
  source->GetChild(1)->GetChild(0)->SetCaption("Gains");
  source->GetChild(0)->Hide();

  TModelManager browser(std::make_unique<TImageList>());
  TModelItem* copy = browser.NewItem();
  copy->CopyAttributesAndChildrenFrom(*source, &browser);
  EXPECT_EQ(copy->Caption(), "Parameters");
  EXPECT_EQ(copy->ImageIndex(), 30);
  EXPECT_TRUE(copy->GetFlag(mfAllowEdit));
  EXPECT_EQ(copy->Data(), source->Data());
  EXPECT_EQ(copy->UserType, TUserTypeSet{utDevelop});
  EXPECT_EQ(copy->Permission.Read, TUserTypeSet{utDevelop});
  EXPECT_TRUE(copy->Permission.Write.Empty());  // only the Read set is copied
  ASSERT_EQ(copy->GetChildCount(), 2);
  EXPECT_FALSE(copy->GetChild(0)->GetVisible());
  EXPECT_EQ(copy->GetChild(1)->GetChild(0)->Caption(), "Gains");
  EXPECT_EQ(copy->GetChild(1)->GetChild(0)->Owner(), &browser);
  EXPECT_EQ(browser.GetCount(), 5);

  // A released source does not make a released copy.
  source->Release();
  TModelItem* second = browser.NewItem();
  second->CopyAttributesFrom(*source);
  EXPECT_FALSE(second->GetFlag(mfReleased));
}

TEST_F(ModelTree, ReleasedNodesAreFreedAfterTheNextUpdate) {
  TModelItem* device = Model->NewItem();
  TModelItem* service = Model->NewItem();
  TModelItem* kept = Model->NewItem();
  Model->Root()->AddChild(device);
  device->AddChild(service);
  Model->Root()->AddChild(kept);
  Settle();
  ASSERT_EQ(Model->GetCount(), 4);

  Model->Root()->RemoveChild(device);
  device->Release();
  // Released but left inserted: freeing it would leave its parent a dangling child.
  kept->Release();
  EXPECT_EQ(Model->GetCount(), 4);  // nothing freed before the update
  Settle();
  EXPECT_EQ(Model->GetCount(), 3);
  EXPECT_EQ(Model->Root()->GetChildCount(), 1);
  EXPECT_EQ(Model->Root()->GetChild(0), kept);
  EXPECT_EQ(service->Parent(), nullptr);  // its parent is gone
  EXPECT_EQ(service->GetStrVar("Any"), "");

  Model->Root()->RemoveChild(kept);
  Settle();
  EXPECT_EQ(Model->GetCount(), 2);
}

}  // namespace
