// See Document.h.
#include "runtime/pagelayout/Document.h"

#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/TabList.h"

namespace vt {

namespace {

template <class T>
T* CheckedItem(const TPLCollection& List, int Index) {
  auto* item = dynamic_cast<T*>(List.GetItem(Index));
  if (!item) throw EInvalidCast();
  return item;
}

}  // namespace

TPLDocument::TPLDocument()
    : FFonts(new TPLCollection), FPens(new TPLCollection), FBody(new TPLFlowBox), FHeader(new TPLTextBox),
      FFooter(new TPLTextBox) {
  FHeader->FAutoHeight = true;
  FFooter->FAutoHeight = true;
  FBody->SetHorzTabs(new TPLTabList);
}

TPLDocument::~TPLDocument() { Clear(); }

int TPLDocument::CreateFont(std::string_view Name, int Size, TFontStyles Style) {
  auto* font = new TPLFont(Name, Size, Style);
  font->FIndex = FFonts->GetCount();
  FFonts->Add(font);
  return font->FIndex;
}

int TPLDocument::CreatePen(int Width) {
  auto* pen = new TPLPen(Width);
  pen->FIndex = FPens->GetCount();
  FPens->Add(pen);
  return pen->FIndex;
}

TPLFont* TPLDocument::GetFont(int Index) const { return CheckedItem<TPLFont>(*FFonts, Index); }

TPLPen* TPLDocument::GetPen(int Index) const { return CheckedItem<TPLPen>(*FPens, Index); }

void TPLDocument::ClearFont() {
  if (FFonts->GetCount() > 0) FFonts->Delete(0);
}

void TPLDocument::Clear() {
  FBody->Clear();
  FHeader->Clear();
  FFooter->Clear();
  FFonts->Clear();
  FPens->Clear();
}

void TPLDocument::Execute(TGraphicAction Action, TPLContext& Context) {
  const int width = FWidth - FLeftBorder - FRightBorder;
  if (Action == gaRender) {
    FHeader->SetX(FLeftBorder);
    FHeader->SetY(FTopBorder);
    FHeader->FWidth = width;
    FHeader->FHeight = FHeaderHeight;
    FFooter->SetX(FLeftBorder);
    FFooter->SetY(FHeight - FBottomBorder - FFooterHeight);
    FFooter->FWidth = width;
    FFooter->FHeight = FFooterHeight;
  }
  // Fonts first, so that the texts measure with sized fonts.
  FFonts->Execute(Action, Context);
  FPens->Execute(Action, Context);
  FHeader->Execute(Action, Context);
  FFooter->Execute(Action, Context);
  if (Action == gaRender) PlaceBody();
  FBody->Execute(Action, Context);
}

// Between header and footer, whose heights the render has just found.
void TPLDocument::PlaceBody() {
  FBody->FAutoHeight = false;
  FBody->GetHorzTabs()->FAutoTab = FAutoTabSize;
  const int top = FTopBorder + FHeader->FHeight + FHeaderSpace;
  FBody->SetY(top);
  FBody->FHeight = FHeight - top - FFooterSpace - FFooter->FHeight - FBottomBorder;
  FBody->SetX(FLeftBorder);
  FBody->FWidth = FWidth - FLeftBorder - FRightBorder;
  FFooter->SetY(FHeight - FBottomBorder - FFooter->FHeight);
}

}  // namespace vt
