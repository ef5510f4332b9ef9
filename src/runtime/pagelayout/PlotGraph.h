// A graph of a plot box: points pulled from the owner through callbacks and drawn as
// lines, dots or both, with marks where a point meets a cursor.
#pragma once

#include <functional>
#include <memory>

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/PlotAxis.h"

namespace vt {

class TPLPlotBox;
class TPLPlotGraph;

enum TGraphMode { pgmNormal, pgmNoDraw, pgmDrawDot, pgmDrawDotLine };

// Gives the next point in X and Y; setting Stop ends the graph (that point is not drawn).
using TGetPlotValueEvent = std::function<void(TPLPlotGraph* Sender, double& X, double& Y, bool& Stop)>;

class TPLPlotGraph : public TPLObject {
 public:
  explicit TPLPlotGraph(TPLPlotBox* Owner);
  ~TPLPlotGraph() override;

  // gaDraw, for a visible graph with both callbacks.
  void Execute(TGraphicAction Action, TPLContext& Context) override;
  // While the graph draws, a callback may change the pen for the rest of the curve.
  void SetColor(TColor Value);
  void SetWidth(int Value);
  double GetMinX() const { return FHorzAxis->FStartValue; }
  double GetMaxX() const { return FHorzAxis->FStartValue + FHorzAxis->FSpaceValue; }
  double GetMinY() const { return FVertAxis->FStartValue; }
  double GetMaxY() const { return FVertAxis->FStartValue + FVertAxis->FSpaceValue; }

  TPLPlotBox* FOwner;
  bool FVisible = true;
  TGetPlotValueEvent FOnGetFirst;
  TGetPlotValueEvent FOnGetNext;
  TRef<TPLPlotAxis> FHorzAxis;
  TRef<TPLPlotAxis> FVertAxis;
  int FWidth = 0;  // logical units
  TColor FColor = clBlack;
  TGraphMode FMode = pgmNormal;
  TPLContext* CurrentDrawContext = nullptr;

 private:
  class TStroke;
  void Draw(TPLContext& Context);
  void ApplyPen(TPLContext& Context) const;

  TStroke* FStroke = nullptr;  // while drawing
};

}  // namespace vt
