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
    ++FSequence;
    if (P.x() != FColumn.X) {
      CloseColumn();
      OpenColumn(P);
      return;
    }
    // Noisy data makes these comparisons unpredictable: selects, not branches.
    const bool lower = P.y() < FColumn.MinY;
    const bool higher = P.y() > FColumn.MaxY;
    FColumn.MinY = lower ? P.y() : FColumn.MinY;
    FColumn.MinSequence = lower ? FSequence : FColumn.MinSequence;
    FColumn.MaxY = higher ? P.y() : FColumn.MaxY;
    FColumn.MaxSequence = higher ? FSequence : FColumn.MaxSequence;
    FColumn.Last = P;
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
    const QPoint pen = FColumn.Last;
    DrawPath();
    const int half = DotSize / 2;
    for (const QPoint& l : FDots) FContext.Rectangle(l.x() - half, l.y() - half, l.x() + half, l.y() + half);
    FDots.clear();
    OpenColumn(pen);
  }

 private:
  struct TColumn {
    int X = 0;
    QPoint First, Last;
    int MinY = 0, MaxY = 0;
    long MinSequence = 0, MaxSequence = 0;
    bool Open = false;
  };

  void DrawPath() {
    CloseColumn();
    if (FPath.size() > 1) FContext.Canvas().Polyline(FPath.data(), static_cast<int>(FPath.size()));
    FPath.clear();
  }

  void OpenColumn(QPoint P) {
    FColumn = TColumn{P.x(), P, P, P.y(), P.y(), FSequence, FSequence, true};
  }

  // The column's first point, its extremes in the order they came, its last point.
  void CloseColumn() {
    if (!FColumn.Open) return;
    FColumn.Open = false;
    Append(FColumn.First);
    const QPoint low(FColumn.X, FColumn.MinY), high(FColumn.X, FColumn.MaxY);
    const bool lowFirst = FColumn.MinSequence <= FColumn.MaxSequence;
    Append(lowFirst ? low : high);
    Append(lowFirst ? high : low);
    Append(FColumn.Last);
  }

  void Append(QPoint P) {
    if (FPath.empty() || FPath.back() != P) FPath.push_back(P);
  }

  TPLContext& FContext;
  QRect FDotArea;
  std::vector<std::uint64_t> FDotSeen;
  std::vector<QPoint> FPath;
  std::vector<QPoint> FDots;
  TColumn FColumn;
  long FSequence = 0;
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
  // The mapping of values to pixels, read once: the callbacks only change the pen.
  const TPLPlotAxis& horz = *FHorzAxis;
  const TPLPlotAxis& vert = *FVertAxis;
  const int originX = horz.FOrigin.x(), originY = vert.FOrigin.y();
  const double startX = horz.FStartValue, startY = vert.FStartValue;
  const double factorX = horz.FVector.x() / horz.FSpaceValue, factorY = vert.FVector.y() / vert.FSpaceValue;
  const auto logical = [&] {
    return QPoint(PlotPosition(originX, (x - startX) * factorX), PlotPosition(originY, (y - startY) * factorY));
  };
  const auto device = [&](QPoint L) { return QPoint(Context.LcToDcX(L.x()), Context.LcToDcY(L.y())); };

  // Dots are kept where they can show: the grid's device area and half a dot around it.
  QRect dotArea;
  if (FMode == pgmDrawDot || FMode == pgmDrawDotLine) {
    const TPLPlotGrid& grid = FOwner->Grid();
    const int margin = Context.LsToDsX(DotSize) / 2 + 1;
    dotArea = QRect(device(QPoint(grid.FLeft, grid.FTop)), device(QPoint(grid.FLeft + grid.FWidth, grid.FTop + grid.FHeight)))
                  .normalized()
                  .adjusted(-margin, -margin, margin, margin);
  }
  TStroke stroke(Context, dotArea);
  FStroke = &stroke;
  ApplyPen(Context);
  stroke.MoveTo(device(logical()));

  const double tolerance = FOwner->FIncrTime / 100;
  const TPLYCursor* cursors[] = {&FOwner->Grid().FYCursor1, &FOwner->Grid().FYCursor2};
  for (;;) {
    FOnGetNext(this, x, y, stop);
    const QPoint l = logical();
    for (const TPLYCursor* cursor : cursors) {
      if (!cursor->FShow || !(std::fabs(cursor->FIndex - x) < tolerance)) continue;
      // The mark goes over what is drawn so far, in the cursor's colour.
      stroke.Flush();
      const int half = CursorMarkSize / 2;
      Context.Canvas().SetPenColor(cursor->FColor);
      Context.Rectangle(l.x() - half, l.y() - half, l.x() + half, l.y() + half);
      Context.Canvas().SetPenColor(FColor);
    }
    if (stop) break;
    const QPoint d = device(l);
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
