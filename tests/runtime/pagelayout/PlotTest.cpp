// Plot boxes: axis layout and labels, the grid's cursors, and graphs (modes, cursor
// marks, the per-column drawing of dense data), on the fixed-metrics canvas at scale 1.
#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "LayoutTestUtil.h"
#include "runtime/pagelayout/PlotBox.h"

using namespace vt;

namespace {

// Feeds a graph from a list of points; past the end it reports Stop.
struct TSeries {
  std::vector<std::pair<double, double>> Points;
  std::size_t Next = 0;
  std::function<void(TPLPlotGraph*, std::size_t)> OnPoint;  // called before point i is given

  void Attach(TPLPlotGraph* Graph) {
    Graph->FOnGetFirst = [this](TPLPlotGraph* G, double& X, double& Y, bool& Stop) {
      Next = 0;
      Get(G, X, Y, Stop);
    };
    Graph->FOnGetNext = [this](TPLPlotGraph* G, double& X, double& Y, bool& Stop) { Get(G, X, Y, Stop); };
  }
  void Get(TPLPlotGraph* G, double& X, double& Y, bool& Stop) {
    if (Next >= Points.size()) {
      Stop = true;
      return;
    }
    if (OnPoint) OnPoint(G, Next);
    X = Points[Next].first;
    Y = Points[Next].second;
    ++Next;
  }
};

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);

}  // namespace

class PlotTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    Box = TRef<TPLPlotBox>(new TPLPlotBox);
    Box->FWidth = 3000;
    Box->FHeight = 4000;
  }
  void Render() {
    RenderFontsAndPens();
    Box->Execute(gaRender, Context);
  }
  std::vector<QString> LabelsOf(TPLPlotAxis* Axis) {
    Render();
    Canvas.Drawn.clear();
    Axis->Execute(gaDraw, Context);
    return Canvas.Texts();
  }
  std::vector<const TDrawn*> Drawn(TDrawn::TKind Kind) const {
    std::vector<const TDrawn*> out;
    for (const TDrawn& d : Canvas.Drawn)
      if (d.Kind == Kind) out.push_back(&d);
    return out;
  }

  TRef<TPLPlotBox> Box;
};

TEST_F(PlotTest, ANewBoxSpansZeroToOneBothWays) {
  TPLPlotAxis* horz = Box->DefaultHorzAxis();
  EXPECT_EQ(horz->FStyle, pasBottom);
  EXPECT_EQ(Box->DefaultVertAxis()->FStyle, pasLeft);
  EXPECT_EQ(LabelsOf(horz), (std::vector<QString>{"0", "1"}));
  EXPECT_EQ(horz->FDivWidth, 1.0);
  // Grid: the lines at 0 and 1 of both axes, then the outline.
  Canvas.Drawn.clear();
  Box->Execute(gaDraw, Context);
  const TPLPlotGrid& g = Box->Grid();
  EXPECT_EQ(g.FLeft, 1000);  // left labels 8 x 100 and spacing 200
  EXPECT_EQ(g.FWidth, 3000 - 1000 - 400);
  const auto lines = Drawn(TDrawn::Line);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0]->Points, (std::vector<QPoint>{{g.FLeft, g.FTop}, {g.FLeft, g.FTop + g.FHeight}}));
  EXPECT_EQ(lines[1]->Points[0].x(), g.FLeft + g.FWidth);
}

TEST_F(PlotTest, DivisionsAndLabels) {
  struct {
    double Start, Span, DivOrigin, DivWidth;
    std::vector<QString> Labels;
  } cases[] = {
      {0, 10, 0, 2, {"0", "2", "4", "6", "8", "10"}},
      {0, 10, 1, 2, {"1", "3", "5", "7", "9"}},
      {0, 0.3, -0.3, 0.1, {"0", "0.1", "0.2"}},  // -0.3 + 3 x 0.1 is dust; 0.6 / 0.1 is below 6
      {5, 0, 5, 0, {"5"}},                       // a span of 0 becomes 0.0001, so does the width
  };
  for (const auto& c : cases) {
    TPLPlotAxis* axis = Box->DefaultHorzAxis();
    axis->FStartValue = c.Start;
    axis->FSpaceValue = c.Span;
    axis->FDivOrigin = c.DivOrigin;
    axis->FDivWidth = c.DivWidth;
    EXPECT_EQ(LabelsOf(axis), c.Labels) << c.Span << " " << c.DivOrigin;
  }
}

