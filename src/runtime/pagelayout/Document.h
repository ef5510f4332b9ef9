// One printout: fonts and pens, a header and a footer drawn on every page, and the body
// that flows over the pages, on a sheet of logical units (A4 in 1/100 mm by default).
#pragma once

#include <string_view>

#include "runtime/pagelayout/FontsAndPens.h"
#include "runtime/pagelayout/TextBox.h"

namespace vt {

class TPLDocument : public TPLObject {
 public:
  TPLDocument();
  ~TPLDocument() override;

  void Execute(TGraphicAction Action, TPLContext& Context) override;

  // Append a font or pen and return its index (the first gets 0).
  int CreateFont(std::string_view Name, int Size, TFontStyles Style);
  int CreatePen(int Width);
  // Raise the list-index error out of range, the cast error for an item of another class.
  TPLFont* GetFont(int Index) const;
  TPLPen* GetPen(int Index) const;
  int GetPenCount() const { return FPens->GetCount(); }
  // Removes the font at index 0 when there is one; the others keep their FIndex.
  void ClearFont();
  TPLFlowBox* GetBodyTextBox() const { return FBody.get(); }
  int GetPageCount() const { return FBody->GetPageCount(); }
  void Clear();

  TRef<TPLCollection> FFonts;
  TRef<TPLCollection> FPens;
  TRef<TPLFlowBox> FBody;
  TRef<TPLTextBox> FHeader;
  TRef<TPLTextBox> FFooter;
  int FWidth = 21000;
  int FHeight = 29700;
  int FLeftBorder = 2000;
  int FRightBorder = 2000;
  int FTopBorder = 2000;
  int FBottomBorder = 2000;
  int FHeaderHeight = 0;
  int FFooterHeight = 0;
  int FHeaderSpace = 800;
  int FFooterSpace = 800;
  int FAutoTabSize = 500;

 private:
  void PlaceBody();
};

}  // namespace vt
