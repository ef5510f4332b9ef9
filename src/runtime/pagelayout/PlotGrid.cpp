// See PlotGrid.h.
#include "runtime/pagelayout/PlotGrid.h"

#include "runtime/pagelayout/Context.h"

namespace vt {

// Cursors start hidden at the horizontal division origin: the first red, the second blue.
TPLPlotGrid::TPLPlotGrid(TPLPlotAxis* HorzAxis, TPLPlotAxis* VertAxis) : FHorzAxis(HorzAxis), FVertAxis(VertAxis) {
  FYCursor1.FXPosition = FYCursor2.FXPosition = FHorzAxis->FDivOrigin;
  FYCursor1.FColor = 0x0000FF;
  FYCursor2.FColor = 0xFF0000;
}

bool TPLPlotGrid::CursorVisible(const TPLYCursor& Cursor) const {
  if (!Cursor.FShow) return false;
  const TPLPlotAxis& axis = *FHorzAxis;
  const double end = axis.FDivOrigin + axis.FDivWidth * (axis.FLastDivIndex - axis.FFirstDivIndex + 1);
  return Cursor.FXPosition >= axis.FDivOrigin && Cursor.FXPosition <= end;
}

void TPLPlotGrid::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action != gaDraw) return;
  const int right = FLeft + FWidth;
  const int bottom = FTop + FHeight;
  Context.SetPenDef(FGridPen);
  for (int i = FHorzAxis->FFirstDivIndex; i <= FHorzAxis->FLastDivIndex; ++i) {
    const int x = FHorzAxis->PcToLcX(FHorzAxis->DivisionValue(i));
    Context.MoveTo(x, FTop);
    Context.LineTo(x, bottom);
  }
  for (int i = FVertAxis->FFirstDivIndex; i <= FVertAxis->FLastDivIndex; ++i) {
    const int y = FVertAxis->PcToLcY(FVertAxis->DivisionValue(i));
    Context.MoveTo(FLeft, y);
    Context.LineTo(right, y);
  }
  DrawCursor(Context, FYCursor1);
  DrawCursor(Context, FYCursor2);
  Context.SetPenDef(FBorderPen);
  Context.MoveTo(FLeft, FTop);
  Context.LineTo(right, FTop);
  Context.LineTo(right, bottom);
  Context.LineTo(FLeft, bottom);
  Context.LineTo(FLeft, FTop);
}

void TPLPlotGrid::DrawCursor(TPLContext& Context, const TPLYCursor& Cursor) {
  if (!Cursor.FShow) return;
  FCursorPen.Color = Cursor.FColor;
  if (!CursorVisible(Cursor)) return;
  Context.SetPenDef(FCursorPen);
  const int x = FHorzAxis->PcToLcX(Cursor.FXPosition);
  Context.MoveTo(x, FTop);
  Context.LineTo(x, FTop + FHeight);
}

}  // namespace vt
