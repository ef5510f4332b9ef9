#include <gtest/gtest.h>

#include "platform/Cipher.h"
#include "platform/TextConversion.h"
#include "runtime/Checksums.h"
#include "runtime/MD5Digests.h"

using namespace vt;

namespace {

std::string Hex(std::string_view bytes) {
  std::string out;
  static const char* digits = "0123456789abcdef";
  for (unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
  return out;
}

std::string Hex(const TMD5Digest& d) { return Hex(std::string_view(reinterpret_cast<const char*>(d.data()), d.size())); }

std::string Unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

template <std::size_t N>
std::array<std::uint8_t, N> Array(std::string_view hex) {
  const std::string bytes = Unhex(hex);
  std::array<std::uint8_t, N> out{};
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

TEST(MD5, Rfc1321Suite) {
  struct Case {
    const char* text;
    const char* digest;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(MD5Value(c.text)), c.digest) << c.text;
}

TEST(MD5, IncrementalUpdatesAndReuse) {
  MD5Context context;
  TMD5Digest digest{};
  const std::string text = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
  for (int round = 0; round < 2; ++round) {  // a finished context starts over with MD5Init
    MD5Init(context);
    for (std::size_t i = 0; i < text.size(); i += 7) MD5Update(context, text.data() + i, std::min<std::size_t>(7, text.size() - i));
    MD5Final(context, digest);
    EXPECT_EQ(Hex(digest), "57edf4a22be3c955ac49da2e2107b67a");
  }
}

TEST(MD5, CompareAndDeveloperDigest) {
  TMD5Digest a = MD5Value("abc");
  TMD5Digest b = a;
  EXPECT_TRUE(CompareMD5(a, b));
  b[15] ^= 1;
  EXPECT_FALSE(CompareMD5(a, b));
  EXPECT_TRUE(CompareMD5(DeveloperPasswordDigest(), MD5Value("Vorlix#Dev2291")));
}

TEST(Checksums, Crc32XorAndInvert) {
  EXPECT_EQ(CalculateCRC32_QD02("123456789"), 0xC683B9E5u);
  EXPECT_EQ(CalculateCRC32_QD02("abc"), 0x456A4577u);
  EXPECT_EQ(CalculateCRC32_QD02(""), 0xFFFFFFFFu);
  EXPECT_EQ(CalculateXORChecksum("abc"), 0x60);
  EXPECT_EQ(CalculateXORChecksum(""), 0);
  EXPECT_EQ(InvertString(std::string("\x00\xFF", 2)), std::string("\xFF\x00", 2));
}

TEST(Checksums, DecryptStep) {
  // X = W ^ A.hi ^ (A.lo * K.lo); high byte rotated by RH, low by RL; then ^ M.lo.
  EXPECT_EQ(Decrypt(0x1234, 0, 0, 0, 0, 0), 0x1234);
  EXPECT_EQ(Decrypt(0x1234, 0, 0xFFFF0000, 0, 0, 0), 0x1234);  // only M's low word counts
  EXPECT_EQ(Decrypt(0x0000, 0xABCD0000, 0, 0, 0, 0), 0xABCD);
  EXPECT_EQ(Decrypt(0x0000, 0x00000003, 0, 0x10005, 0, 0), 0x000F);  // 3 * 5, K's high word unused
  EXPECT_EQ(Decrypt(0x0000, 0x00008000, 0, 0x0002, 0, 0), 0x0000);  // product kept to 16 bits
  EXPECT_EQ(Decrypt(0x0180, 0, 0, 0, 1, 1), 0x8040);                  // rotate each byte right by one
  EXPECT_EQ(Decrypt(0x0180, 0, 0, 0, 8, 8), 0x0180);                  // by eight: unchanged
  EXPECT_EQ(Decrypt(0x0F0F, 0, 0x00FF, 0, 4, 0), 0x0F0F);                // 0x0FF0 ^ 0x00FF
}

// NIST SP 800-38A, F.5.5 CTR-AES256.Encrypt, the first two blocks.
const auto kNistKey = Array<32>("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const auto kNistCounter = Array<16>("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");

std::string Xor(std::string_view a, std::string_view b) {
  std::string out(a);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(out[i] ^ b[i]);
  return out;
}

TEST(StringCipher, NistCounterModeVector) {
  const std::string plain = Unhex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
  const std::string cipher = Unhex("601ec313775789a5b7a7f504bbf3d228f443e3ca4d62b59aca84e990cacaf5c5");
  // The empty text is 32 zero bytes: its cipher is the keystream of the two blocks.
  EXPECT_EQ(Hex(EncryptAES256CTR(u"", kNistKey, kNistCounter)), Hex(Xor(plain, cipher)));
}

TEST(StringCipher, CounterCarriesThroughAllSixteenBytes) {
  TAESCounter allOnes;
  allOnes.fill(0xFF);
  const std::string wrapped = EncryptAES256CTR(u"", kNistKey, allOnes);
  const std::string fromZero = EncryptAES256CTR(u"", kNistKey, TAESCounter{});
  EXPECT_EQ(Hex(wrapped.substr(16)), Hex(fromZero.substr(0, 16)));
}

TEST(StringCipher, ThirtyTwoByteFraming) {
  const WideString forty = u"0123456789012345678901234567890123456789";
  const std::string cipher = EncryptAES256CTR(forty, kNistKey, kNistCounter);
  EXPECT_EQ(cipher.size(), 32u);
  EXPECT_EQ(cipher, EncryptAES256CTR(forty.substr(0, 32), kNistKey, kNistCounter));

  const WideString abc = DecryptAES256CTR(EncryptAES256CTR(u"abc", kNistKey, kNistCounter), kNistKey, kNistCounter);
  EXPECT_EQ(abc, WideString(u"abc") + WideString(29, u'\0'));

  // Sixteen two-byte UTF-8 characters fill the 32 bytes exactly.
  const WideString umlauts(16, u'\u00E4');
  EXPECT_EQ(DecryptAES256CTR(EncryptAES256CTR(umlauts, kNistKey, kNistCounter), kNistKey, kNistCounter), umlauts);
  // Another counter block gives other bytes.
  EXPECT_NE(EncryptAES256CTR(u"abc", kNistKey, TAESCounter{}), EncryptAES256CTR(u"abc", kNistKey, kNistCounter));
}

TEST(StringCipher, ProgramKeyAndCounterRoundTrip) {
  const TAESKey key = StringCipherKey();
  const TAESCounter counter = StringCipherCounter();
  EXPECT_NE(key, TAESKey{});
  const WideString text = u"Pa\u00DFwort-1";
  const WideString back = DecryptAES256CTR(EncryptAES256CTR(text, key, counter), key, counter);
  EXPECT_EQ(back.substr(0, text.size()), text);
}

}  // namespace
