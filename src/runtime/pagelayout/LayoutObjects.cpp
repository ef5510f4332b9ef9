// See LayoutObjects.h.
#include "runtime/pagelayout/LayoutObjects.h"

#include "platform/Format.h"
#include "platform/TextConversion.h"
#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/FontsAndPens.h"

namespace vt {

void RaiseAbstractError() { throw Exception("Abstract Error"); }

void RaiseListIndexError(int Index) { throw Exception(Format("List index out of bounds (%d)", Index)); }

QString AnsiToQString(std::string_view Text) { return ToQString(AnsiToWide(Text)); }

void TPLObject::Execute(TGraphicAction, TPLContext&) { RaiseAbstractError(); }

TPLCollection::~TPLCollection() { Clear(); }

void TPLCollection::Execute(TGraphicAction Action, TPLContext& Context) {
  for (TPLObject* item : FList) item->Execute(Action, Context);
}

void TPLCollection::Add(TPLObject* Obj) {
  Obj->AddRef();
  FList.push_back(Obj);
}

void TPLCollection::Delete(int Index) {
  TPLObject* obj = GetItem(Index);
  FList.erase(FList.begin() + Index);
  obj->Release();
}

void TPLCollection::Remove(TPLObject* Obj) {
  for (std::size_t i = 0; i < FList.size(); ++i)
    if (FList[i] == Obj) return Delete(static_cast<int>(i));
}

// From the last to the first, so that an item released early never finds a later one gone.
void TPLCollection::Clear() {
  while (!FList.empty()) {
    TPLObject* obj = FList.back();
    FList.pop_back();
    obj->Release();
  }
}

TPLObject* TPLCollection::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) RaiseListIndexError(Index);
  return FList[Index];
}

TPLText::TPLText(int X, int Y, std::string_view Text)
    : FText(Text), FShownText(AnsiToQString(Text)) {
  FLeft = X;
  FTop = Y;
}

void TPLText::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action == gaRender) {
    Context.SetFont(FFontIndex);
    const QPoint extent = Context.GetTextExtent(FShownText);
    FWidth = extent.x();
    FHeight = extent.y();
    const TPLFont* font = Context.GetFont(FFontIndex);
    FBase = font->GetAscent();
    FSpace = font->GetSpace();
    FOrigin.setX(FHorzAlign == thaCenter ? FWidth / 2 : FHorzAlign == thaRight ? FWidth : 0);
    switch (FVertAlign) {
      case tvaTop: FOrigin.setY(0); break;
      case tvaRoof: FOrigin.setY(font->GetIntLead()); break;
      case tvaMid: FOrigin.setY(font->GetMiddle()); break;
      case tvaBase: FOrigin.setY(font->GetAscent()); break;
      case tvaBottom: FOrigin.setY(font->GetHeight()); break;
    }
  } else if (Action == gaDraw) {
    const QPoint saved = Context.ShiftLogicalOffset(FLeft, FTop);
    Context.SetFont(FFontIndex);
    Context.TextOut(0, 0, FShownText);
    Context.RestoreLogicalOffset(saved);
  }
}

}  // namespace vt
