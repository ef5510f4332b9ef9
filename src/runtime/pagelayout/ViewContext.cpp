// See ViewContext.h.
#include "runtime/pagelayout/ViewContext.h"

#include <cmath>

#include "runtime/pagelayout/Document.h"

namespace vt {

// The sheet is drawn a little larger than the page (10 units) so that no seam shows.
void TPLViewContext::Paint() {
  Canvas().SetBrush(clWhite, bsSolid);
  Canvas().SetPen(clWhite, 1, psSolid, pmCopy);
  if (const TPLDocument* document = GetDocument())
    Rectangle(0, 0, document->FWidth + 10, document->FHeight + 10);
  Draw();
}

void TPLViewContext::SetupView(int LogBase, int PixBase, int Width, int Height) {
  if (LogBase <= 0 || PixBase <= 0) throw EPLError("TPLViewControl.Setup: the bases must be above 0");
  const double pixelsPerUnit = static_cast<double>(PixBase) / LogBase;
  const QPoint size(static_cast<int>(std::nearbyint(Width / pixelsPerUnit)),
                    static_cast<int>(std::nearbyint(Height / pixelsPerUnit)));
  SetPage(size, QPoint(0, 0), size);
  SetView(QPoint(0, 0), QPoint(Width, Height));
}

}  // namespace vt
