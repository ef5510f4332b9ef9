// See Context.h.
#include "runtime/pagelayout/Context.h"

#include <cmath>
#include <cstdlib>

#include "runtime/pagelayout/Document.h"
#include "runtime/pagelayout/FontsAndPens.h"
#include "runtime/pagelayout/LayoutLimits.h"

namespace vt {

TPLFraction CompFract(double Ratio, double Tolerance) {
  if (Ratio == 0 || !std::isfinite(Ratio))
    throw EPLError("TPLContext.ComputeScale: the page and the view need an extent");
  TPLFraction f;
  for (f.Den = 1; f.Den <= PLMaxScaleDenominator; f.Den *= 2) {
    f.Num = std::llrint(Ratio * static_cast<double>(f.Den));
    f.Inverse = 1.0 / static_cast<double>(f.Den);
    if (std::fabs(static_cast<double>(f.Num) * f.Inverse - Ratio) / std::fabs(Ratio) < Tolerance) return f;
  }
  throw EPLError("TPLContext.ComputeScale: scale out of range");
}

TPLContext::TPLContext() = default;

TPLContext::~TPLContext() = default;

void TPLContext::SetDocument(TPLDocument* Document) { FDocument.Assign(Document); }

void TPLContext::Render() {
  if (!FDocument) return;
  if (ScaleChanged) ComputeScale();
  FDocument->Execute(gaRender, *this);
  FLogOffs = FInitLogOffs;
}

void TPLContext::Draw() {
  FLogOffs = FInitLogOffs;
  if (FDocument) FDocument->Execute(gaDraw, *this);
}

int TPLContext::PixelsPerInch() const { return ScreenPixelsPerInch > 0 ? ScreenPixelsPerInch : 96; }

void TPLContext::SetPage(QPoint Size, QPoint Min, QPoint Max) {
  FPageSize = Size;
  FPageMin = Min;
  FPageMax = Max;
  ScaleChanged = true;
}

void TPLContext::SetView(QPoint P1, QPoint P2) {
  FViewMin = P1;
  FViewMax = P2;
  ScaleChanged = true;
}

void TPLContext::ComputeScale() {
  const auto ratio = [](int View, int Page) { return static_cast<double>(View) / static_cast<double>(Page); };
  // Both fractions are found before either is kept, so a failure leaves the old scale.
  const TPLFraction x = CompFract(ratio(FViewMax.x() - FViewMin.x(), FPageMax.x() - FPageMin.x()), PLScaleTolerance);
  const TPLFraction y = CompFract(ratio(FViewMax.y() - FViewMin.y(), FPageMax.y() - FPageMin.y()), PLScaleTolerance);
  FScaleX = x;
  FScaleY = y;
  FDevOffs = QPoint(LsToDsX(-FPageMin.x()) + FViewMin.x(), LsToDsY(-FPageMin.y()) + FViewMin.y());
  ScaleChanged = false;
}

QPoint TPLContext::ShiftLogicalOffset(int Dx, int Dy) {
  const QPoint saved = FLogOffs;
  FLogOffs += QPoint(Dx, Dy);
  return saved;
}

TPLContext::TDeviceCorners TPLContext::DeviceCorners(int X1, int Y1, int X2, int Y2) const {
  const int dx = LcToDcX(X1);
  const int dy = LcToDcY(Y1);
  const int w = LsToDsX(std::abs(X2 - X1));
  const int h = LsToDsY(std::abs(Y2 - Y1));
  return {dx, dy, X2 >= X1 ? dx + w : dx - w, Y2 >= Y1 ? dy + h : dy - h};
}

void TPLContext::MoveTo(int X, int Y) { FCanvas->MoveTo(LcToDcX(X), LcToDcY(Y)); }

void TPLContext::LineTo(int X, int Y) { FCanvas->LineTo(LcToDcX(X), LcToDcY(Y)); }

void TPLContext::TextOut(int X, int Y, const QString& Text) { FCanvas->TextOut(LcToDcX(X), LcToDcY(Y), Text); }

void TPLContext::Rectangle(int X1, int Y1, int X2, int Y2) {
  const TDeviceCorners c = DeviceCorners(X1, Y1, X2, Y2);
  FCanvas->Rectangle(c.X1, c.Y1, c.X2, c.Y2);
}

void TPLContext::Ellipse(int X1, int Y1, int X2, int Y2) {
  const TDeviceCorners c = DeviceCorners(X1, Y1, X2, Y2);
  FCanvas->Ellipse(c.X1, c.Y1, c.X2, c.Y2);
}

void TPLContext::SetFont(int Index) { SelectFont(*GetFont(Index)); }

void TPLContext::SelectFont(const TPLFont& Font) {
  FCanvas->SetFont(Font.FFont);
  FCanvas->SetFontColor(Font.FColor);
}

void TPLContext::SetPen(int Index) {
  const TPLPen* pen = GetPen(Index);
  FCanvas->SetPen(pen->FColor, pen->FDeviceWidth, pen->FStyle, pen->FMode);
}

void TPLContext::SetPenDef(const TPenDef& Def) { FCanvas->SetPen(Def.Color, LsToDsX(Def.Width), Def.Style, Def.Mode); }

int TPLContext::GetTextWidth(const QString& Text) { return DsToLsX(FCanvas->TextWidth(Text)); }

QPoint TPLContext::GetTextExtent(const QString& Text) {
  return QPoint(DsToLsX(FCanvas->TextWidth(Text)), DsToLsY(FCanvas->TextHeight()));
}

// The far corner is included, one device unit past its mapped point.
void TPLContext::SetClipRect(int X1, int Y1, int X2, int Y2) {
  FCanvas->SetClipRect(QRect(QPoint(LcToDcX(X1), LcToDcY(Y1)), QPoint(LcToDcX(X2), LcToDcY(Y2))));
}

void TPLContext::CancelClipping() { FCanvas->CancelClipping(); }

// Without a document the lists are empty.
TPLFont* TPLContext::GetFont(int Index) const {
  if (!FDocument) RaiseListIndexError(Index);
  return FDocument->GetFont(Index);
}

TPLPen* TPLContext::GetPen(int Index) const {
  if (!FDocument) RaiseListIndexError(Index);
  return FDocument->GetPen(Index);
}

}  // namespace vt
