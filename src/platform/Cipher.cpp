// The string cipher and the unscrambling step; see Cipher.h.
#include "platform/Cipher.h"

#include <openssl/evp.h>

#include <memory>

#include "platform/Exceptions.h"
#include "platform/TextConversion.h"

namespace vt {

namespace {

std::uint8_t RotateRight8(std::uint32_t b, int r) { return static_cast<std::uint8_t>(((b << 8 | b) >> r) & 0xFF); }

std::string AES256CTR(std::string_view In, const TAESKey& Key, const TAESCounter& Counter) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  std::string out(In.size(), '\0');
  int len = 0;
  int tail = 0;
  // Counter mode is its own inverse; freeing the context wipes the key schedule.
  if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ctr(), nullptr, Key.data(), Counter.data()) != 1 ||
      EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &len,
                        reinterpret_cast<const unsigned char*>(In.data()), static_cast<int>(In.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + len, &tail) != 1)
    throw Exception("AES-256-CTR: cipher failed");
  return out;
}

// Our own constants stand in the binary only as two masked halves.
template <std::size_t N>
std::array<std::uint8_t, N> Unmask(const std::uint8_t (&A)[N], const std::uint8_t (&B)[N]) {
  std::array<std::uint8_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<std::uint8_t>(A[i] ^ B[i]);
  return out;
}

}  // namespace

std::uint16_t Decrypt(std::uint16_t W, std::uint32_t A, std::uint32_t M, std::uint32_t K, int RL, int RH) {
  const std::uint32_t x = (W ^ (A >> 16) ^ (((A & 0xFFFF) * (K & 0xFFFF)) & 0xFFFF)) & 0xFFFF;
  const std::uint32_t rotated = static_cast<std::uint32_t>(RotateRight8(x >> 8, RH)) << 8 | RotateRight8(x & 0xFF, RL);
  return static_cast<std::uint16_t>((rotated ^ M) & 0xFFFF);
}

std::string EncryptAES256CTR(std::u16string_view Text, const TAESKey& Key, const TAESCounter& Counter) {
  std::string plain = WideToUtf8(Text);
  plain.resize(32, '\0');
  return AES256CTR(plain, Key, Counter);
}

std::u16string DecryptAES256CTR(std::string_view Cipher, const TAESKey& Key, const TAESCounter& Counter) {
  return Utf8ToWide(AES256CTR(Cipher, Key, Counter));
}

TAESKey StringCipherKey() {
  static constexpr std::uint8_t a[32] = {0x3E, 0x91, 0x5C, 0x07, 0xD2, 0x68, 0xAF, 0x14, 0x7B, 0xC3, 0x29,
                                         0xE6, 0x50, 0x8D, 0x1F, 0xB4, 0x62, 0x0A, 0xF7, 0x35, 0x9E, 0x4C,
                                         0xD8, 0x21, 0x86, 0x5F, 0xEB, 0x13, 0x70, 0xAC, 0x3B, 0xC9};
  static constexpr std::uint8_t b[32] = {0x68, 0xFE, 0x2E, 0x6B, 0xBB, 0x10, 0x8F, 0x40, 0x1E, 0xA0, 0x41,
                                         0xA9, 0x20, 0xE4, 0x7A, 0xC6, 0x42, 0x4E, 0x98, 0x41, 0xFC, 0x69,
                                         0x92, 0x54, 0xE8, 0x31, 0x8E, 0x53, 0x1F, 0xC2, 0x58, 0xE8};
  return Unmask(a, b);
}

TAESCounter StringCipherCounter() {
  static constexpr std::uint8_t a[16] = {0x4D, 0xA2, 0x17, 0xC8, 0x5E, 0x33, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x91, 0x6F, 0x2C, 0xB0};
  static constexpr std::uint8_t b[16] = {0x1B, 0xCD, 0x65, 0xA4, 0x37, 0x4B, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x91, 0x6F, 0x2C, 0xB1};
  return Unmask(a, b);
}

}  // namespace vt
