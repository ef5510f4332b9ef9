// See PlotGraph.h.
//
// A graph may hold far more points than the device has pixel columns (the oscilloscope
// draws 65,535 per channel), and one wide-pen polyline through all of them takes
// seconds. So the points are drawn in device space: in line modes the points of one
// pixel column become its first, lowest, highest and last point, which covers the same
// pixels, and in dot modes each pixel gets one dot. The callbacks are opaque calls that
// would push the mapping out of the registers at every point, so the points are gathered
// in batches and each batch is mapped and merged in one tight loop.
#include "runtime/pagelayout/PlotGraph.h"

#include <QRect>

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/LayoutLimits.h"
#include "runtime/pagelayout/PlotBox.h"

namespace vt {

namespace {

// Sizes of the marks, logical units: a point that meets a cursor, a dot.
constexpr int CursorMarkSize = 200;
constexpr int DotSize = 150;

// Values to logical points the way the axes map them, and on to device pixels.
class TPointMapping {
 public:
  TPointMapping(const TPLPlotAxis& Horz, const TPLPlotAxis& Vert, const TPLContext& Context)
      : FOriginX(Horz.FOrigin.x()),
        FOriginY(Vert.FOrigin.y()),
        FStartX(Horz.FStartValue),
        FStartY(Vert.FStartValue),
        FFactorX(Horz.FVector.x() / Horz.FSpaceValue),
        FFactorY(Vert.FVector.y() / Vert.FSpaceValue),
        FDeviceX(Context.MappingX()),
        FDeviceY(Context.MappingY()) {}

  QPoint Logical(double X, double Y) const {
    return QPoint(PlotPosition(FOriginX, (X - FStartX) * FFactorX), PlotPosition(FOriginY, (Y - FStartY) * FFactorY));
  }
  QPoint Device(QPoint L) const { return QPoint(FDeviceX.Map(L.x()), FDeviceY.Map(L.y())); }

 private:
  int FOriginX, FOriginY;
  double FStartX, FStartY, FFactorX, FFactorY;
  TPLAxisMapping FDeviceX, FDeviceY;
};

}  // namespace

// One drawing pass of a graph. The mapping, the mode and the marking cursors are read
// once: the callbacks may only change the pen, and a pen change draws everything gathered
// before it first. Pending are the gathered points, the polyline built so far (its last
// pixel column still open) and the dots not yet drawn.
class TPLPlotGraph::TStroke {
 public:
  TStroke(const TPLPlotGraph& Graph, TPLContext& Context)
      : FGraph(Graph),
        FContext(Context),
        FMapping(*Graph.FHorzAxis, *Graph.FVertAxis, Context),
        FMode(Graph.FMode),
        FTolerance(Graph.FOwner->FIncrTime / 100) {
    const TPLPlotGrid& grid = Graph.FOwner->Grid();
    for (const TPLYCursor* cursor : {&grid.FYCursor1, &grid.FYCursor2})
      if (cursor->FShow) FMarking[FMarkingCount++] = cursor;
    FPath.reserve(4096);
    if (FMode == pgmDrawDot || FMode == pgmDrawDotLine) SetDotArea(grid);
  }

  // The first point: the pen moves there.
  void Start(double X, double Y) { MoveTo(FMapping.Device(FMapping.Logical(X, Y))); }

  void Add(double X, double Y) {
    FPending[FPendingCount++] = {X, Y};
    if (FPendingCount == PLGraphBatchSize) ProcessPending();
  }

  // The point that came with the stop is only marked; then everything is drawn.
  void Finish(double X, double Y) {
    ProcessPending();
    Mark(X, FMapping.Logical(X, Y));
    DrawPending();
  }

  void Flush() {
    ProcessPending();
    DrawPending();
  }

 private:
  struct TValuePoint {
    double X, Y;
  };
  // The points of one pixel column: where the line came in, its range, where it left.
  struct TColumn {
    int X = 0;
    int FirstY = 0, MinY = 0, MaxY = 0, LastY = 0;
    bool LowFirst = true;  // the lowest point came before the highest
    bool Open = false;

