// The rendering context: maps logical units onto a device through integer fractions
// with power-of-two denominators, carries the logical offset that nested boxes shift,
// and offers the drawing primitives in logical units.
#pragma once

#include <QPoint>
#include <QString>

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/LayoutObjects.h"

namespace vt {

class TPLDocument;
class TPLFont;
class TPLPen;
struct TPenDef;

// The screen's pixels per inch; the commander window records it at its first resize.
// Fonts use it in every context but a printer's.
inline int ScreenPixelsPerInch = 96;

struct TPLFraction {
  long long Num = 1;
  long long Den = 1;
  double Inverse = 1;  // 1 / Den, exact as Den is a power of two
};

// Rounds to the nearest integer, ties to even, for magnitudes below 2^51: adding and
// taking away 1.5 x 2^52 leaves the rounded value (the default rounding mode).
inline double RoundHalfEven(double V) {
  constexpr double Shift = 6755399441055744.0;
  return (V + Shift) - Shift;
}

// The mapping of one logical axis onto device units, copied out of a context for loops
// over many points: round(((V + LogOffs) x Num) / Den) with ties to even, plus DevOffs.
// Scale is Num / Den, exact in a double as Den is a power of two, so the one product
// below is the exact product rounded once.
struct TPLAxisMapping {
  int LogOffs = 0;
  double Scale = 1;
  int DevOffs = 0;

  int Map(int V) const { return static_cast<int>(RoundHalfEven(static_cast<double>(V + LogOffs) * Scale)) + DevOffs; }
};

// The fraction Num/Den with the smallest power-of-two Den whose relative error against
// Ratio is below Tolerance. Raises EPLError for a ratio of 0, one that is not finite,
// or one that needs a denominator above the limit.
TPLFraction CompFract(double Ratio, double Tolerance);

class TPLContext {
 public:
  TPLContext();
  virtual ~TPLContext();
  TPLContext(const TPLContext&) = delete;
  TPLContext& operator=(const TPLContext&) = delete;

  virtual void SetDocument(TPLDocument* Document);
  TPLDocument* GetDocument() const { return FDocument.get(); }
  // Lays the document out (gaRender), recomputing the scale first when it changed.
  virtual void Render();
  // Draws the document's current page (gaDraw).
  void Draw();
  // The resolution fonts are sized for.
  virtual int PixelsPerInch() const;

  void SetCanvas(TPLCanvas* Canvas) { FCanvas = Canvas; }
  TPLCanvas& Canvas() const { return *FCanvas; }

  void SetPage(QPoint Size, QPoint Min, QPoint Max);
  void SetView(QPoint P1, QPoint P2);
  void ComputeScale();

  // Returns the offset before the shift.
  QPoint ShiftLogicalOffset(int Dx, int Dy);
  void RestoreLogicalOffset(QPoint Saved) { FLogOffs = Saved; }

  TPLAxisMapping MappingX() const { return {FLogOffs.x(), FScaleX.Num * FScaleX.Inverse, FDevOffs.x()}; }
  TPLAxisMapping MappingY() const { return {FLogOffs.y(), FScaleY.Num * FScaleY.Inverse, FDevOffs.y()}; }
  int LcToDcX(int X) const { return MappingX().Map(X); }
  int LcToDcY(int Y) const { return MappingY().Map(Y); }
  int LsToDsX(int S) const { return static_cast<int>(S * FScaleX.Num / FScaleX.Den); }
  int LsToDsY(int S) const { return static_cast<int>(S * FScaleY.Num / FScaleY.Den); }
  int DsToLsX(int S) const { return static_cast<int>(S * FScaleX.Den / FScaleX.Num); }
  int DsToLsY(int S) const { return static_cast<int>(S * FScaleY.Den / FScaleY.Num); }
  const TPLFraction& ScaleX() const { return FScaleX; }
  const TPLFraction& ScaleY() const { return FScaleY; }

  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void TextOut(int X, int Y, const QString& Text);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void SetFont(int Index);
  void SelectFont(const TPLFont& Font);
  void SetPen(int Index);
  void SetPenDef(const TPenDef& Def);
  int GetTextWidth(const QString& Text);
  QPoint GetTextExtent(const QString& Text);
  void SetClipRect(int X1, int Y1, int X2, int Y2);
  void CancelClipping();
  TPLFont* GetFont(int Index) const;
  TPLPen* GetPen(int Index) const;

  int FCurrentPageIndex = 0;
  QPoint FPageSize{100, 100};
  QPoint FPageMin{0, 0};
  QPoint FPageMax{100, 100};
  QPoint FViewMin{0, 0};
  QPoint FViewMax{100, 100};
  QPoint FInitLogOffs;
  QPoint FLogOffs;
  QPoint FDevOffs;
  bool ScaleChanged = false;

 private:
  // The device corners of a logical rectangle: the first corner mapped, the size
  // converted and laid off toward the second, so equal sizes stay equal anywhere.
  struct TDeviceCorners {
    int X1, Y1, X2, Y2;
  };
  TDeviceCorners DeviceCorners(int X1, int Y1, int X2, int Y2) const;

  TRef<TPLDocument> FDocument;
  TPLCanvas FOwnCanvas;  // used until a canvas is set
  TPLCanvas* FCanvas = &FOwnCanvas;
  TPLFraction FScaleX;
  TPLFraction FScaleY;
};

}  // namespace vt
