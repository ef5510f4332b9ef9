// Limits and tunables of the SL object model and language runtime, in one place.
#pragma once

#include <cstdint>

namespace vt {

// The autorelease pool starts with room for this many entries and grows in steps,
// so that thousands of short-lived values cost one list entry each.
inline constexpr int kAutoReleasePoolCapacity = 2000;
inline constexpr int kAutoReleasePoolGrowth = 1000;

// Handlers one polymorphic procedure can register (one per operand class it accepts).
inline constexpr int kPolymorphHandlers = 7;

// An interpreter call runs a context for at least this long before it yields.
inline constexpr int kInterpreterSliceMs = 10;

// "No time-out" of a context's wait.
inline constexpr std::int32_t kNoTimeout = 2147483647;

// SL text. Composites may nest this deep, counting a shared composite at every place
// it is reached: the destructors, copies and the encoder recurse over that depth, so
// the limit keeps any text from exhausting the stack. Real data nests below 30.
inline constexpr int kMaxCompositeDepth = 1000;
// Values that "*NAME" constants may copy into one text in all: a few nested references
// to a shared composite in a constant would otherwise multiply into millions of copies.
inline constexpr int kMaxConstantCopyValues = 1000000;
// The encoder collects its output in chunks of this size before handing them on.
inline constexpr int kEncoderChunkSize = 64 * 1024;

// File streams read through a buffer of this size (the unit of the read-buffer
// behaviour that seeks rely on) and collect writes up to the second size.
inline constexpr int kFileReadBufferSize = 1024;
inline constexpr int kFileWriteBufferSize = 64 * 1024;

}  // namespace vt
