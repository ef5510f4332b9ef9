// See PlotBox.h.
#include "runtime/pagelayout/PlotBox.h"

#include <algorithm>

#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/Document.h"

namespace vt {

TPLPlotBox::TPLPlotBox()
    : FAxisList(new TPLCollection), FGraphList(new TPLCollection), FDefHorzAxis(CreateAxis(pasBottom)),
      FDefVertAxis(CreateAxis(pasLeft)), FGrid(new TPLPlotGrid(FDefHorzAxis, FDefVertAxis)) {}

TPLPlotBox::~TPLPlotBox() = default;

TPLPlotAxis* TPLPlotBox::CreateAxis(TPlotAxisStyle Style) {
  auto* axis = new TPLPlotAxis(this, Style);
  FAxisList->Add(axis);
  return axis;
}

TPLPlotGraph* TPLPlotBox::CreateGraph() {
  auto* graph = new TPLPlotGraph(this);
  FGraphList->Add(graph);
  return graph;
}

void TPLPlotBox::ArrangeItems(TPLContext& Context) {
  // Checked here, before any page is drawn, rather than half-way through a printout.
  if (Context.GetDocument() && Context.GetDocument()->GetPenCount() < 2)
    throw EPLError("TPLPlotBox.ArrangeItems: the document needs at least two pens");
  TBorderWidth needed;
  TBorderWidth minimum{FLeftAxisSpace, FRightAxisSpace, 0, 0};
  const int count = FAxisList->GetCount();
  const auto axis = [&](int I) { return static_cast<TPLPlotAxis*>(FAxisList->Item(I)); };
  for (int i = 0; i < count; ++i) axis(i)->CalcBorder1(needed, minimum, Context);
  const TBorderWidth total{std::max(needed.Left, minimum.Left), std::max(needed.Right, minimum.Right),
                           std::max(needed.Top, minimum.Top), std::max(needed.Bottom, minimum.Bottom)};
  // The surplus over what the axes need lies outside them.
  TBorderWidth offset{total.Left - needed.Left, total.Right - needed.Right, total.Top - needed.Top,
                      total.Bottom - needed.Bottom};
  for (int i = 0; i < count; ++i) axis(i)->CalcBorder2(offset, total);
  FGrid->FLeft = total.Left;
  FGrid->FTop = total.Top;
  FGrid->FWidth = GetClientWidth() - total.Left - total.Right;
  FGrid->FHeight = GetClientHeight() - total.Top - total.Bottom;
  FAxisList->Execute(gaRender, Context);
}

void TPLPlotBox::DrawItems(TPLContext& Context) {
  Context.SetPen(1);
  FGrid->Execute(gaDraw, Context);
  FAxisList->Execute(gaDraw, Context);
  Context.SetClipRect(FGrid->FLeft, FGrid->FTop, FGrid->FLeft + FGrid->FWidth, FGrid->FTop + FGrid->FHeight);
  FGraphList->Execute(gaDraw, Context);
}

}  // namespace vt
