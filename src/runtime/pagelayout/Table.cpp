// See Table.h.
#include "runtime/pagelayout/Table.h"

#include <algorithm>

namespace vt {

TPLTable::TPLTable(TPLTextBox* Parent, int AColCount, int AColWidth)
    : FStartIndex(Parent->FItems->GetCount()), FCollection(Parent->FItems.get()) {
  // Every cell's column is its number modulo the column count.
  if (AColCount < 1) throw EPLError("TPLTable.Create: a table needs at least one column");
  FCols.assign(AColCount, AColWidth);
}

TPLBorder* TPLTable::GetDefaultBorder() {
  if (!FDefaultBorder) FDefaultBorder.Assign(new TPLBorder);
  return FDefaultBorder.get();
}

TPLTextBox* TPLTable::NextCell() {
  auto* cell = new TPLTextBox(0, 0, FCols[FCellCount % ColCount()], 0);
  cell->FAutoHeight = true;
  cell->SetBorder(FDefaultBorder.get());
  cell->FFontIndex = FFontIndex;
  FCollection->Add(cell);
  FCurrentCell = cell;
  if (++FCellCount % ColCount() == 0) {
    FCollection->Add(new TPLLineBreak);
    ++FRowCount;
  }
  return cell;
}

void TPLTable::CompleteRow() {
  while (FCellCount % ColCount() != 0) NextCell();
}

TPLTextBox* TPLTable::NextLine() {
  if (FCellCount == 0) NextCell();
  CompleteRow();
  return NextCell();
}

void TPLTable::AddEmptyLine() {
  NextLine();
  while (FCellCount % ColCount() != 0) NextCell()->AddWord(" ");
  NextCell();
}

void TPLTable::Finish() {
  CompleteRow();
  FCollection->Add(this);
}

void TPLTable::Execute(TGraphicAction Action, TPLContext&) {
  if (Action != gaRender) return;
  const int cols = ColCount();
  const auto cell = [&](int Row, int Col) -> TPLClipBox* {
    const int index = FStartIndex + Row * (cols + 1) + Col;
    // A parent changed while the table was filled: the cell is not there.
    return index < FCollection->GetCount() ? dynamic_cast<TPLClipBox*>(FCollection->Item(index)) : nullptr;
  };
  for (int r = 0; r < FRowCount; ++r) {
    int height = FRowHeight;
    for (int c = 0; c < cols; ++c)
      if (const TPLClipBox* box = cell(r, c)) height = std::max(height, box->FHeight);
    for (int c = 0; c < cols; ++c)
      if (TPLClipBox* box = cell(r, c)) box->FHeight = height;
  }
}

}  // namespace vt
