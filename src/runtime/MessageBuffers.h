// Message bytes: buffers made of 128-byte segments that come from one global pool, so
// that appending never copies and a steady flow of messages allocates nothing, and the
// cursor that walks a buffer.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "runtime/RuntimeLimits.h"

namespace vt {

class TMxBufferSegment {
 public:
  std::uint8_t GetByte(int Index) const { return FData[Index]; }
  void SetByte(int Index, std::uint8_t B) { FData[Index] = B; }

  TMxBufferSegment* Next = nullptr;

 private:
  std::array<std::uint8_t, MxBufferSegmentSize> FData{};
};

// Recycled objects linked through their Next, under a lock of its own. An object handed
// out belongs to its taker until it is put back; the list frees what it holds.
template <class T>
class TMxFreeList {
 public:
  TMxFreeList() = default;
  ~TMxFreeList() {
    while (T* o = FFree) {
      FFree = o->Next;
      delete o;
    }
  }
  TMxFreeList(const TMxFreeList&) = delete;
  TMxFreeList& operator=(const TMxFreeList&) = delete;

  // The head of the free list, or a new object.
  T* Get() {
    std::lock_guard lock(ProtectStruct);
    T* o = FFree;
    if (!o) {
      ++FCountTotal;
      return new T;
    }
    FFree = o->Next;
    o->Next = nullptr;
    --FCountFree;
    return o;
  }
  void Put(T* Object) {
    std::lock_guard lock(ProtectStruct);
    Object->Next = FFree;
    FFree = Object;
    ++FCountFree;
  }
  // Objects ever created, and those in the free list now.
  int CountTotal() const {
    std::lock_guard lock(ProtectStruct);
    return FCountTotal;
  }
  int CountFree() const {
    std::lock_guard lock(ProtectStruct);
    return FCountFree;
  }

 private:
  mutable std::mutex ProtectStruct;
  T* FFree = nullptr;
  int FCountTotal = 0;
  int FCountFree = 0;
};

class TMxBufferSegmentPool {
 public:
  TMxBufferSegment* GetBufferSegment() { return FreeSegments.Get(); }
  void PutBufferSegment(TMxBufferSegment* Segment) { FreeSegments.Put(Segment); }
  int CountTotalSegments() const { return FreeSegments.CountTotal(); }
  int CountFreeSegments() const { return FreeSegments.CountFree(); }

 private:
  TMxFreeList<TMxBufferSegment> FreeSegments;
};

// The global pool; raises "MxCreateBufferSegmentPool: pool already exists" when it exists.
void MxCreateBufferSegmentPool();
void MxFreeBufferSegmentPool();
TMxBufferSegmentPool* BufferSegmentPool();

// Byte i lies in segment i / 128 at index i % 128. Not locked: a buffer is written by
// one task and then handed over.
class TMxBuffer {
 public:
  TMxBuffer() = default;
  ~TMxBuffer() { Clear(); }
  TMxBuffer(const TMxBuffer&) = delete;
  TMxBuffer& operator=(const TMxBuffer&) = delete;

  // Every segment back to the pool.
  void Clear();
  void AddByte(std::uint8_t B);
  std::int32_t Size() const { return FSize; }
  TMxBufferSegment* Head() const { return FHead; }

 private:
  TMxBufferSegment* FHead = nullptr;
  TMxBufferSegment* FTail = nullptr;
  std::int32_t FSize = 0;
};

// A cursor over a buffer. The current segment is found lazily: one link per 128 bytes.
class TMxBufferPointer {
 public:
  void AssignBuffer(TMxBuffer* Buffer);
  TMxBuffer* Item() const { return FBuffer; }
  bool EndOfBuffer() const;
  // At or beyond the end: every byte of the buffer goes to the debug log, then
  // "TMxBufferPointer.GetByte: Read at End of Buffer" is raised.
  std::uint8_t GetByte();
  // Overwrites; never appends.
  void SetByte(std::uint8_t B);
  // No effect at the end.
  void Increment();
  std::int32_t Position() const { return FPosition; }

 private:
  void CheckBuffer(const char* Operation) const;
  TMxBufferSegment* CurrentSegment();

  TMxBuffer* FBuffer = nullptr;
  TMxBufferSegment* Segment = nullptr;
  bool SegmentValid = false;
  std::int32_t FPosition = 0;
};

}  // namespace vt
