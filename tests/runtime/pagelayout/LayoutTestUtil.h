// Helpers of the page-layout tests: a canvas with fixed metrics (each character 100
// device units wide, text as high as the font's pixel size) that records what is
// drawn, and a fixture with a document and a context of scale 1 on it.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>

#include <string>
#include <vector>

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/Document.h"

inline constexpr int TestCharWidth = 100;

struct TDrawn {
  enum TKind { Line, Rect, Text, Polyline } Kind;
  QColor Pen;
  std::vector<QPoint> Points;  // line ends, rectangle corners, polyline points, text place
  QString Words;
};

class TTestCanvas : public vt::TPLCanvas {
 public:
  int TextWidth(const QString& Text) override { return static_cast<int>(Text.size()) * TestCharWidth; }
  int TextHeight() override { return Font().pixelSize(); }
  vt::TPLFontMetrics Metrics() override;

  void MoveTo(int X, int Y) override;
  void LineTo(int X, int Y) override;
  void TextOut(int X, int Y, const QString& Text) override;
  void Rectangle(int X1, int Y1, int X2, int Y2) override;
  void Polyline(const QPoint* Points, int Count) override;

  std::vector<TDrawn> Drawn;
  std::vector<QString> Texts() const;
  int Count(TDrawn::TKind Kind) const;

 private:
  QPoint FPos;
};

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Lays the document out and draws page Page.
  void RenderAndDraw(int Page = 0);
  // Sizes the fonts and pens, as the document's render does first.
  void RenderFontsAndPens();
  // The texts of the body's page Page, in item order.
  std::vector<std::string> PageWords(int Page) const;

  TTestCanvas Canvas;
  vt::TPLContext Context;
  vt::TRef<vt::TPLDocument> Doc;
  int Font = 0;  // 400 units high
};

// Counts the pixels of Image that are not white.
int InkCount(const QImage& Image, const QRect& Area);
