#include <gtest/gtest.h>

#include <memory>

#include "runtime/DummyTree.h"

using namespace vt;

namespace {

TEST(DummyTree, ChildrenGoWithTheirParent) {
  static int destroyed = 0;
  struct TCounted : TDummyChild {
    using TDummyChild::TDummyChild;
    ~TCounted() override { ++destroyed; }
  };
  destroyed = 0;
  {
    TDummyTree empty;
    EXPECT_TRUE(empty.Selected);
    EXPECT_TRUE(empty.ChildList.empty());
  }
  {
    TDummyTree root;
    auto child = std::make_unique<TCounted>(&root);
    child->Name = u"Box1";
    TDummyTree* box = root.AddChild(std::move(child));
    auto grandChild = std::make_unique<TCounted>(box);
    grandChild->Name = u"Parameters";
    box->AddChild(std::move(grandChild));
    EXPECT_EQ(root.ChildList[0].first, u"Box1");
    EXPECT_EQ(static_cast<TDummyChild*>(box->ChildList[0].second.get())->Parent, box);
  }
  EXPECT_EQ(destroyed, 2);
}

}  // namespace
