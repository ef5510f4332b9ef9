// A new control with its object name, the name that tests and settings find it by.
#pragma once

namespace vt {

template <class T>
T* Named(T* Control, const char* Name) {
  Control->setObjectName(Name);
  return Control;
}

}  // namespace vt
