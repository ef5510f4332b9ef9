// See PlotAxis.h.
#include "runtime/pagelayout/PlotAxis.h"

#include <algorithm>
#include <cmath>

#include "platform/NumberText.h"
#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/FontsAndPens.h"
#include "runtime/pagelayout/LayoutLimits.h"
#include "runtime/pagelayout/PlotBox.h"

namespace vt {

namespace {

// Labels of divisions closer to 0 than this are written as 0 (sums of steps leave dust).
constexpr double ZeroLabelLimit = 1e-9;

}  // namespace

double TPLPlotAxis::LcToPcX(int X) const {
  return static_cast<double>(X - FOrigin.x()) * FSpaceValue / FVector.x() + FStartValue;
}

double TPLPlotAxis::LcToPcY(int Y) const {
  return static_cast<double>(Y - FOrigin.y()) * FSpaceValue / FVector.y() + FStartValue;
}

std::string TPLPlotAxis::ValueString(double Value) { return FloatToStrGeneral(Value, 4); }

void TPLPlotAxis::SelectFont(TPLContext& Context) const {
  Context.SetFont(FFontIndex);
  Context.Canvas().SetFontColor(FColor);
}

void TPLPlotAxis::CalcBorder1(TBorderWidth& Needed, TBorderWidth& Minimum, TPLContext& Context) {
  SelectFont(Context);
  const int h = Context.GetFont(FFontIndex)->GetHeight() / 2;
  const QPoint nine = Context.GetTextExtent(QStringLiteral("9"));
  FLabelSize = QSize(nine.x() * FDigits, nine.y());
  if (!FVisible) return;
  FSpacing = h;
  if (IsVertical()) {
    Minimum.Top = std::max(Minimum.Top, 3 * h);
    Minimum.Bottom = std::max(Minimum.Bottom, FSpacing);
    (FStyle == pasLeft ? Needed.Left : Needed.Right) += FLabelSize.width() + FSpacing;
  } else {
    Minimum.Left = std::max(Minimum.Left, FLabelSize.width() / 2);
    Minimum.Right = std::max(Minimum.Right, FLabelSize.width() / 2);
    (FStyle == pasTop ? Needed.Top : Needed.Bottom) += 4 * h + FSpacing;
  }
}

void TPLPlotAxis::CalcBorder2(TBorderWidth& Offset, const TBorderWidth& Total) {
  const int cw = FOwner->GetClientWidth();
  const int ch = FOwner->GetClientHeight();
  switch (FStyle) {
    case pasLeft:
      if (FVisible) Offset.Left += FLabelSize.width() + FSpacing;
      FOrigin = QPoint(Offset.Left, ch - Total.Bottom);
      FVector = QPoint(0, -(ch - Total.Top - Total.Bottom));
      break;
    case pasRight:
      if (FVisible) Offset.Right += FLabelSize.width() + FSpacing;
      FOrigin = QPoint(cw - Offset.Right, ch - Total.Bottom);
      FVector = QPoint(0, -(ch - Total.Top - Total.Bottom));
      break;
    case pasTop:
      if (FVisible) Offset.Top += 2 * FLabelSize.height() + FSpacing;
      FOrigin = QPoint(Total.Left, Offset.Top);
      FVector = QPoint(cw - Total.Left - Total.Right, 0);
      break;
    case pasBottom:
      if (FVisible) Offset.Bottom += 2 * FLabelSize.height() + FSpacing;
      FOrigin = QPoint(Total.Left, ch - Offset.Bottom);
      FVector = QPoint(cw - Total.Left - Total.Right, 0);
      break;
  }
}

void TPLPlotAxis::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action == gaRender) {
    SelectFont(Context);
    ComputeDivisions();
  } else if (Action == gaDraw && FVisible) {
    SelectFont(Context);
    DrawLabels(Context);
    DrawCaption(Context);
  }
}

// A span of 0 and a division width of 0 are replaced, so that nothing divides by 0.
void TPLPlotAxis::ComputeDivisions() {
  if (FSpaceValue == 0) FSpaceValue = 0.0001;
  if (FDivWidth == 0) FDivWidth = std::fabs(FSpaceValue);
  const double first = (FStartValue - FDivOrigin) / FDivWidth;
  const double last = (FStartValue + FSpaceValue - FDivOrigin) / FDivWidth;
  const bool positive = FSpaceValue > 0;
  const double firstIndex = positive ? std::ceil(first) : std::floor(first);
  const double lastIndex = positive ? std::floor(last) : std::ceil(last);
  // Settings that would give endless divisions (or none that can be counted) are an error.
  if (!(std::fabs(firstIndex) <= PlotPositionLimit && std::fabs(lastIndex) <= PlotPositionLimit) ||
      std::fabs(lastIndex - firstIndex) > PLMaxAxisDivisions)
    throw EPLError("TPLPlotAxis.Execute: the axis has too many divisions");
  FFirstDivIndex = static_cast<int>(firstIndex);
  FLastDivIndex = static_cast<int>(lastIndex);
}

void TPLPlotAxis::DrawLabels(TPLContext& Context) {
  for (int i = FFirstDivIndex; i <= FLastDivIndex; ++i) {
    double value = DivisionValue(i);
    if (std::fabs(value) < ZeroLabelLimit) value = 0;
    const int x = PcToLcX(value);
    const int y = PcToLcY(value);
    const QString text = AnsiToQString(ValueString(value));
    const QPoint extent = Context.GetTextExtent(text);
    const int w = extent.x();
    const int h = extent.y();
    switch (FStyle) {
      case pasLeft: Context.TextOut(x - FSpacing - w, y - h / 2, text); break;
      case pasRight: Context.TextOut(x + FSpacing, y - h / 2, text); break;
      case pasTop: Context.TextOut(x - w / 2, y - FSpacing - h, text); break;
      case pasBottom: Context.TextOut(x - w / 2, y + FSpacing, text); break;
    }
  }
}

void TPLPlotAxis::DrawCaption(TPLContext& Context) {
  if (!FVisible || FCaption.empty()) return;
  const QString text = AnsiToQString(FCaption);
  const QPoint extent = Context.GetTextExtent(text);
  const int w = extent.x();
  const int h = extent.y();
  const int aboveTop = FOrigin.y() + FVector.y() - (3 * FLabelSize.height()) / 2;
  const int centred = FOrigin.x() + (FVector.x() - w) / 2;
  switch (FStyle) {
    case pasLeft: Context.TextOut(FOrigin.x() - std::min(w, FLabelSize.width()) - FSpacing, aboveTop, text); break;
    case pasRight:
      Context.TextOut(FOrigin.x() + FSpacing + (w > FLabelSize.width() ? FLabelSize.width() - w : 0), aboveTop, text);
      break;
    case pasTop: Context.TextOut(centred, FOrigin.y() - FSpacing - FLabelSize.height() - h, text); break;
    case pasBottom: Context.TextOut(centred, FOrigin.y() + FSpacing + FLabelSize.height(), text); break;
  }
}

}  // namespace vt
