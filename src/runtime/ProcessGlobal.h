// The runtime's process-wide objects (main scheduler, pools, dispatcher, client pool):
// the shell creates each once at start-up and frees it at the end; every thread reads it.
#pragma once

#include <atomic>

#include "Exceptions.h"

namespace vt {

template <class T>
class TMxGlobal {
 public:
  // Raises ExistsError when the object exists already.
  void Create(const char* ExistsError) {
    T* fresh = new T;
    T* none = nullptr;
    if (!FObject.compare_exchange_strong(none, fresh)) {
      delete fresh;
      throw Exception(ExistsError);
    }
  }
  void Free() { delete FObject.exchange(nullptr); }
  T* Get() const { return FObject; }

 private:
  std::atomic<T*> FObject{nullptr};
};

}  // namespace vt
