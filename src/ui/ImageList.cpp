// The numbered image collection; see ImageList.h.
#include "ui/ImageList.h"

#include <utility>

namespace vt {

void TImageList::SetImage(int Index, QImage Image) {
  if (Index < 0) return;
  if (Index >= Count()) FImages.resize(Index + 1);
  FImages[Index] = std::move(Image);
}

QImage TImageList::Image(int Index) const { return Index >= 0 && Index < Count() ? FImages[Index] : QImage(); }

}  // namespace vt
