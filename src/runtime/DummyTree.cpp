// The placeholder tree; see DummyTree.h.
#include "runtime/DummyTree.h"


namespace vt {

TDummyTree* TDummyTree::AddChild(std::unique_ptr<TDummyTree> Child) {
  const WideString name = Child->Name;
  ChildList.emplace_back(name, std::move(Child));
  return ChildList.back().second.get();
}

}  // namespace vt
