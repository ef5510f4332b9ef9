// The layout objects, the document's geometry and the context's mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "LayoutTestUtil.h"
#include "TestUtil.h"
#include "runtime/pagelayout/ClipBox.h"
#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/Document.h"

using namespace vt;

TEST(CompFractTest, FindsTheFirstPowerOfTwoDenominatorWithinTheTolerance) {
  struct {
    double Ratio;
    long long Num, Den;
  } cases[] = {{4.0, 4, 1}, {0.1, 205, 2048}, {0.25, 1, 4}, {-2.0, -2, 1}, {1.0 / 3, 341, 1024}};
  for (const auto& c : cases) {
    const TPLFraction f = CompFract(c.Ratio, 0.001);
    EXPECT_EQ(f.Num, c.Num) << c.Ratio;
    EXPECT_EQ(f.Den, c.Den) << c.Ratio;
  }
}

TEST(CompFractTest, ZeroInfiniteAndTinyRatiosAreErrors) {
  for (double ratio : {0.0, std::numeric_limits<double>::infinity(), std::nan(""), 1e-20})
    EXPECT_THROW(CompFract(ratio, 0.001), EPLError) << ratio;
}

TEST(ContextTest, PageOf1000OntoAViewOf4000) {
  TPLContext c;
  EXPECT_EQ(c.LcToDcX(37), 37);  // a new context maps one to one
  c.SetPage({1000, 1000}, {0, 0}, {1000, 1000});
  c.SetView({0, 0}, {4000, 4000});
  c.ComputeScale();
  EXPECT_EQ(c.ScaleX().Num, 4);
  EXPECT_EQ(c.ScaleX().Den, 1);
  EXPECT_EQ(c.LcToDcX(250), 1000);
  EXPECT_EQ(c.DsToLsY(4000), 1000);
}

TEST(ContextTest, AViewOfNoExtentFailsAndKeepsTheScale) {
  TPLContext c;
  c.SetPage({1000, 1000}, {0, 0}, {1000, 1000});
  c.SetView({0, 0}, {4000, 0});
  EXPECT_THROW(c.ComputeScale(), EPLError);
  EXPECT_EQ(c.LsToDsX(10), 10);
}

TEST(ContextTest, CoordinatesRoundTiesToEvenAndSizesTruncate) {
  TPLContext c;  // scale 1/2 with the page starting at 0
  c.SetPage({200, 200}, {0, 0}, {200, 200});
  c.SetView({0, 0}, {100, 100});
  c.ComputeScale();
  EXPECT_EQ(c.LcToDcX(1), 0);   // 0.5 -> 0
  EXPECT_EQ(c.LcToDcX(3), 2);   // 1.5 -> 2
  EXPECT_EQ(c.LcToDcX(5), 2);   // 2.5 -> 2
  EXPECT_EQ(c.LcToDcX(-3), -2); // -1.5 -> -2
  EXPECT_EQ(c.LsToDsX(5), 2);
  EXPECT_EQ(c.LsToDsX(-5), -2);
}

TEST(ContextTest, ThePageCornerMapsOntoTheViewCorner) {
  TPLContext c;
  c.SetPage({1000, 1000}, {100, 200}, {1100, 1200});
  c.SetView({-50, -60}, {1950, 1940});
  c.ComputeScale();
  EXPECT_EQ(c.LcToDcX(100), -50);
  EXPECT_EQ(c.LcToDcY(200), -60);
  EXPECT_EQ(c.LcToDcX(1100), 1950);
}

TEST_F(LayoutTest, NestedShiftsAddUpAndRestore) {
  RenderFontsAndPens();
  const QPoint a = Context.ShiftLogicalOffset(100, 10);
  const QPoint b = Context.ShiftLogicalOffset(20, 2);
  Context.TextOut(1, 1, QStringLiteral("x"));
  Context.RestoreLogicalOffset(b);
  Context.RestoreLogicalOffset(a);
  Context.TextOut(1, 1, QStringLiteral("y"));
  ASSERT_EQ(Canvas.Drawn.size(), 2u);
  EXPECT_EQ(Canvas.Drawn[0].Points[0], QPoint(121, 13));
  EXPECT_EQ(Canvas.Drawn[1].Points[0], QPoint(1, 1));
}

TEST_F(LayoutTest, RectanglesConvertTheirSizeSoEqualSizesStayEqual) {
  Context.SetPage({300, 300}, {0, 0}, {300, 300});
  Context.SetView({0, 0}, {100, 100});  // 1/3, found as 683/2048
  Context.ComputeScale();
  Context.Rectangle(0, 0, 150, 150);
  Context.Rectangle(1, 1, 151, 151);
  Context.Rectangle(151, 151, 1, 1);  // laid off toward the second corner
  const auto size = [&](int I) { return Canvas.Drawn[I].Points[1] - Canvas.Drawn[I].Points[0]; };
  EXPECT_EQ(size(0), size(1));
  EXPECT_EQ(size(2), -size(1));
}

