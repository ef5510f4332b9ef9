// Tab stops of a text box: set stops in ascending order of position, and automatic
// stops every FAutoTab units beyond them. Index i >= 0 names set stop i; a negative
// index -k names automatic stop k (at k x FAutoTab, left aligned).
#pragma once

#include <vector>

#include "runtime/pagelayout/LayoutObjects.h"

namespace vt {

struct TPLTabListItem {
  int Position;
  TTextHorzAlign Alignment;
};

class TPLTabList : public TPLObject {
 public:
  void Execute(TGraphicAction, TPLContext&) override {}

  // Sets the alignment of the stop at Position, or inserts a new stop in order.
  void Add(int Position, TTextHorzAlign Alignment);
  void Clear() { FList.clear(); }
  int Count() const { return static_cast<int>(FList.size()); }
  // Index of the first stop at or after Position (Count when none); true when it lies
  // exactly at Position.
  bool Find(int Position, int& Index) const;
  // Moves Position to the next stop strictly after it; without one it stays, thaLeft.
  void NextPosition(int& Position, TTextHorzAlign& Alignment) const;
  int GetPosition(int Index) const;
  TTextHorzAlign GetAlignment(int Index) const;

  std::vector<TPLTabListItem> FList;
  int FAutoTab = 0;  // 0: no automatic stops
};

}  // namespace vt