TEST(PlotAxisTest, LabelsCarryFourSignificantDigits) {
  struct {
    double Value;
    const char* Text;
  } cases[] = {{0.5, "0.5"}, {1234.56, "1235"}, {12346, "1.235E4"}, {0.123456, "0.1235"},
               {-2.5, "-2.5"}, {0.0001, "0.0001"}, {0.00001, "1E-5"}, {100, "100"}};
  for (const auto& c : cases) EXPECT_EQ(TPLPlotAxis::ValueString(c.Value), c.Text) << c.Value;
}

TEST_F(PlotTest, AxesNeedTheirLabelsAndStackOutward) {
  TPLPlotAxis* first = Box->DefaultVertAxis();
  first->FDigits = 10;  // needs 10 x 100 + 200
  Box->FLeftAxisSpace = 2000;
  Render();
  EXPECT_EQ(first->FOrigin.x(), 2000);
  EXPECT_EQ(Box->Grid().FLeft, 2000);

  TPLPlotAxis* second = Box->CreateAxis(pasLeft);
  Box->FLeftAxisSpace = 0;
  Render();
  EXPECT_EQ(first->FOrigin.x(), 1200);  // the first in the list is the outer one
  EXPECT_EQ(second->FOrigin.x(), 2200);
  EXPECT_EQ(Box->Grid().FLeft, 2200);
}

TEST_F(PlotTest, CursorsBeyondTheDivisionsAreNotDrawn) {
  TPLPlotGrid& grid = Box->Grid();
  grid.FYCursor1.FShow = true;
  grid.FYCursor2.FShow = true;
  grid.FYCursor2.FXPosition = 2.5;  // beyond 1 + one division width
  Render();
  EXPECT_TRUE(grid.CursorVisible(grid.FYCursor1));
  EXPECT_FALSE(grid.CursorVisible(grid.FYCursor2));
  grid.FYCursor2.FXPosition = 2.0;
  EXPECT_TRUE(grid.CursorVisible(grid.FYCursor2));
  grid.FYCursor2.FXPosition = 2.5;
  Canvas.Drawn.clear();
  grid.Execute(gaDraw, Context);
  int red = 0, blue = 0;
  for (const TDrawn* d : Drawn(TDrawn::Line)) red += d->Pen == Red, blue += d->Pen == Blue;
  EXPECT_EQ(red, 1);
  EXPECT_EQ(blue, 0);
}

TEST_F(PlotTest, PointsNearAShownCursorAreMarkedInItsColour) {
  Box->FIncrTime = 0.001;
  TPLPlotGrid& grid = Box->Grid();
  grid.FYCursor1.FShow = true;
  grid.FYCursor1.FIndex = 0.5;
  grid.FYCursor2.FIndex = 0.5;  // hidden: never marks
  TSeries series{{{0.4, 0.5}, {0.500005, 0.5}, {0.50002, 0.5}, {0.6, 0.5}}};
  TPLPlotGraph* graph = Box->CreateGraph();
  graph->FColor = 0x00FF00;
  series.Attach(graph);
  for (TGraphMode mode : {pgmNormal, pgmNoDraw}) {
    graph->FMode = mode;
    Render();
    Canvas.Drawn.clear();
    graph->Execute(gaDraw, Context);
    const auto rects = Drawn(TDrawn::Rect);
    ASSERT_EQ(rects.size(), 1u) << mode;
    EXPECT_EQ(rects[0]->Pen, Red);
    const QPoint centre((rects[0]->Points[0] + rects[0]->Points[1]) / 2);
    EXPECT_EQ(centre, QPoint(Box->DefaultHorzAxis()->PcToLcX(0.500005), Box->DefaultVertAxis()->PcToLcY(0.5)));
    EXPECT_EQ(rects[0]->Points[1].x() - rects[0]->Points[0].x(), 200);
    EXPECT_EQ(Drawn(TDrawn::Polyline).empty(), mode == pgmNoDraw) << mode;
    EXPECT_EQ(Canvas.Pen().color(), QColor(0, 255, 0));  // the pen returned to the graph's colour
  }
}

