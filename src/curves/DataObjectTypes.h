// The process-wide registry of drive data object classes by type name, and the
// object-container manager that curve services' tree entries share. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

// A class reference of a drive data object class: one per class, compared by address.
struct TVxDataTypeClassInfo {
  AnsiString (*ObjectType)();
};
using TVxDataTypeClass = const TVxDataTypeClassInfo*;

template <class T>
TVxDataTypeClass VxDataTypeClassOf() {
  static const TVxDataTypeClassInfo info{&T::ObjectType};
  return &info;
}

class TVxDataTypeList {
 public:
  // Appends AClass; one already registered raises "VxDataType already registered".
  void RegisterVxDataTypeClass(TVxDataTypeClass AClass);
  // The first class in registration order whose type name is TypeName (exact), nil for none.
  TVxDataTypeClass GetVxDataTypeClass(const AnsiString& TypeName) const;

 private:
  std::vector<TVxDataTypeClass> List;
};

class TObjCntManager {
 public:
  // ImageCount: the number of images the main window's image list holds now; the views
  // of curve services append theirs behind them.
  explicit TObjCntManager(std::int32_t ImageCount) : FImageIndexOffset(ImageCount) {}
  std::int32_t GetIndexOfImage(std::int32_t ImageIndex) const { return ImageIndex + FImageIndexOffset; }

 private:
  std::int32_t FImageIndexOffset;
};

// Made by the start-up, live until the process ends.
extern std::unique_ptr<TVxDataTypeList> VxDataTypeList;
extern std::unique_ptr<TObjCntManager> ObjCntManager;

}  // namespace vt
