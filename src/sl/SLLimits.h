// Limits and tunables of the SL object model and language runtime, in one place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

// The autorelease pool starts with room for this many entries, doubles when full and
// starts small again after each purge, so that thousands of short-lived values cost one
// list entry each.
inline constexpr int kAutoReleasePoolCapacity = 2000;

// Objects whose count reaches 0 while another is being destroyed wait in a list (see
// TRefObj::Destroy); after freeing a large value the list keeps room for this many.
inline constexpr std::size_t kDestroyListKept = 4096;

// SL objects up to this size are recycled through per-thread free lists (scripts
// create and drop a value per operation; malloc and free would cost more than the
// operation), in size classes of kPooledObjectGranule bytes; each list keeps at most
// kPooledObjectsKept blocks and gives the rest back to the heap.
inline constexpr std::size_t kPooledObjectSize = 160;
inline constexpr std::size_t kPooledObjectGranule = 32;
inline constexpr std::size_t kPooledObjectsKept = 4096;

// Name resolution keeps its results while no scope changes them, each name as long as
// its own scope stays unchanged; names share this many stamps (by hash). A dictionary
// of up to kScopeNamesOneByOne names that enters or leaves a dictionary stack renews
// its names one by one, a larger one every name at once.
inline constexpr std::size_t kScopeNameClasses = 1024;
inline constexpr int kScopeNamesOneByOne = 16;

// Ints an operand stack keeps when it lets go of them while it alone held them, for
// the next new Int: a script makes and drops an Int per operation, and a few in
// hand spare their allocation and destruction.
inline constexpr int kSpareLongints = 4;

// Handlers one polymorphic procedure can register (one per operand class it accepts).
inline constexpr int kPolymorphHandlers = 7;

// An interpreter call runs a context for at least this long before it yields.
inline constexpr int kInterpreterSliceMs = 10;

// Steps that only push a value are short; after this many of them in a row the
// interpreter reads the slice clock even so.
inline constexpr int kQuietStepsBetweenTicks = 64;

// Tokenizers a context's execution stack may hold (a call or a loop is one, plus one
// for a block it runs): the bound of script recursion. Each level costs some hundred
// bytes, a procedure's with its dictionary, so this is some tens of MB at most.
inline constexpr int kMaxExecutionDepth = 100000;

// "No time-out" of a context's wait.
inline constexpr std::int32_t kNoTimeout = 2147483647;

// SL text. Composites may nest this deep, counting a shared composite at every place
// it is reached: the encoder and the decoder's constant copies recurse over that depth,
// so the limit keeps any text from exhausting the stack. Real data nests below 30.
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
