// The checksums of firmware packages and telegrams: the CRC-32 of the packages, the XOR
// checksum and the inverted copy. Stateless and safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// Polynomial 0xF4ACFB13, initial 0xFFFFFFFF, no reflection, no final xor.
std::uint32_t CalculateCRC32_QD02(std::string_view Bytes);
std::uint8_t CalculateXORChecksum(std::string_view Bytes);
std::string InvertString(std::string_view Bytes);
// The string cipher and the unscrambling step of the file checksum: platform/Cipher.h.

}  // namespace vt
