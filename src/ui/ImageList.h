// A numbered collection of small images shared by controls, such as the node images of
// the model tree's views: number n shows image n; a number without an image shows none.
// GUI thread only.
#pragma once

#include <QImage>
#include <vector>

namespace vt {

class TImageList {
 public:
  // Puts Image at Index (0 or more), growing the list with empty images as needed.
  void SetImage(int Index, QImage Image);
  // A null image for a number that has none (-1 among them).
  QImage Image(int Index) const;
  int Count() const { return static_cast<int>(FImages.size()); }

 private:
  std::vector<QImage> FImages;
};

}  // namespace vt
