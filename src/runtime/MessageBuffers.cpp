// Message buffers and the segment pool; see MessageBuffers.h.
#include "runtime/MessageBuffers.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

namespace {

TMxGlobal<TMxBufferSegmentPool> GSegmentPool;

}  // namespace

void MxCreateBufferSegmentPool() { GSegmentPool.Create("MxCreateBufferSegmentPool: pool already exists"); }

void MxFreeBufferSegmentPool() { GSegmentPool.Free(); }

TMxBufferSegmentPool* BufferSegmentPool() { return GSegmentPool.Get(); }

namespace {

TMxBufferSegmentPool& SegmentPoolOrRaise() {
  TMxBufferSegmentPool* pool = GSegmentPool.Get();
  if (!pool) throw Exception("TMxBuffer: no buffer segment pool");
  return *pool;
}

}  // namespace

void TMxBuffer::Clear() {
  TMxBufferSegmentPool* pool = GSegmentPool.Get();  // none at the very end of the program
  while (FHead) {
    TMxBufferSegment* s = FHead;
    FHead = s->Next;
    if (pool)
      pool->PutBufferSegment(s);
    else
      delete s;
  }
  FTail = nullptr;
  FSize = 0;
}

void TMxBuffer::AddByte(std::uint8_t B) {
  if (FSize % MxBufferSegmentSize == 0) {
    TMxBufferSegment* s = SegmentPoolOrRaise().GetBufferSegment();
    if (FTail)
      FTail->Next = s;
    else
      FHead = s;
    FTail = s;
  }
  FTail->SetByte(FSize % MxBufferSegmentSize, B);
  ++FSize;
}

void TMxBufferPointer::AssignBuffer(TMxBuffer* Buffer) {
  FBuffer = Buffer;
  Segment = nullptr;
  SegmentValid = false;
  FPosition = 0;
}

void TMxBufferPointer::CheckBuffer(const char* Operation) const {
  if (!FBuffer) throw Exception(Format("TMxBufferPointer.%s: Invalid Buffer", Operation));
}

bool TMxBufferPointer::EndOfBuffer() const {
  CheckBuffer("EndOfBuffer");
  return FPosition >= FBuffer->Size();
}

TMxBufferSegment* TMxBufferPointer::CurrentSegment() {
  if (!SegmentValid) {
    Segment = FPosition == 0 || !Segment ? FBuffer->Head() : Segment->Next;
    SegmentValid = true;
  }
  return Segment;
}

std::uint8_t TMxBufferPointer::GetByte() {
  CheckBuffer("GetByte");
  if (FPosition >= FBuffer->Size()) {
    TMxBufferPointer dump;
    dump.AssignBuffer(FBuffer);
    for (; !dump.EndOfBuffer(); dump.Increment()) LogInfo(Format("%.2x", dump.GetByte()));
    throw Exception("TMxBufferPointer.GetByte: Read at End of Buffer");
  }
  return CurrentSegment()->GetByte(FPosition % MxBufferSegmentSize);
}

void TMxBufferPointer::SetByte(std::uint8_t B) {
  CheckBuffer("SetByte");
  if (FPosition >= FBuffer->Size()) throw Exception("TMxBufferPointer.SetByte: Write at End of Buffer");
  CurrentSegment()->SetByte(FPosition % MxBufferSegmentSize, B);
}

void TMxBufferPointer::Increment() {
  CheckBuffer("Increment");
  if (FPosition >= FBuffer->Size()) return;
  CurrentSegment();
  ++FPosition;
  if (FPosition % MxBufferSegmentSize == 0) SegmentValid = false;
}

}  // namespace vt
