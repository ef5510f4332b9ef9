// MD5 digests (RFC 1321) on OpenSSL, with which entered passwords are compared against
// stored digests, and the developer password digest of the program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

struct evp_md_ctx_st;

namespace vt {

using TMD5Digest = std::array<std::uint8_t, 16>;

// The running state of one digest; lives on the caller's stack for one digest.
class MD5Context {
 public:
  MD5Context();
  ~MD5Context();
  MD5Context(const MD5Context&) = delete;
  MD5Context& operator=(const MD5Context&) = delete;

 private:
  friend void MD5Init(MD5Context& Context);
  friend void MD5Update(MD5Context& Context, const void* Bytes, std::size_t Count);
  friend void MD5Final(MD5Context& Context, TMD5Digest& Digest);
  evp_md_ctx_st* FCtx;
};

void MD5Init(MD5Context& Context);
void MD5Update(MD5Context& Context, const void* Bytes, std::size_t Count);
// Writes the digest and wipes the context; MD5Init starts the next digest.
void MD5Final(MD5Context& Context, TMD5Digest& Digest);

// The digest of the text's 8-bit bytes (no terminator, no length prefix).
TMD5Digest MD5Value(std::string_view Text);
bool CompareMD5(const TMD5Digest& A, const TMD5Digest& B);

// The digest the login compares a DEVELOPER password with; filled by the shell at
// start-up with DeveloperPasswordDigest() before any device starts.
extern TMD5Digest pswDeveloper;
TMD5Digest DeveloperPasswordDigest();

}  // namespace vt
