// A value axis of a plot box: maps values to logical positions, claims the margin its
// labels need, and draws its division labels and caption.
#pragma once

#include <QPoint>
#include <QSize>

#include <string>

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/LayoutObjects.h"

namespace vt {

class TPLPlotBox;

// Logical positions of values are held within this magnitude, so that far values (and
// NaN, which stays at the origin) pass every later conversion.
inline constexpr double PlotPositionLimit = 1e9;

inline int PlotPosition(int Origin, double Offset) {
  if (!(Offset >= -PlotPositionLimit)) Offset = Offset != Offset ? 0 : -PlotPositionLimit;
  if (Offset > PlotPositionLimit) Offset = PlotPositionLimit;
  return Origin + static_cast<int>(RoundHalfEven(Offset));
}

// Left and right axes are vertical (they carry y values), top and bottom horizontal.
enum TPlotAxisStyle { pasLeft, pasRight, pasTop, pasBottom };

struct TBorderWidth {
  int Left = 0;
  int Right = 0;
  int Top = 0;
  int Bottom = 0;
};

class TPLPlotAxis : public TPLObject {
 public:
  TPLPlotAxis(TPLPlotBox* Owner, TPlotAxisStyle Style) : FOwner(Owner), FStyle(Style) {}

  // gaRender: the visible divisions; gaDraw: labels and caption.
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  bool IsVertical() const { return FStyle == pasLeft || FStyle == pasRight; }
  // Value to logical position and back.
  int PcToLcX(double Value) const { return PlotPosition(FOrigin.x(), (Value - FStartValue) * (FVector.x() / FSpaceValue)); }
  int PcToLcY(double Value) const { return PlotPosition(FOrigin.y(), (Value - FStartValue) * (FVector.y() / FSpaceValue)); }
  double LcToPcX(int X) const;
  double LcToPcY(int Y) const;
  // A label: 4 significant digits, '.' as decimal separator.
  static std::string ValueString(double Value);
  double DivisionValue(int Index) const { return FDivOrigin + FDivWidth * Index; }

  // The margins this axis needs beside the grid, added to Needed, and the least the
  // box must keep on the other sides, raised in Minimum.
  void CalcBorder1(TBorderWidth& Needed, TBorderWidth& Minimum, TPLContext& Context);
  // Places the axis: Offset grows by what this axis takes on its side.
  void CalcBorder2(TBorderWidth& Offset, const TBorderWidth& Total);
  void DrawCaption(TPLContext& Context);

  TPLPlotBox* FOwner;
  TPlotAxisStyle FStyle;
  double FStartValue = 0;
  double FSpaceValue = 1.0;
  double FDivOrigin = 0;
  double FDivWidth = 0;  // 0: the span
  QPoint FOrigin;
  QPoint FVector;
  bool FVisible = true;
  int FDigits = 8;
  std::string FCaption;
  int FFontIndex = 0;
  TColor FColor = clBlack;
  int FSpacing = 0;
  QSize FLabelSize;
  int FFirstDivIndex = 0;
  int FLastDivIndex = -1;

 private:
  void SelectFont(TPLContext& Context) const;
  void ComputeDivisions();
  void DrawLabels(TPLContext& Context);
};


}  // namespace vt
