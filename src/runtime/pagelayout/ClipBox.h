// Borders (inner margins and lines drawn with document pens) and the clipped box that
// holds items: the base of text boxes, flow boxes and plot boxes.
#pragma once

#include "runtime/pagelayout/LayoutObjects.h"

namespace vt {

class TPLBorder : public TPLObject {
 public:
  void Execute(TGraphicAction, TPLContext&) override {}
  void SetSpaces(int ALeft, int ARight, int ATop, int ABottom);
  // Document pen indexes; 0 or less draws no line on that side.
  void SetLines(int ALeft, int ARight, int ATop, int ABottom);
  void Draw(TPLContext& Context, int X, int Y, int W, int H) const;

  int FLeftSpace = 0;
  int FRightSpace = 0;
  int FTopSpace = 0;
  int FBottomSpace = 0;
  int FLeftLine = 0;
  int FRightLine = 0;
  int FTopLine = 0;
  int FBottomLine = 0;
};

class TPLClipBox : public TPLFrame {
 public:
  TPLClipBox();
  ~TPLClipBox() override;

  void Execute(TGraphicAction Action, TPLContext& Context) override;
  // Lay the items out inside the client area, and draw them; a box kind supplies both.
  virtual void ArrangeItems(TPLContext& Context);
  virtual void DrawItems(TPLContext& Context);
  // Releases every item and removes the border.
  virtual void Clear();

  // Made on first request.
  TPLBorder* GetBorder();
  void SetBorder(TPLBorder* Border);
  void SetVisible(bool Value) { FVisible = Value; }
  // The client area is the frame less the border's spaces; nothing while invisible.
  int GetClientWidth() const;
  int GetClientHeight() const;
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);

  TRef<TPLCollection> FItems;
  bool FAutoWidth = false;
  int FContentWidth = 0;
  bool FAutoHeight = false;
  int FContentHeight = 0;
  bool FVisible = true;
  TRef<TPLBorder> FBorder;

 private:
  void Draw(TPLContext& Context);
};

}  // namespace vt
