// Package and telegram checksums; see Checksums.h.
#include "runtime/Checksums.h"


namespace vt {

std::uint32_t CalculateCRC32_QD02(std::string_view Bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (char b : Bytes) {
    crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 24;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80000000) ? (crc << 1) ^ 0xF4ACFB13 : crc << 1;
  }
  return crc;
}

std::uint8_t CalculateXORChecksum(std::string_view Bytes) {
  std::uint8_t x = 0;
  for (char b : Bytes) x ^= static_cast<std::uint8_t>(b);
  return x;
}

std::string InvertString(std::string_view Bytes) {
  std::string out(Bytes);
  for (char& b : out) b = static_cast<char>(~b);
  return out;
}

}  // namespace vt
