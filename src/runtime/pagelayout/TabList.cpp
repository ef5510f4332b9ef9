// See TabList.h.
#include "runtime/pagelayout/TabList.h"

#include <algorithm>

namespace vt {

void TPLTabList::Add(int Position, TTextHorzAlign Alignment) {
  int index = 0;
  if (Find(Position, index))
    FList[index].Alignment = Alignment;
  else
    FList.insert(FList.begin() + index, TPLTabListItem{Position, Alignment});
}

bool TPLTabList::Find(int Position, int& Index) const {
  const auto it = std::lower_bound(FList.begin(), FList.end(), Position,
                                   [](const TPLTabListItem& Item, int P) { return Item.Position < P; });
  Index = static_cast<int>(it - FList.begin());
  return it != FList.end() && it->Position == Position;
}

void TPLTabList::NextPosition(int& Position, TTextHorzAlign& Alignment) const {
  int index = 0;
  if (Find(Position, index)) ++index;
  if (index >= Count() && FAutoTab > 0) index = -(Position / FAutoTab) - 1;
  if (index >= Count()) {
    Alignment = thaLeft;
    return;
  }
  Position = GetPosition(index);
  Alignment = GetAlignment(index);
}

int TPLTabList::GetPosition(int Index) const {
  if (Index < 0) return -Index * FAutoTab;
  if (Index >= Count()) throw EPLError("TPLTabList.GetPosition: tabulator index error");
  return FList[Index].Position;
}

TTextHorzAlign TPLTabList::GetAlignment(int Index) const {
  if (Index < 0) return thaLeft;
  if (Index >= Count()) throw EPLError("TPLTabList.GetAlignment: tabulator index error");
  return FList[Index].Alignment;
}

}  // namespace vt
