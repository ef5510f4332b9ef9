// See FontsAndPens.h.
#include "runtime/pagelayout/FontsAndPens.h"

#include <cmath>

#include "runtime/pagelayout/Context.h"

namespace vt {

TPLFont::TPLFont(std::string_view Name, int Size, TFontStyles Style) : FFont(AnsiToQString(Name)), FSize(Size) {
  FFont.setBold(Style & fsBold);
  FFont.setItalic(Style & fsItalic);
  FFont.setUnderline(Style & fsUnderline);
  FFont.setStrikeOut(Style & fsStrikeOut);
}

void TPLFont::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action != gaRender) return;
  // Fonts come in whole points, as on the platform: the device height goes through the
  // point size at the resolution the context names, and back.
  const int ppi = Context.PixelsPerInch();
  const double deviceHeight = Context.LsToDsY(FSize);
  const double points = std::nearbyint(deviceHeight * 72 / ppi);
  const int pixels = static_cast<int>(std::nearbyint(points * ppi / 72));
  FFont.setPixelSize(pixels > 0 ? pixels : 1);
  Context.SelectFont(*this);
  const TPLFontMetrics device = Context.Canvas().Metrics();
  FMetrics.Height = Context.DsToLsY(device.Height);
  FMetrics.Ascent = Context.DsToLsY(device.Ascent);
  FMetrics.Descent = Context.DsToLsY(device.Descent);
  FMetrics.IntLead = Context.DsToLsY(device.IntLead);
  FMetrics.Overhang = Context.DsToLsX(device.Overhang);
  FSpace = Context.GetTextWidth(QStringLiteral(" "));
}

void TPLPen::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action == gaRender) FDeviceWidth = Context.LsToDsY(FWidth);
}

}  // namespace vt
