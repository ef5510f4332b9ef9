// The runtime's process-wide objects (main scheduler, pools, dispatcher, client pool),
// which the shell creates once at start-up and frees at the end, and the program's end
// flag; every thread reads them.
#pragma once

#include <atomic>

#include "platform/Exceptions.h"

namespace vt {

// Set by the application shell when the program is to end; read on every thread
// (schedulers, the debug filter, the drive links), hence atomic.
extern std::atomic<bool> MainFormExitRequest;

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