    // Noisy data makes these comparisons unpredictable: selects, not branches.
    void Take(int Y) {
      const bool lower = Y < MinY;
      const bool higher = Y > MaxY;
      MinY = lower ? Y : MinY;
      MaxY = higher ? Y : MaxY;
      LowFirst = higher || (LowFirst && !lower);
      LastY = Y;
    }
  };

  // Dots are kept where they can show: the grid's device area and half a dot around it.
  void SetDotArea(const TPLPlotGrid& Grid) {
    const int margin = FContext.LsToDsX(DotSize) / 2 + 1;
    FDotArea = QRect(FMapping.Device(QPoint(Grid.FLeft, Grid.FTop)),
                     FMapping.Device(QPoint(Grid.FLeft + Grid.FWidth, Grid.FTop + Grid.FHeight)))
                   .normalized()
                   .adjusted(-margin, -margin, margin, margin);
    FDotSeen.assign((static_cast<std::size_t>(FDotArea.width()) * FDotArea.height() + 63) / 64, 0);
  }

  // First all points are mapped, a loop of independent steps that the processor runs
  // side by side, then they are merged in order. A plain line's points that stay in the
  // open column, most of them, are merged into a copy held in registers.
  void ProcessPending() {
    const int count = std::exchange(FPendingCount, 0);
    const TPointMapping mapping = FMapping;
    for (int i = 0; i < count; ++i) {
      FLogical[i] = mapping.Logical(FPending[i].X, FPending[i].Y);
      FDevice[i] = mapping.Device(FLogical[i]);
    }
    const bool plainLine = FMode == pgmNormal && FMarkingCount == 0;
    TColumn column = FColumn;
    for (int i = 0; i < count; ++i) {
      if (plainLine && FDevice[i].x() == column.X) {
        column.Take(FDevice[i].y());
        continue;
      }
      FColumn = column;
      Step(i);
      column = FColumn;
    }
    FColumn = column;
  }

  void Step(int I) {
    const QPoint l = FLogical[I], d = FDevice[I];
    if (FMarkingCount > 0) Mark(FPending[I].X, l);
    switch (FMode) {
      case pgmNormal: LineTo(d); break;
      case pgmNoDraw: MoveTo(d); break;
      case pgmDrawDot: MoveTo(d), Dot(l, d); break;
      case pgmDrawDotLine: LineTo(d), Dot(l, d); break;
    }
  }

  // A point at X, logical L, that meets a cursor gets a square in the cursor's colour
  // over what is drawn so far.
  void Mark(double X, QPoint L) {
    for (int i = 0; i < FMarkingCount; ++i) {
      if (!(std::fabs(FMarking[i]->FIndex - X) < FTolerance)) continue;
      DrawPending();
      const int half = CursorMarkSize / 2;
      FContext.Canvas().SetPenColor(FMarking[i]->FColor);
      FContext.Rectangle(L.x() - half, L.y() - half, L.x() + half, L.y() + half);
      FContext.Canvas().SetPenColor(FGraph.FColor);
      ClearVectorUpperHalves();
    }
  }

  // The pen moves to P without drawing; the polyline so far is drawn, dots stay pending.
  void MoveTo(QPoint P) {
    DrawPath();
    OpenColumn(P);
  }

  void LineTo(QPoint P) {
    if (P.x() != FColumn.X) {
      CloseColumn();
      OpenColumn(P);
      return;
    }
    FColumn.Take(P.y());
  }

  // A dot at the logical point L, whose device pixel is P: one per pixel.
  void Dot(QPoint L, QPoint P) {
    if (!FDotArea.contains(P)) return;  // wholly outside the clipped area
    const std::size_t bit =
        static_cast<std::size_t>(P.y() - FDotArea.top()) * FDotArea.width() + (P.x() - FDotArea.left());
    std::uint64_t& word = FDotSeen[bit / 64];
    const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
    if (word & mask) return;
    word |= mask;
    FDots.push_back(L);
  }

