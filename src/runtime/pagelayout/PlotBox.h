// The plot box: a clipped box holding value axes, a division grid with two cursors, and
// graphs. It can stand on its own in a window or as a frame inside a text box.
#pragma once

#include "runtime/pagelayout/ClipBox.h"
#include "runtime/pagelayout/PlotAxis.h"
#include "runtime/pagelayout/PlotGraph.h"
#include "runtime/pagelayout/PlotGrid.h"

namespace vt {

class TPLPlotBox : public TPLClipBox {
 public:
  // A bottom and a left axis, spanning 0 to 1, with the grid over them.
  TPLPlotBox();
  ~TPLPlotBox() override;

  // Raises EPLError when the document holds fewer than two pens (the box draws with pen 1).
  void ArrangeItems(TPLContext& Context) override;
  void DrawItems(TPLContext& Context) override;

  TPLPlotAxis* CreateAxis(TPlotAxisStyle Style = pasLeft);
  void DestroyAxis(TPLPlotAxis* AAxis) { FAxisList->Remove(AAxis); }
  // A graph on the default axes.
  TPLPlotGraph* CreateGraph();
  void DestroyGraph(TPLPlotGraph* AGraph) { FGraphList->Remove(AGraph); }
  void SetGridBorderPenColor(TColor AColor) { FGrid->FBorderPen.Color = AColor; }
  void SetGridGridPenColor(TColor AColor) { FGrid->FGridPen.Color = AColor; }
  TPLPlotAxis* DefaultHorzAxis() const { return FDefHorzAxis; }
  TPLPlotAxis* DefaultVertAxis() const { return FDefVertAxis; }
  TPLPlotGrid& Grid() const { return *FGrid; }

  TRef<TPLCollection> FAxisList;
  TRef<TPLCollection> FGraphList;
  TPLPlotAxis* FDefHorzAxis;
  TPLPlotAxis* FDefVertAxis;
  TRef<TPLPlotGrid> FGrid;
  int FLeftAxisSpace = 0;
  int FRightAxisSpace = 0;
  double FIncrTime = 0;  // time between two samples; points within 1/100 of it meet a cursor
};

}  // namespace vt
