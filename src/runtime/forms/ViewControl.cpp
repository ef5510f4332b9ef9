// See ViewControl.h.
#include "runtime/forms/ViewControl.h"

#include <QPainter>

#include "runtime/DebugLog.h"
#include "runtime/pagelayout/Document.h"

namespace vt {

TPLViewControl::TPLViewControl(QWidget* AOwner) : QWidget(AOwner), FBackground(ColorToQColor(clWhite)) {
  setObjectName(QStringLiteral("PLViewControl"));
  FCanvas.SetDevice(this);
  FViewContext.SetCanvas(&FCanvas);
}

TPLViewControl::~TPLViewControl() = default;

void TPLViewControl::Setup(int LogBase, int PixBase) {
  FLogBase = LogBase;
  FPixBase = PixBase;
  if (width() <= 0 || height() <= 0) {
    FSetupRequest = true;
    return;
  }
  FViewContext.SetupView(LogBase, PixBase, width(), height());
  FSetupRequest = false;
}

void TPLViewControl::SetLogicalOffset(int LeftOffs, int TopOffs) {
  FViewContext.FInitLogOffs = QPoint(LeftOffs, TopOffs);
  Render();
}

void TPLViewControl::Render() {
  FViewContext.Render();
  update();
}

void TPLViewControl::InitBackground(TColor AColor, TBrushStyle AStyle) {
  FBackground = AStyle == bsClear ? QBrush(Qt::NoBrush) : QBrush(ColorToQColor(AColor));
  update();
}

void TPLViewControl::InitPen(TColor AColor, TPenStyle AStyle) { FCanvas.SetPen(AColor, 0, AStyle, pmCopy); }

void TPLViewControl::SetCurrentPage(int Value) {
  FViewContext.FCurrentPageIndex = Value;
  update();
}

// The whole client area gets the background, then the sheet and the page. A failure
// cannot leave a paint event: it goes to the debug log and the view stays as drawn.
void TPLViewControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), FBackground);
  FCanvas.BeginDraw(&painter);
  try {
    FViewContext.Paint();
  } catch (const std::exception& e) {
    LogError(e.what());
  }
  FCanvas.EndDraw();
}

// A set-up that waited for a size is done now, and the document laid out for it.
void TPLViewControl::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  if (!FSetupRequest || width() <= 0 || height() <= 0) return;
  try {
    Setup(FLogBase, FPixBase);
    if (GetDocument()) Render();
  } catch (const std::exception& e) {
    LogError(e.what());
  }
}

}  // namespace vt
