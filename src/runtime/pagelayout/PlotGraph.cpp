// See PlotGraph.h.
//
// A graph may hold far more points than the device has pixel columns (the oscilloscope
// draws 65,535 per channel), and one wide-pen polyline through all of them takes
// seconds. So the points are drawn in device space: in line modes the points of one
// pixel column become its first, lowest, highest and last point, which covers the same
// pixels, and in dot modes each pixel gets one dot.
#include "runtime/pagelayout/PlotGraph.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/PlotBox.h"

namespace vt {

namespace {

// Sizes of the marks, logical units: a point that meets a cursor, a dot.
constexpr int CursorMarkSize = 200;
constexpr int DotSize = 150;

// Values to logical points the way the axes map them, and on to device pixels, with
// everything read once: the callbacks may only change the pen.
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

// The pending drawing of one pass: the polyline built so far (its last pixel column
// still open) and the dots not yet drawn. Flush draws them with the canvas pen of now.
class TPLPlotGraph::TStroke {
 public:
  TStroke(TPLContext& Context, const QRect& DotArea) : FContext(Context), FDotArea(DotArea) {
    FPath.reserve(4096);
    if (!DotArea.isEmpty())
      FDotSeen.assign((static_cast<std::size_t>(DotArea.width()) * DotArea.height() + 63) / 64, 0);
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
    // Noisy data makes these comparisons unpredictable: selects, not branches.
    const bool lower = P.y() < FColumn.MinY;
    const bool higher = P.y() > FColumn.MaxY;
    FColumn.MinY = lower ? P.y() : FColumn.MinY;
    FColumn.MaxY = higher ? P.y() : FColumn.MaxY;
    FColumn.LowFirst = higher || (FColumn.LowFirst && !lower);
    FColumn.LastY = P.y();
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

  // Draws what is pending; the polyline goes on from the pen's place.
  void Flush() {
    const QPoint pen(FColumn.X, FColumn.LastY);
    DrawPath();
    const int half = DotSize / 2;
    for (const QPoint& l : FDots) FContext.Rectangle(l.x() - half, l.y() - half, l.x() + half, l.y() + half);
    FDots.clear();
    OpenColumn(pen);
  }

 private:
  // The points of one pixel column: where the line came in, its range, where it left.
  struct TColumn {
    int X = 0;
    int FirstY = 0, MinY = 0, MaxY = 0, LastY = 0;
    bool LowFirst = true;  // the lowest point came before the highest
    bool Open = false;
  };

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

  TPLContext& FContext;
  QRect FDotArea;
  std::vector<std::uint64_t> FDotSeen;
  std::vector<QPoint> FPath;
  std::vector<QPoint> FDots;
  TColumn FColumn;
};

TPLPlotGraph::TPLPlotGraph(TPLPlotBox* Owner)
    : FOwner(Owner), FHorzAxis(Owner->FDefHorzAxis), FVertAxis(Owner->FDefVertAxis) {}

TPLPlotGraph::~TPLPlotGraph() = default;

void TPLPlotGraph::SetColor(TColor Value) {
  FColor = Value;
  if (!CurrentDrawContext) return;
  FStroke->Flush();
  CurrentDrawContext->Canvas().SetPenColor(FColor);
}

void TPLPlotGraph::SetWidth(int Value) {
  FWidth = Value;
  if (!CurrentDrawContext) return;
  FStroke->Flush();
  CurrentDrawContext->Canvas().SetPenWidth(CurrentDrawContext->LsToDsX(FWidth));
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
  const TPointMapping mapping(*FHorzAxis, *FVertAxis, Context);

  // Dots are kept where they can show: the grid's device area and half a dot around it.
  QRect dotArea;
  if (FMode == pgmDrawDot || FMode == pgmDrawDotLine) {
    const TPLPlotGrid& grid = FOwner->Grid();
    const int margin = Context.LsToDsX(DotSize) / 2 + 1;
    dotArea = QRect(mapping.Device(QPoint(grid.FLeft, grid.FTop)),
                    mapping.Device(QPoint(grid.FLeft + grid.FWidth, grid.FTop + grid.FHeight)))
                  .normalized()
                  .adjusted(-margin, -margin, margin, margin);
  }
  TStroke stroke(Context, dotArea);
  FStroke = &stroke;
  ApplyPen(Context);
  stroke.MoveTo(mapping.Device(mapping.Logical(x, y)));

  // The cursors that mark points, read once as their positions are.
  const double tolerance = FOwner->FIncrTime / 100;
  const TPLYCursor* marking[2];
  int markingCount = 0;
  for (const TPLYCursor* cursor : {&FOwner->Grid().FYCursor1, &FOwner->Grid().FYCursor2})
    if (cursor->FShow) marking[markingCount++] = cursor;

  ClearVectorUpperHalves();
  for (;;) {
    FOnGetNext(this, x, y, stop);
    const QPoint l = mapping.Logical(x, y);
    for (int i = 0; i < markingCount; ++i) {
      if (!(std::fabs(marking[i]->FIndex - x) < tolerance)) continue;
      // The mark goes over what is drawn so far, in the cursor's colour.
      stroke.Flush();
      const int half = CursorMarkSize / 2;
      Context.Canvas().SetPenColor(marking[i]->FColor);
      Context.Rectangle(l.x() - half, l.y() - half, l.x() + half, l.y() + half);
      Context.Canvas().SetPenColor(FColor);
    }
    if (stop) break;
    const QPoint d = mapping.Device(l);
    switch (FMode) {
      case pgmNormal: stroke.LineTo(d); break;
      case pgmNoDraw: stroke.MoveTo(d); break;
      case pgmDrawDot: stroke.MoveTo(d), stroke.Dot(l, d); break;
      case pgmDrawDotLine: stroke.LineTo(d), stroke.Dot(l, d); break;
    }
  }
  stroke.Flush();
}

}  // namespace vt
