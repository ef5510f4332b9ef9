// The division grid of a plot box with its two vertical cursors and its border.
#pragma once

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/FontsAndPens.h"
#include "runtime/pagelayout/PlotAxis.h"

namespace vt {

// A vertical cursor line at the x value FXPosition; graph points near FIndex are marked
// (the owner copies FXPosition into FIndex once it has placed the cursor).
struct TPLYCursor {
  double FXPosition = 0;
  bool FShow = false;
  TColor FColor = clBlack;
  double FIndex = 0;
};

class TPLPlotGrid : public TPLObject {
 public:
  TPLPlotGrid(TPLPlotAxis* HorzAxis, TPLPlotAxis* VertAxis);

  // gaDraw: grid lines, the shown cursors, the border.
  void Execute(TGraphicAction Action, TPLContext& Context) override;
  // Shown, and within the horizontal divisions plus one division width.
  bool CursorVisible(const TPLYCursor& Cursor) const;
  double GetHorzDivOrigin() const { return FHorzAxis->FDivOrigin + FHorzAxis->FDivWidth * FHorzDivCount; }

  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  int FHorzDivCount = 0;
  int FVertDivCount = 0;
  TRef<TPLPlotAxis> FHorzAxis;
  TRef<TPLPlotAxis> FVertAxis;
  TPLYCursor FYCursor1;
  TPLYCursor FYCursor2;
  TPenDef FGridPen{0, clBlack, psDot, pmCopy};
  TPenDef FCursorPen{10, 0xF0CAA6, psDashDot, pmCopy};
  TPenDef FBorderPen{0, clBlack, psSolid, pmCopy};

 private:
  void DrawCursor(TPLContext& Context, const TPLYCursor& Cursor);
};

}  // namespace vt
