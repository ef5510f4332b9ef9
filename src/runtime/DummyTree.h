// The placeholder tree of the open-project and save-configuration dialogs: named nodes
// with a selection mark, mirrored by a tree view.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TDummyTree {
 public:
  TDummyTree() = default;
  TDummyTree(const TDummyTree&) = delete;
  TDummyTree& operator=(const TDummyTree&) = delete;
  virtual ~TDummyTree() = default;  // the children go with their parent

  // Hangs Child in under its name and returns it.
  TDummyTree* AddChild(std::unique_ptr<TDummyTree> Child);

  std::vector<std::pair<WideString, std::unique_ptr<TDummyTree>>> ChildList;
  bool Selected = true;
  void* Node = nullptr;  // the tree-view item it mirrors, not owned
  WideString Name;
};

class TDummyChild : public TDummyTree {
 public:
  explicit TDummyChild(TDummyTree* AParent) : Parent(AParent) {}

  TDummyTree* Parent;  // the owner
};

}  // namespace vt
