// The window context: renders a document onto a widget's canvas, FPixBase pixels for
// FLogBase logical units, scrolled by the initial logical offset.
#pragma once

#include "runtime/pagelayout/Context.h"

namespace vt {

class TPLViewContext : public TPLContext {
 public:
  // A white sheet under the document at the current logical offset, then the page.
  void Paint();
  // The page of a Width x Height pixel view in which PixBase pixels show LogBase units.
  void SetupView(int LogBase, int PixBase, int Width, int Height);
};

}  // namespace vt
