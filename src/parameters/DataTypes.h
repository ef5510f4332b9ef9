// The drive's data types as description files and firmware name them, with the value
// range of each: a fixed table, not read from files.
#pragma once

#include <cstdint>

namespace vt {

enum TDataType : std::uint8_t {
  dtSInt8,
  dtUInt8,
  dtSInt16,
  dtUInt16,
  dtSInt32,
  dtUInt32,
  dtLinFloat32,
  dtFloat32,
};

inline constexpr const char* DataTypeName[] = {"SINT8",  "UINT8",  "SINT16",   "UINT16",
                                               "SINT32", "UINT32", "LINFLOAT", "FLOATIEEE754"};

inline constexpr std::int64_t MinSInt8 = -128;
inline constexpr std::int64_t MaxSInt8 = 127;
inline constexpr std::int64_t MinUInt8 = 0;
inline constexpr std::int64_t MaxUInt8 = 255;
inline constexpr std::int64_t MinSInt16 = -32768;
inline constexpr std::int64_t MaxSInt16 = 32767;
inline constexpr std::int64_t MinUInt16 = 0;
inline constexpr std::int64_t MaxUInt16 = 65535;
inline constexpr std::int64_t MinSInt32 = -2147483648LL;
inline constexpr std::int64_t MaxSInt32 = 2147483647;
inline constexpr std::int64_t MinUInt32 = 0;
inline constexpr std::int64_t MaxUInt32 = 4294967295LL;
// The float types carry the 32-bit signed range.
inline constexpr std::int64_t MinLinFloat32 = MinSInt32;
inline constexpr std::int64_t MaxLinFloat32 = MaxSInt32;
inline constexpr std::int64_t MinFloat32 = MinSInt32;
inline constexpr std::int64_t MaxFloat32 = MaxSInt32;

// A set of data types: one bit per TDataType.
using TDataTypes = std::uint8_t;
constexpr TDataTypes DataTypeBit(TDataType Type) { return static_cast<TDataTypes>(1u << Type); }
inline constexpr TDataTypes SignedDataTypes = DataTypeBit(dtSInt8) | DataTypeBit(dtSInt16) | DataTypeBit(dtSInt32);
inline constexpr TDataTypes UnsignedDataTypes = DataTypeBit(dtUInt8) | DataTypeBit(dtUInt16) | DataTypeBit(dtUInt32);
constexpr bool InDataTypes(TDataTypes Set, TDataType Type) { return (Set & DataTypeBit(Type)) != 0; }

}  // namespace vt
