// The window control that shows a page-layout document (the oscilloscope graph, print
// previews): a white sheet on its background, scaled from logical units to pixels and
// scrolled by a logical offset. The document belongs to the caller.
#pragma once

#include <QWidget>

#include "runtime/pagelayout/Canvas.h"
#include "runtime/pagelayout/ViewContext.h"

namespace vt {

class TPLDocument;

class TPLViewControl : public QWidget {
 public:
  explicit TPLViewControl(QWidget* AOwner = nullptr);
  ~TPLViewControl() override;

  // PixBase pixels show LogBase logical units; without a size yet, the set-up waits
  // for the first resize that gives one.
  void Setup(int LogBase, int PixBase);
  // The view scrolls so that this logical point is at the top left, laid out again.
  void SetLogicalOffset(int LeftOffs, int TopOffs);
  void Render();
  void InitBackground(TColor AColor, TBrushStyle AStyle);
  void InitPen(TColor AColor, TPenStyle AStyle);
  TPLDocument* GetDocument() const { return FViewContext.GetDocument(); }
  void SetDocument(TPLDocument* Value) { FViewContext.SetDocument(Value); }
  int GetCurrentPage() const { return FViewContext.FCurrentPageIndex; }
  void SetCurrentPage(int Value);
  int GetLogicalWidth() const { return FViewContext.DsToLsX(width()); }
  int GetLogicalHeight() const { return FViewContext.DsToLsY(height()); }
  int GetLogicalLeft() const { return FViewContext.FInitLogOffs.x(); }
  int GetLogicalTop() const { return FViewContext.FInitLogOffs.y(); }
  int GetPxToLogX(int Value) const { return FViewContext.DsToLsX(Value); }
  int GetPxToLogY(int Value) const { return FViewContext.DsToLsY(Value); }
  int GetLogToPxX(int Value) const { return FViewContext.LsToDsX(Value); }
  int GetLogToPxY(int Value) const { return FViewContext.LsToDsY(Value); }
  bool SetupPending() const { return FSetupRequest; }
  TPLViewContext& ViewContext() { return FViewContext; }

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  bool FSetupRequest = false;
  int FLogBase = 0;
  int FPixBase = 0;
  QBrush FBackground;
  TPLCanvas FCanvas;
  TPLViewContext FViewContext;
};

}  // namespace vt