TEST_F(PlotTest, AGraphStopsWithoutDrawingTheStopPoint) {
  TPLPlotGraph* graph = Box->CreateGraph();
  TSeries series{{{0, 0}, {1, 1}}};
  series.Attach(graph);
  Render();
  graph->Execute(gaDraw, Context);
  ASSERT_EQ(Drawn(TDrawn::Polyline).size(), 1u);
  EXPECT_EQ(Drawn(TDrawn::Polyline)[0]->Points.size(), 2u);
  series.Points.clear();  // the first call stops: nothing at all
  Canvas.Drawn.clear();
  graph->Execute(gaDraw, Context);
  EXPECT_TRUE(Canvas.Drawn.empty());
  graph->FOnGetNext = nullptr;  // without both callbacks: nothing
  series.Points = {{0, 0}, {1, 1}};
  graph->Execute(gaDraw, Context);
  EXPECT_TRUE(Canvas.Drawn.empty());
}

TEST_F(PlotTest, DenseLinesKeepEachColumnsFirstExtremesAndLast) {
  TPLPlotGraph* graph = Box->CreateGraph();
  TSeries series;
  const int n = 8000;
  for (int i = 0; i < n; ++i)
    series.Points.push_back({i / double(n - 1), 0.5 + 0.45 * std::sin(i * 0.37) * std::cos(i * 0.011)});
  series.Attach(graph);
  Render();
  graph->Execute(gaDraw, Context);
  const auto lines = Drawn(TDrawn::Polyline);
  ASSERT_EQ(lines.size(), 1u);
  const std::vector<QPoint>& path = lines[0]->Points;
  // The range of every pixel column, from the points themselves.
  std::map<int, std::pair<int, int>> columns;
  for (const auto& [x, y] : series.Points) {
    const int dx = Box->DefaultHorzAxis()->PcToLcX(x), dy = Box->DefaultVertAxis()->PcToLcY(y);
    auto [it, added] = columns.try_emplace(dx, dy, dy);
    it->second.first = std::min(it->second.first, dy);
    it->second.second = std::max(it->second.second, dy);
  }
  std::map<int, std::pair<int, int>> drawn;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 0) EXPECT_GE(path[i].x(), path[i - 1].x());
    auto [it, added] = drawn.try_emplace(path[i].x(), path[i].y(), path[i].y());
    it->second.first = std::min(it->second.first, path[i].y());
    it->second.second = std::max(it->second.second, path[i].y());
  }
  EXPECT_EQ(drawn, columns);
  EXPECT_LE(path.size(), 4 * columns.size());
  EXPECT_LT(path.size(), static_cast<std::size_t>(n) / 2);
}

TEST_F(PlotTest, DenseLinesCoverTheSamePixelsAsEveryPointJoined) {
  TPLPlotGraph* graph = Box->CreateGraph();
  TSeries series;
  for (int i = 0; i < 20000; ++i) series.Points.push_back({i / 19999.0, 0.5 + 0.4 * std::sin(i * 0.05) + 0.05 * std::sin(i * 1.3)});
  series.Attach(graph);
  Render();
  QImage ours(3000, 4000, QImage::Format_RGB32), joined(3000, 4000, QImage::Format_RGB32);
  ours.fill(Qt::white);
  joined.fill(Qt::white);
  {
    QPainter p(&ours);
    TPLCanvas canvas;
    Context.SetCanvas(&canvas);
    canvas.BeginDraw(&p);
    graph->Execute(gaDraw, Context);
    canvas.EndDraw();
    Context.SetCanvas(&Canvas);
  }
  {
    QPainter p(&joined);
    p.setPen(QPen(Qt::black, 0));
    std::vector<QPoint> all;
    for (const auto& [x, y] : series.Points)
      all.emplace_back(Box->DefaultHorzAxis()->PcToLcX(x), Box->DefaultVertAxis()->PcToLcY(y));
    p.drawPolyline(all.data(), static_cast<int>(all.size()));
  }
  EXPECT_GT(InkCount(ours, ours.rect()), 1000);
  int differ = 0;
  for (int y = 0; y < ours.height(); ++y)
    for (int x = 0; x < ours.width(); ++x) differ += ours.pixel(x, y) != joined.pixel(x, y);
  EXPECT_EQ(differ, 0);
}