TEST(LayoutObjectsTest, ReferencesKeepObjectsAliveAsLongAsTheLastHolder) {
  struct TCounted : TPLObject {
    explicit TCounted(int& Alive) : Alive(Alive) { ++Alive; }
    ~TCounted() override { --Alive; }
    int& Alive;
  };
  int alive = 0;
  auto* lone = new TCounted(alive);
  lone->AddRef();
  lone->Release();  // count 1 -> 0 frees
  EXPECT_EQ(alive, 0);

  TRef<TPLCollection> a(new TPLCollection), b(new TPLCollection);
  auto* shared = new TCounted(alive);
  a->Add(shared);
  b->Add(shared);
  a->Clear();
  EXPECT_EQ(alive, 1);
  EXPECT_EQ(b->GetItem(0), shared);
  b.reset();
  EXPECT_EQ(alive, 0);
}

TEST(LayoutObjectsTest, AbstractOperationsRaiseTheAbstractError) {
  TPLContext c;
  TRef<TPLClipBox> box(new TPLClipBox);
  EXPECT_THROW_MSG(box->Execute(gaRender, c), "Abstract Error");
  EXPECT_THROW_MSG(box->DrawItems(c), "Abstract Error");
  TRef<TPLFrame> frame(new TPLFrame);
  EXPECT_THROW_MSG(frame->Execute(gaDraw, c), "Abstract Error");
}

TEST(LayoutObjectsTest, ClientSizeIsTheFrameLessTheBorderSpaces) {
  TRef<TPLClipBox> box(new TPLClipBox);
  box->FWidth = 1000;
  box->FHeight = 500;
  box->GetBorder()->SetSpaces(100, 100, 100, 100);
  EXPECT_EQ(box->GetClientWidth(), 800);
  box->SetClientHeight(300);
  EXPECT_EQ(box->FHeight, 500);
  box->SetVisible(false);
  EXPECT_EQ(box->GetClientWidth(), 0);
  EXPECT_EQ(box->GetClientHeight(), 0);
}

TEST_F(LayoutTest, DocumentFontsAndPensAreCheckedByIndexAndClass) {
  EXPECT_EQ(Doc->CreateFont("Sans", 200, fsBold), 1);
  EXPECT_EQ(Doc->GetFont(1)->FIndex, 1);
  EXPECT_THROW_MSG(Doc->GetFont(2), "List index out of bounds (2)");
  EXPECT_THROW_MSG(Doc->GetPen(-1), "List index out of bounds (-1)");
  Doc->FFonts->Add(new TPLPen(5));
  EXPECT_THROW_MSG(Doc->GetFont(2), "Invalid class typecast");
  Doc->ClearFont();
  EXPECT_EQ(Doc->GetFont(0)->FIndex, 1);
}

TEST_F(LayoutTest, FontsComeInWholePointsAndNeverZeroHigh) {
  ScreenPixelsPerInch = 96;
  const int small = Doc->CreateFont("Sans", 0, 0);
  const int odd = Doc->CreateFont("Sans", 10, 0);  // 7.5 pt -> 8 pt -> 10.67 px -> 11 px
  RenderFontsAndPens();
  EXPECT_EQ(Doc->GetFont(small)->FFont.pixelSize(), 1);
  EXPECT_EQ(Doc->GetFont(odd)->FFont.pixelSize(), 11);
  EXPECT_EQ(Doc->GetFont(Font)->GetHeight(), 400);
  EXPECT_EQ(Doc->GetFont(Font)->GetSpace(), TestCharWidth);
  EXPECT_EQ(Doc->GetFont(Font)->GetMiddle(), 300 / 2 + 40);
}

TEST_F(LayoutTest, BorderLinesUseTheirPensAndIndexZeroDrawsNone) {
  RenderFontsAndPens();
  TRef<TPLBorder> border(new TPLBorder);
  border->SetLines(0, 1, 0, 1);
  border->Draw(Context, 10, 20, 100, 50);
  ASSERT_EQ(Canvas.Count(TDrawn::Line), 2);
  EXPECT_EQ(Canvas.Drawn[0].Points, (std::vector<QPoint>{{10, 70}, {110, 70}}));   // bottom
  EXPECT_EQ(Canvas.Drawn[1].Points, (std::vector<QPoint>{{110, 20}, {110, 70}}));  // right
}

TEST_F(LayoutTest, AnEmptyDocumentPlacesTheBodyBetweenTheBorders) {
  Context.Render();
  const TPLFlowBox& body = *Doc->GetBodyTextBox();
  EXPECT_EQ(body.FTop, 2000 + 800);
  EXPECT_EQ(body.FHeight, 24100);
  EXPECT_EQ(body.FWidth, 17000);
  EXPECT_EQ(Doc->FFooter->FTop, 27700);
}

TEST_F(LayoutTest, HeaderAndFooterHeightsMoveTheBody) {
  Doc->FHeader->AddText("Title");
  Doc->FFooter->AddText("one\\ntwo");
  Context.Render();
  const TPLFlowBox& body = *Doc->GetBodyTextBox();
  EXPECT_EQ(Doc->FHeader->FHeight, 400);
  EXPECT_EQ(body.FTop, 2000 + 400 + 800);
  EXPECT_EQ(body.FHeight, 29700 - 3200 - 800 - 800 - 2000);
  EXPECT_EQ(Doc->FFooter->FTop, 29700 - 2000 - 800);
}
