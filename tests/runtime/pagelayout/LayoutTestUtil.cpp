// See LayoutTestUtil.h.
#include "LayoutTestUtil.h"

#include "RuntimeTestUtil.h"
#include "runtime/pagelayout/TextBox.h"

using namespace vt;

TPLFontMetrics TTestCanvas::Metrics() {
  TPLFontMetrics m;
  m.Height = Font().pixelSize();
  m.Ascent = m.Height * 3 / 4;
  m.Descent = m.Height - m.Ascent;
  m.IntLead = m.Height / 10;
  return m;
}

void TTestCanvas::MoveTo(int X, int Y) {
  FPos = QPoint(X, Y);
  TPLCanvas::MoveTo(X, Y);
}

void TTestCanvas::LineTo(int X, int Y) {
  Drawn.push_back({TDrawn::Line, Pen().color(), {FPos, QPoint(X, Y)}, {}});
  FPos = QPoint(X, Y);
  TPLCanvas::LineTo(X, Y);
}

void TTestCanvas::TextOut(int X, int Y, const QString& Text) {
  Drawn.push_back({TDrawn::Text, Pen().color(), {QPoint(X, Y)}, Text});
  TPLCanvas::TextOut(X, Y, Text);
}

void TTestCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Drawn.push_back({TDrawn::Rect, Pen().color(), {QPoint(X1, Y1), QPoint(X2, Y2)}, {}});
  TPLCanvas::Rectangle(X1, Y1, X2, Y2);
}

void TTestCanvas::Polyline(const QPoint* Points, int Count) {
  Drawn.push_back({TDrawn::Polyline, Pen().color(), std::vector<QPoint>(Points, Points + Count), {}});
  if (Count > 0) FPos = Points[Count - 1];
  TPLCanvas::Polyline(Points, Count);
}

std::vector<QString> TTestCanvas::Texts() const {
  std::vector<QString> texts;
  for (const TDrawn& d : Drawn)
    if (d.Kind == TDrawn::Text) texts.push_back(d.Words);
  return texts;
}

int TTestCanvas::Count(TDrawn::TKind Kind) const {
  int n = 0;
  for (const TDrawn& d : Drawn) n += d.Kind == Kind;
  return n;
}

void LayoutTest::SetUp() {
  TestApp();
  Doc = TRef<TPLDocument>(new TPLDocument);
  Font = Doc->CreateFont("Sans", 400, 0);
  Doc->CreatePen(0);
  Doc->CreatePen(10);
  Context.SetCanvas(&Canvas);
  Context.SetDocument(Doc.get());
}

void LayoutTest::RenderFontsAndPens() {
  Doc->FFonts->Execute(gaRender, Context);
  Doc->FPens->Execute(gaRender, Context);
}

void LayoutTest::RenderAndDraw(int Page) {
  Context.Render();
  Context.FCurrentPageIndex = Page;
  Context.Draw();
}

std::vector<std::string> LayoutTest::PageWords(int Page) const {
  const TPLFlowBox& body = *Doc->GetBodyTextBox();
  const TPLFlowPage& page = body.GetPage(Page);
  std::vector<std::string> words;
  for (int i = page.FFirst; i <= page.FLast; ++i)
    if (auto* text = dynamic_cast<TPLText*>(body.FItems->GetItem(i))) words.push_back(text->FText);
  return words;
}

int InkCount(const QImage& Image, const QRect& Area) {
  int n = 0;
  const QRect r = Area.intersected(Image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += (Image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  return n;
}
