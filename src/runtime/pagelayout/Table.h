// Tables laid into a parent text box: rows of cell boxes, each full row followed by a
// line break. Nothing else may be added to the parent while the table is filled; after
// Finish the parent holds the table, which evens out the row heights at each render.
#pragma once

#include <vector>

#include "runtime/pagelayout/TextBox.h"

namespace vt {

class TPLTable : public TPLObject {
 public:
  // Raises EPLError for a column count below 1.
  TPLTable(TPLTextBox* Parent, int AColCount, int AColWidth);

  // On gaRender: every cell of a row gets the row's height (at least FRowHeight).
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  void SetColWidth(int Index, int Value) { FCols.at(Index) = Value; }
  int GetColWidth(int Index) const { return FCols.at(Index); }
  TPLBorder* GetDefaultBorder();
  void SetDefaultBorder(TPLBorder* Border) { FDefaultBorder.Assign(Border); }
  int ColCount() const { return static_cast<int>(FCols.size()); }

  TPLTextBox* NextCell();
  // Completes the row with empty cells and returns the first cell of the next one.
  TPLTextBox* NextLine();
  // A row of blank cells, then the first cell of the following row (left empty).
  void AddEmptyLine();
  // Completes the row and hands the table to the parent.
  void Finish();

  std::vector<int> FCols;
  int FRowCount = 0;
  int FCellCount = 0;
  int FStartIndex;
  TPLCollection* FCollection;  // the parent's items
  TPLTextBox* FCurrentCell = nullptr;
  TRef<TPLBorder> FDefaultBorder;
  int FRowHeight = 0;
  int FFontIndex = 0;

 private:
  void CompleteRow();
};

}  // namespace vt
