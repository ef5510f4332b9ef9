// See ClipBox.h.
#include "runtime/pagelayout/ClipBox.h"

#include "runtime/pagelayout/Context.h"

namespace vt {

void TPLBorder::SetSpaces(int ALeft, int ARight, int ATop, int ABottom) {
  FLeftSpace = ALeft;
  FRightSpace = ARight;
  FTopSpace = ATop;
  FBottomSpace = ABottom;
}

void TPLBorder::SetLines(int ALeft, int ARight, int ATop, int ABottom) {
  FLeftLine = ALeft;
  FRightLine = ARight;
  FTopLine = ATop;
  FBottomLine = ABottom;
}

void TPLBorder::Draw(TPLContext& Context, int X, int Y, int W, int H) const {
  const int r = X + W;
  const int b = Y + H;
  const auto line = [&](int Pen, int X1, int Y1, int X2, int Y2) {
    if (Pen <= 0) return;
    Context.SetPen(Pen);
    Context.MoveTo(X1, Y1);
    Context.LineTo(X2, Y2);
  };
  line(FTopLine, X, Y, r, Y);
  line(FBottomLine, X, b, r, b);
  line(FLeftLine, X, Y, X, b);
  line(FRightLine, r, Y, r, b);
}

TPLClipBox::TPLClipBox() : FItems(new TPLCollection) {}

TPLClipBox::~TPLClipBox() { TPLClipBox::Clear(); }

void TPLClipBox::ArrangeItems(TPLContext&) { RaiseAbstractError(); }

void TPLClipBox::DrawItems(TPLContext&) { RaiseAbstractError(); }

void TPLClipBox::Clear() {
  FItems->Clear();
  FBorder.reset();
}

TPLBorder* TPLClipBox::GetBorder() {
  if (!FBorder) FBorder.Assign(new TPLBorder);
  return FBorder.get();
}

void TPLClipBox::SetBorder(TPLBorder* Border) { FBorder.Assign(Border); }

int TPLClipBox::GetClientWidth() const {
  if (!FVisible) return 0;
  return FBorder ? FWidth - FBorder->FLeftSpace - FBorder->FRightSpace : FWidth;
}

int TPLClipBox::GetClientHeight() const {
  if (!FVisible) return 0;
  return FBorder ? FHeight - FBorder->FTopSpace - FBorder->FBottomSpace : FHeight;
}

void TPLClipBox::SetClientWidth(int Value) {
  FWidth = FBorder ? Value + FBorder->FLeftSpace + FBorder->FRightSpace : Value;
}

void TPLClipBox::SetClientHeight(int Value) {
  FHeight = FBorder ? Value + FBorder->FTopSpace + FBorder->FBottomSpace : Value;
}

void TPLClipBox::Execute(TGraphicAction Action, TPLContext& Context) {
  if (!FVisible) return;
  switch (Action) {
    case gaRender:
      FItems->Execute(gaRender, Context);
      ArrangeItems(Context);
      if (FAutoHeight) SetClientHeight(FContentHeight);
      if (FAutoWidth) SetClientWidth(FContentWidth);
      break;
    case gaDraw: Draw(Context); break;
    default: FItems->Execute(Action, Context); break;
  }
}

void TPLClipBox::Draw(TPLContext& Context) {
  const QPoint outer = Context.ShiftLogicalOffset(FLeft, FTop);
  QPoint inner = outer;
  if (FBorder) inner = Context.ShiftLogicalOffset(FBorder->FLeftSpace, FBorder->FTopSpace);
  Context.SetClipRect(0, 0, GetClientWidth(), GetClientHeight());
  DrawItems(Context);
  Context.CancelClipping();
  if (FBorder) {
    Context.RestoreLogicalOffset(inner);
    FBorder->Draw(Context, 0, 0, FWidth, FHeight);
  }
  Context.RestoreLogicalOffset(outer);
}

}  // namespace vt