  // Draws the polyline and the dots with the canvas pen of now; the polyline goes on
  // from the pen's place.
  void DrawPending() {
    const QPoint pen(FColumn.X, FColumn.LastY);
    DrawPath();
    const int half = DotSize / 2;
    for (const QPoint& l : FDots) FContext.Rectangle(l.x() - half, l.y() - half, l.x() + half, l.y() + half);
    if (!FDots.empty()) ClearVectorUpperHalves();
    FDots.clear();
    OpenColumn(pen);
  }

  void DrawPath() {
    CloseColumn();
    if (FPath.size() > 1) {
      FContext.Canvas().Polyline(FPath.data(), static_cast<int>(FPath.size()));
      ClearVectorUpperHalves();
    }
    FPath.clear();
  }

  void OpenColumn(QPoint P) { FColumn = TColumn{P.x(), P.y(), P.y(), P.y(), P.y(), true, true}; }

  // The column's first point, its extremes in the order they came, its last point: the
  // order of the points keeps the thin line's pixels at the turns as they were.
  void CloseColumn() {
    if (!FColumn.Open) return;
    FColumn.Open = false;
    const TColumn& c = FColumn;
    Append(c.FirstY);
    Append(c.LowFirst ? c.MinY : c.MaxY);
    Append(c.LowFirst ? c.MaxY : c.MinY);
    Append(c.LastY);
  }

  void Append(int Y) {
    const QPoint p(FColumn.X, Y);
    if (FPath.empty() || FPath.back() != p) FPath.push_back(p);
  }

  const TPLPlotGraph& FGraph;
  TPLContext& FContext;
  const TPointMapping FMapping;
  const TGraphMode FMode;
  const double FTolerance;
  const TPLYCursor* FMarking[2] = {};
  int FMarkingCount = 0;
  std::array<TValuePoint, PLGraphBatchSize> FPending;
  std::array<QPoint, PLGraphBatchSize> FLogical, FDevice;
  int FPendingCount = 0;
  QRect FDotArea;
  std::vector<std::uint64_t> FDotSeen;
  std::vector<QPoint> FPath;
  std::vector<QPoint> FDots;
  TColumn FColumn;
};

TPLPlotGraph::TPLPlotGraph(TPLPlotBox* Owner)
    : FOwner(Owner), FHorzAxis(Owner->FDefHorzAxis), FVertAxis(Owner->FDefVertAxis) {}

TPLPlotGraph::~TPLPlotGraph() = default;

// What was gathered is drawn with the old pen before the new one takes over.
void TPLPlotGraph::SetColor(TColor Value) {
  if (CurrentDrawContext) FStroke->Flush();
  FColor = Value;
  if (CurrentDrawContext) CurrentDrawContext->Canvas().SetPenColor(FColor);
}

void TPLPlotGraph::SetWidth(int Value) {
  if (CurrentDrawContext) FStroke->Flush();
  FWidth = Value;
  if (CurrentDrawContext) CurrentDrawContext->Canvas().SetPenWidth(CurrentDrawContext->LsToDsX(FWidth));
}

void TPLPlotGraph::ApplyPen(TPLContext& Context) const {
  Context.Canvas().SetPen(FColor, Context.LsToDsX(FWidth), psSolid, pmCopy);
}

void TPLPlotGraph::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action != gaDraw || !FVisible || !FOnGetFirst || !FOnGetNext) return;
  // Whatever a callback raises, the graph leaves its drawing state.
  struct TReset {
    TPLPlotGraph& Graph;
    ~TReset() {
      Graph.CurrentDrawContext = nullptr;
      Graph.FStroke = nullptr;
    }
  } reset{*this};
  CurrentDrawContext = &Context;
  Draw(Context);
}

void TPLPlotGraph::Draw(TPLContext& Context) {
  double x = 0, y = 0;
  bool stop = false;
  FOnGetFirst(this, x, y, stop);
  if (stop) return;
  TStroke stroke(*this, Context);
  FStroke = &stroke;
  ApplyPen(Context);
  stroke.Start(x, y);
  ClearVectorUpperHalves();
  for (;;) {
    FOnGetNext(this, x, y, stop);
    if (stop) break;
    stroke.Add(x, y);
  }
  stroke.Finish(x, y);
}

}  // namespace vt
