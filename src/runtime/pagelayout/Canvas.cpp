// See Canvas.h.
#include "runtime/pagelayout/Canvas.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace vt {

QColor ColorToQColor(TColor Color) {
  return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

void ClearVectorUpperHalves() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool avx = __builtin_cpu_supports("avx");
  // The low halves survive, but no value may live across it in a register.
  if (avx)
    asm volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9",
                 "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
#endif
}

namespace {

// The resolution whose pixels the dash patterns are made for.
constexpr double ScreenDotsPerInch = 96;

Qt::PenStyle ToQtPenStyle(TPenStyle Style) {
  switch (Style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    case psSolid: break;
  }
  return Qt::SolidLine;
}

}  // namespace

// A new canvas draws like a fresh platform canvas: black pen one pixel wide, solid
// white brush, black text.
TPLCanvas::TPLCanvas() : FPen(Qt::black, 0), FBrush(Qt::white, Qt::SolidPattern), FFontColor(Qt::black) {
  // Wide lines end and join round, as the platform pens do.
  FPen.setCapStyle(Qt::RoundCap);
  FPen.setJoinStyle(Qt::RoundJoin);
}

TPLCanvas::~TPLCanvas() = default;

void TPLCanvas::SetDevice(QPaintDevice* Device) {
  FDevice = Device;
  FMetrics.reset();
}

void TPLCanvas::BeginDraw(QPainter* Painter) {
  FPainter = Painter;
  if (!FPainter) return;
  ApplyPen();
  ApplyBrush();
  FPainter->setFont(FFont);
}

void TPLCanvas::EndDraw() { FPainter = nullptr; }

void TPLCanvas::SetPen(TColor Color, int Width, TPenStyle Style, TPenMode Mode) {
  FPen.setColor(ColorToQColor(Color));
  FPen.setWidth(std::max(Width, 0));
  SetPenStyle(Style);
  FPenMode = Mode;
  ApplyPen();
}

void TPLCanvas::SetPenColor(TColor Color) {
  FPen.setColor(ColorToQColor(Color));
  ApplyPen();
}

void TPLCanvas::SetPenWidth(int Width) {
  FPen.setWidth(std::max(Width, 0));
  SetPenStyle(FPenStyle);
  ApplyPen();
}

void TPLCanvas::SetBrush(TColor Color, TBrushStyle Style) {
  FBrush = Style == bsClear ? QBrush(Qt::NoBrush) : QBrush(ColorToQColor(Color), Qt::SolidPattern);
  ApplyBrush();
}

void TPLCanvas::SetFont(const QFont& Font) {
  if (FMetrics && Font == FFont) return;
  FFont = Font;
  FMetrics.reset();
  if (FPainter) FPainter->setFont(FFont);
}

void TPLCanvas::SetFontColor(TColor Color) { FFontColor = ColorToQColor(Color); }

const QFontMetrics& TPLCanvas::FontMetrics() {
  if (!FMetrics) {
    if (FDevice)
      FMetrics.emplace(FFont, FDevice);
    else
      FMetrics.emplace(FFont);
  }
  return *FMetrics;
}

int TPLCanvas::TextWidth(const QString& Text) { return FontMetrics().horizontalAdvance(Text); }

int TPLCanvas::TextHeight() { return FontMetrics().height(); }

TPLFontMetrics TPLCanvas::Metrics() {
  const QFontMetrics& fm = FontMetrics();
  TPLFontMetrics m;
  m.Height = fm.height();
  m.Ascent = fm.ascent();
  m.Descent = fm.descent();
  // Qt has no internal leading: it is what the cell holds above the em square.
  const int em = FFont.pixelSize() > 0 ? FFont.pixelSize() : m.Height;
  m.IntLead = std::max(m.Height - em, 0);
  return m;
}

void TPLCanvas::MoveTo(int X, int Y) { FPenPos = QPoint(X, Y); }

void TPLCanvas::LineTo(int X, int Y) {
  const QPoint to(X, Y);
  if (FPainter) FPainter->drawLine(FPenPos, to);
  FPenPos = to;
}

void TPLCanvas::TextOut(int X, int Y, const QString& Text) {
  if (!FPainter) return;
  FPainter->setPen(FFontColor);
  FPainter->drawText(X, Y + FontMetrics().ascent(), Text);
  FPainter->setPen(FPen);
}

void TPLCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  const QRect r = Normalized(X1, Y1, X2, Y2);
  if (FPainter && !r.isEmpty()) FPainter->drawRect(r);
}

void TPLCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  const QRect r = Normalized(X1, Y1, X2, Y2);
  if (FPainter && !r.isEmpty()) FPainter->drawEllipse(r);
}

void TPLCanvas::Polyline(const QPoint* Points, int Count) {
  if (Count <= 0) return;
  if (FPainter) FPainter->drawPolyline(Points, Count);
  FPenPos = Points[Count - 1];
}

void TPLCanvas::SetClipRect(const QRect& Rect) {
  if (FPainter) FPainter->setClipRect(Rect);
}

void TPLCanvas::CancelClipping() {
  if (FPainter) FPainter->setClipping(false);
}

// Dashes and dots are counted in pen widths; on a fine device (a 600 dpi printer) those
// of a thin pen would merge into a solid line, so they keep at least their screen size.
void TPLCanvas::SetPenStyle(TPenStyle Style) {
  FPenStyle = Style;
  const Qt::PenStyle style = ToQtPenStyle(Style);
  FPen.setStyle(style);
  if (style == Qt::SolidLine || style == Qt::NoPen) return;
  const double dpi = FDevice ? FDevice->logicalDpiX() : ScreenDotsPerInch;
  const double scale = dpi / ScreenDotsPerInch / std::max(FPen.width(), 1);
  if (scale <= 1) return;
  QPen probe(style);
  QList<qreal> pattern = probe.dashPattern();
  for (qreal& v : pattern) v *= scale;
  FPen.setDashPattern(pattern);
}

void TPLCanvas::ApplyPen() {
  if (!FPainter) return;
  FPainter->setPen(FPen);
  // Exclusive or exists on raster devices only; elsewhere the pen copies.
  FPainter->setCompositionMode(FPenMode == pmXor ? QPainter::RasterOp_SourceXorDestination
                                                 : QPainter::CompositionMode_SourceOver);
}

void TPLCanvas::ApplyBrush() {
  if (FPainter) FPainter->setBrush(FBrush);
}

// The area from the smaller to the larger corner; a rectangle of no width or height
// draws nothing. QRect's far corner is inclusive, hence the one less.
QRect TPLCanvas::Normalized(int X1, int Y1, int X2, int Y2) {
  return QRect(QPoint(std::min(X1, X2), std::min(Y1, Y2)), QPoint(std::max(X1, X2) - 1, std::max(Y1, Y2) - 1));
}

}  // namespace vt
