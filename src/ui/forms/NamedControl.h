// A new control with its object name, the name that tests and settings find it by; and
// the look-up of a child by its own class, which Qt's findChild cannot do for our window
// classes: they declare no meta-object, so findChild would take any child of their Qt base.
#pragma once

#include <QObject>

namespace vt {

template <class T>
T* Named(T* Control, const char* Name) {
  Control->setObjectName(Name);
  return Control;
}

// The first child, at any depth, that is a T; none when there is none.
template <class T>
T* ChildOf(const QObject* Parent) {
  for (QObject* child : Parent->findChildren<QObject*>())
    if (auto* found = dynamic_cast<T*>(child)) return found;
  return nullptr;
}

}  // namespace vt
