// Reference-counted objects: TRefObj, the one TRefObjManager with its autorelease pool,
// and TRef, the handle through which C++ code holds them (it retains on taking an
// object and releases when it lets go, so no path leaks or frees twice).
// Everything here is used on the main thread only and takes no locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace vt {

class TRefObjManager;

// The manager's bookkeeping: live objects and the sum of all counts. Plain counters,
// constant-initialised, so that the hot Retain and Release need no call to reach them.
struct TRefObjCounters {
  std::int32_t ObjCount = 0;
  std::int32_t RefCount = 0;
};
inline constinit TRefObjCounters RefObjCounters{};

class TRefObj {
 public:
  // With AutoRelease the object is retained once and handed to the pool at once:
  // it lives at least until the next purge.
  explicit TRefObj(bool AutoRelease) {
    ++RefObjCounters.ObjCount;
    if (AutoRelease) RetainAndAutoRelease();
  }
  TRefObj(const TRefObj&) = delete;
  TRefObj& operator=(const TRefObj&) = delete;

  virtual const char* ClassName() const { return "TRefObj"; }

  void Retain() {
    ++FRefCount;
    ++RefObjCounters.RefCount;
  }
  // At count 0 the object destroys itself.
  void Release() {
    if (FRefCount == 0) ReleaseAtZero();
    --RefObjCounters.RefCount;
    if (--FRefCount == 0) Destroy();
  }
  void AutoRelease();
  void RetainAndAutoRelease();
  std::int32_t GetRefCount() const { return FRefCount; }

  // Destroys an object that nobody holds; one with a count other than 0 is an error.
  void Free();

 protected:
  virtual ~TRefObj() {
    if (FRefCount != 0) ForgetPooled();
    --RefObjCounters.ObjCount;
  }

 private:
  // Only an object whose constructor failed after AutoRelease dies with a count: the
  // pool must not release it later.
  void ForgetPooled();
  [[noreturn]] void ReleaseAtZero() const;
  // Deletes the object. One whose count reaches 0 while another is being destroyed
  // waits in a list that the outermost Destroy works off: freeing nested data never
  // recurses, however deep it nests.
  void Destroy();
  // Destroy's rarer paths, apart so that its common one stays small.
  [[gnu::noinline]] void WaitToBeDestroyed();
  [[gnu::noinline]] static void DestroyWaiting();

  std::int32_t FRefCount = 0;
};

class TRefObjManager {
 public:
  TRefObjManager();

  void IncrementObjCount() { ++RefObjCounters.ObjCount; }
  void DecrementObjCount() { --RefObjCounters.ObjCount; }
  void IncrementRefCount() { ++RefObjCounters.RefCount; }
  void DecrementRefCount() { --RefObjCounters.RefCount; }
  void AutoReleaseObject(TRefObj* Obj);
  // Takes an object out of the pool: one whose construction failed after it was pooled.
  void ForgetObject(TRefObj* Obj);
  // Takes back the autorelease of Obj when it is the pool's last entry (a holder has
  // retained it by now), so values handed out and kept at once do not pile up in
  // the pool between purges. Without effect otherwise.
  void TakeBackAutoRelease(TRefObj* Obj);
  // Releases every entry present now, once per entry.
  void PurgeAutoReleasePool();

  std::int32_t ObjCount() const { return RefObjCounters.ObjCount; }
  std::int32_t RefCount() const { return RefObjCounters.RefCount; }
  std::size_t PoolCount() const { return AutoReleasePool.size(); }
  std::size_t PoolCapacity() const { return FPoolCapacity; }

 private:
  std::vector<TRefObj*> AutoReleasePool;
  std::size_t FPoolCapacity;
};

// The one manager of the process; it exists before the first object is constructed.
TRefObjManager& RefObjManager();

// Holds one reference to a reference-counted object.
template <class T>
class TRef {
 public:
  TRef() = default;
  TRef(std::nullptr_t) {}
  explicit TRef(T* p) : FPtr(p) {
    if (FPtr) FPtr->Retain();
  }
  TRef(const TRef& o) : TRef(o.FPtr) {}
  TRef(TRef&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  TRef(const TRef<U>& o) : TRef(static_cast<T*>(o.get())) {}
  ~TRef() { reset(); }

  TRef& operator=(TRef o) noexcept {
    std::swap(FPtr, o.FPtr);
    return *this;
  }

  void reset() {
    if (T* p = std::exchange(FPtr, nullptr)) p->Release();
  }
  // Holds p instead (retained first, so p may be the object held now).
  void Assign(T* p) {
    if (p) p->Retain();
    if (T* old = std::exchange(FPtr, p)) old->Release();
  }
  T* get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  T& operator*() const { return *FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }

 private:
  T* FPtr = nullptr;
};

// Constructs an object owned by nobody yet (count 0) and takes it into a handle.
template <class T, class... A>
TRef<T> MakeRef(A&&... args) {
  return TRef<T>(new T(false, std::forward<A>(args)...));
}

}  // namespace vt
