// Reference counting and the autorelease pool; see RefCounting.h.
#include "sl/values/RefCounting.h"

#include <algorithm>
#include <new>

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "sl/SLLimits.h"

namespace vt {

void TRefObj::ForgetPooled() { RefObjManager().ForgetObject(this); }

namespace {

// The flags are plain values apart from the list, so that the common destruction (of
// an object that destroys nothing else) reads no more than them.
thread_local bool Destroying __attribute__((tls_model("initial-exec"))) = false;
thread_local bool AnyWaiting __attribute__((tls_model("initial-exec"))) = false;
thread_local std::vector<TRefObj*> Waiting;

}  // namespace

void TRefObj::WaitToBeDestroyed() {
  try {
    Waiting.push_back(this);
    AnyWaiting = true;
    return;
  } catch (const std::bad_alloc&) {
    // No room to wait: destroyed at once, one level deeper.
  }
  delete this;
}

void TRefObj::DestroyWaiting() {
  std::vector<TRefObj*>& waiting = Waiting;
  // Destructors append while this runs, so the list is walked by index.
  for (std::size_t i = 0; i < waiting.size(); ++i) delete waiting[i];
  waiting.clear();
  if (waiting.capacity() > kDestroyListKept) waiting.shrink_to_fit();
  AnyWaiting = false;
}

void TRefObj::Destroy() {
  if (Destroying) return WaitToBeDestroyed();
  Destroying = true;
  delete this;
  if (AnyWaiting) DestroyWaiting();
  Destroying = false;
}

void TRefObj::ReleaseAtZero() const {
  throw Exception(Format("%s.Release: reference counter is zero", ClassName()));
}

void TRefObj::AutoRelease() {
  if (FRefCount == 0) throw Exception(Format("%s.AutoRelease: reference counter is zero", ClassName()));
  RefObjManager().AutoReleaseObject(this);
}

void TRefObj::RetainAndAutoRelease() {
  Retain();
  AutoRelease();
}

void TRefObj::Free() {
  if (FRefCount != 0) throw Exception("Error using reference counting");
  delete this;
}

TRefObjManager::TRefObjManager() : FPoolCapacity(kAutoReleasePoolCapacity) {
  AutoReleasePool.reserve(FPoolCapacity);
}

void TRefObjManager::AutoReleaseObject(TRefObj* Obj) {
  if (AutoReleasePool.size() == FPoolCapacity) {
    // Doubling keeps a burst of values linear in their number: growing by a fixed step
    // would copy the whole pool again at every step.
    FPoolCapacity *= 2;
    AutoReleasePool.reserve(FPoolCapacity);
  }
  AutoReleasePool.push_back(Obj);
}

void TRefObjManager::ForgetObject(TRefObj* Obj) {
  AutoReleasePool.erase(std::remove(AutoReleasePool.begin(), AutoReleasePool.end(), Obj), AutoReleasePool.end());
}

void TRefObjManager::TakeBackAutoRelease(TRefObj* Obj) {
  if (AutoReleasePool.empty() || AutoReleasePool.back() != Obj) return;
  AutoReleasePool.pop_back();
  Obj->Release();
}

void TRefObjManager::PurgeAutoReleasePool() {
  // Releasing may destroy containers whose members are pooled too; those entries are
  // released by this same loop, so the list is taken whole first.
  std::vector<TRefObj*> entries;
  entries.swap(AutoReleasePool);
  // The room of a burst is given back: the pool starts small again and grows as needed.
  FPoolCapacity = kAutoReleasePoolCapacity;
  AutoReleasePool.reserve(FPoolCapacity);
  for (TRefObj* obj : entries) obj->Release();
}

TRefObjManager& RefObjManager() {
  static TRefObjManager* manager = new TRefObjManager();  // lives until the process ends
  return *manager;
}

}  // namespace vt

