// The string cipher (AES-256 in counter mode, through OpenSSL in place of the Rijndael
// component) and the 16-bit unscrambling step of the firmware-package checksum word.
// They sit in the platform layer because both the runtime and the SL built-ins use
// them. Stateless; safe on any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// One step of the 16-bit stream unscrambling of the file checksum.
std::uint16_t Decrypt(std::uint16_t W, std::uint32_t A, std::uint32_t M, std::uint32_t K, int RL, int RH);

using TAESKey = std::array<std::uint8_t, 32>;
using TAESCounter = std::array<std::uint8_t, 16>;

// AES-256 in counter mode over the text's UTF-8 bytes cut or zero-padded to exactly
// 32 bytes; the counter block counts up as one 128-bit big-endian number.
std::string EncryptAES256CTR(std::u16string_view Text, const TAESKey& Key, const TAESCounter& Counter);
// All bytes decrypted and read as UTF-8; the zero padding stays as trailing NULs.
std::u16string DecryptAES256CTR(std::string_view Cipher, const TAESKey& Key, const TAESCounter& Counter);

// The program's own key and counter block of the string-cipher built-ins, formed at
// run time so that neither stands in the binary as one piece.
TAESKey StringCipherKey();
TAESCounter StringCipherCounter();

}  // namespace vt
