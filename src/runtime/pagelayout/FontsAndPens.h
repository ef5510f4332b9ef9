// The document's fonts and pens, sized in logical units and turned into device sizes
// by each render, and the pen given by value (TPenDef).
#pragma once

#include <QFont>

#include <string_view>

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/LayoutObjects.h"

namespace vt {

class TPLFont : public TPLObject {
 public:
  // Size is the font's height in logical units.
  TPLFont(std::string_view Name, int Size, TFontStyles Style);
  // On gaRender: sizes the platform font for the context's device and reads its metrics.
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  // Metrics in logical units, valid after a render.
  int GetHeight() const { return FMetrics.Height; }
  int GetAscent() const { return FMetrics.Ascent; }
  int GetDescent() const { return FMetrics.Descent; }
  int GetIntLead() const { return FMetrics.IntLead; }
  int GetOverhang() const { return FMetrics.Overhang; }
  int GetMiddle() const { return FMetrics.Ascent / 2 + FMetrics.IntLead; }
  int GetSpace() const { return FSpace; }

  int FIndex = 0;
  QFont FFont;
  TColor FColor = clBlack;
  int FSize;
  TPLFontMetrics FMetrics;  // logical units
  int FSpace = 0;
};

class TPLPen : public TPLObject {
 public:
  explicit TPLPen(int Width) : FWidth(Width) {}
  // On gaRender: the device width.
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  int FIndex = 0;
  int FWidth;  // logical units
  TColor FColor = clBlack;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  int FDeviceWidth = 0;
};

// A pen by value; Width in logical units.
struct TPenDef {
  int Width = 0;
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
};

}  // namespace vt
