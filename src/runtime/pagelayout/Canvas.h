// The drawing surface of the page-layout library: a pen, a brush, a font and a pen
// position over a QPainter, the way the layout objects expect a canvas to behave.
// Fonts are measured on a paint device that need not be painting at the time.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPen>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

class QPaintDevice;
class QPainter;

namespace vt {

// Colours are 0x00BBGGRR: 255 is red, 0xFF0000 blue.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
QColor ColorToQColor(TColor Color);

// Qt's raster painting can leave the upper halves of the AVX registers in use; plain SSE
// code after it (a loop over many points) then runs at about half speed until they are
// cleared. Does nothing on processors without AVX.
void ClearVectorUpperHalves();

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TPenMode { pmCopy, pmXor };
enum TBrushStyle { bsSolid, bsClear };

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// Text metrics of the selected font in device units; internal leading is the cell
// height less the em size.
struct TPLFontMetrics {
  int Height = 0;
  int Ascent = 0;
  int Descent = 0;
  int IntLead = 0;
  int Overhang = 0;
};

class TPLCanvas {
 public:
  TPLCanvas();
  virtual ~TPLCanvas();
  TPLCanvas(const TPLCanvas&) = delete;
  TPLCanvas& operator=(const TPLCanvas&) = delete;

  // Fonts are measured on Device (null: the screen). Drawing needs a painter, which is
  // only lent for a drawing pass; between passes the drawing operations do nothing.
  void SetDevice(QPaintDevice* Device);
  QPaintDevice* Device() const { return FDevice; }
  void BeginDraw(QPainter* Painter);
  void EndDraw();
  QPainter* Painter() const { return FPainter; }

  void SetPen(TColor Color, int Width, TPenStyle Style, TPenMode Mode);
  void SetPenColor(TColor Color);
  void SetPenWidth(int Width);
  const QPen& Pen() const { return FPen; }
  void SetBrush(TColor Color, TBrushStyle Style);
  void SetFont(const QFont& Font);
  const QFont& Font() const { return FFont; }
  void SetFontColor(TColor Color);

  // Measuring with the selected font, in device units.
  virtual int TextWidth(const QString& Text);
  virtual int TextHeight();
  virtual TPLFontMetrics Metrics();
  virtual void MoveTo(int X, int Y);
  virtual void LineTo(int X, int Y);
  // The text's cell has its top-left corner at (X, Y).
  virtual void TextOut(int X, int Y, const QString& Text);
  // Outlined with the pen, filled with the brush; corners in either order.
  virtual void Rectangle(int X1, int Y1, int X2, int Y2);
  virtual void Ellipse(int X1, int Y1, int X2, int Y2);
  // Lines through Count points with the pen; the pen position ends at the last point.
  virtual void Polyline(const QPoint* Points, int Count);
  // Clipping replaces any clip region before it.
  virtual void SetClipRect(const QRect& Rect);
  virtual void CancelClipping();

 protected:
  const QFontMetrics& FontMetrics();

 private:
  void SetPenStyle(TPenStyle Style);
  void ApplyPen();
  void ApplyBrush();
  static QRect Normalized(int X1, int Y1, int X2, int Y2);

  QPaintDevice* FDevice = nullptr;
  QPainter* FPainter = nullptr;
  QPen FPen;
  TPenStyle FPenStyle = psSolid;
  TPenMode FPenMode = pmCopy;
  QBrush FBrush;
  QFont FFont;
  QColor FFontColor;
  std::optional<QFontMetrics> FMetrics;
  QPoint FPenPos;
};

}  // namespace vt