TEST_F(PlotTest, DotsComeOncePerPixelAndDotLinesDrawBoth) {
  TPLPlotGraph* graph = Box->CreateGraph();
  TSeries series{{{0.1, 0.1}, {0.1, 0.1}, {0.1000001, 0.1}, {0.5, 0.5}, {0.5, 0.5}, {7, 7}}};  // the last lies far outside
  series.Attach(graph);
  graph->FMode = pgmDrawDot;
  Render();
  graph->Execute(gaDraw, Context);
  EXPECT_EQ(Canvas.Count(TDrawn::Rect), 2);
  EXPECT_EQ(Canvas.Count(TDrawn::Polyline), 0);
  const auto rect = Drawn(TDrawn::Rect)[0];
  EXPECT_EQ(rect->Points[1] - rect->Points[0], QPoint(150, 150));
  graph->FMode = pgmDrawDotLine;
  Canvas.Drawn.clear();
  graph->Execute(gaDraw, Context);
  EXPECT_EQ(Canvas.Count(TDrawn::Rect), 2);
  EXPECT_EQ(Canvas.Count(TDrawn::Polyline), 1);
}

TEST_F(PlotTest, ACallbackMayRecolourTheRestOfTheCurve) {
  TPLPlotGraph* graph = Box->CreateGraph();
  TSeries series{{{0, 0}, {0.25, 1}, {0.5, 0}, {0.75, 1}, {1, 0}}};
  series.OnPoint = [](TPLPlotGraph* G, std::size_t I) {
    if (I == 2) G->SetColor(0xFF0000);
  };
  series.Attach(graph);
  Render();
  graph->Execute(gaDraw, Context);
  const auto lines = Drawn(TDrawn::Polyline);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]->Pen, QColor(Qt::black));
  EXPECT_EQ(lines[1]->Pen, Blue);
  EXPECT_EQ(lines[0]->Points.back(), lines[1]->Points.front());
  EXPECT_EQ(lines[1]->Points.size(), 4u);
  EXPECT_EQ(graph->CurrentDrawContext, nullptr);
}

// Points are gathered in batches: a mark and then a pen change far into the curve, in one
// batch, still split it exactly where they come, each piece in its pen, and the pieces join.
TEST_F(PlotTest, MarksAndPenChangesSplitALongCurveInPlace) {
  Box->FIncrTime = 0.001;
  Box->Grid().FYCursor1.FShow = true;
  Box->Grid().FYCursor1.FIndex = 280 / 999.0;
  TPLPlotGraph* graph = Box->CreateGraph();
  TSeries series;
  for (int i = 0; i < 1000; ++i) series.Points.push_back({i / 999.0, 0.5 + 0.3 * std::sin(i * 0.1)});
  series.OnPoint = [](TPLPlotGraph* G, std::size_t I) {
    if (I == 300) G->SetColor(0xFF0000);
  };
  series.Attach(graph);
  Render();
  graph->Execute(gaDraw, Context);
  const auto point = [&](int I) {
    return QPoint(Box->DefaultHorzAxis()->PcToLcX(series.Points[I].first),
                  Box->DefaultVertAxis()->PcToLcY(series.Points[I].second));
  };
  struct {
    TDrawn::TKind Kind;
    QColor Pen;
    int From, To;  // the polyline's first and last point; a mark's centre in From
  } expected[] = {{TDrawn::Polyline, Qt::black, 0, 279},
                  {TDrawn::Rect, Red, 280, 280},
                  {TDrawn::Polyline, Qt::black, 279, 299},
                  {TDrawn::Polyline, Blue, 299, 999}};
  ASSERT_EQ(Canvas.Drawn.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const TDrawn& d = Canvas.Drawn[i];
    EXPECT_EQ(d.Kind, expected[i].Kind) << i;
    EXPECT_EQ(d.Pen, expected[i].Pen) << i;
    if (d.Kind == TDrawn::Rect) {
      EXPECT_EQ((d.Points[0] + d.Points[1]) / 2, point(expected[i].From));
    } else {
      EXPECT_EQ(d.Points.front(), point(expected[i].From)) << i;
      EXPECT_EQ(d.Points.back(), point(expected[i].To)) << i;
    }
  }
}

TEST_F(PlotTest, ABoxInADocumentWithOnePenIsRefusedAtRender) {
  Doc->FPens->Delete(1);
  Doc->GetBodyTextBox()->AddFrame(Box.get());
  EXPECT_THROW(Context.Render(), EPLError);
}

TEST_F(PlotTest, AnAxisWithEndlessDivisionsIsAnError) {
  Box->DefaultHorzAxis()->FSpaceValue = 1e9;
  Box->DefaultHorzAxis()->FDivWidth = 1e-3;
  EXPECT_THROW(Render(), EPLError);
}
