// The MD5 message digest (RFC 1321).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// The digest state of one message; whole blocks are digested straight from the caller's bytes.
struct Md5Context {
  uint32_t a, b, c, d;
  uint32_t bit_count[2];  // low word first
  unsigned char buffer[64];
};

void Md5Start(Md5Context* context);
void Md5Update(Md5Context* context, const void* bytes, size_t length);
void Md5Finish(Md5Context* context, unsigned char digest[16]);

// The 16-byte digest of `length` bytes, as Md5Finish gives it.
void Md5Digest(const void* bytes, size_t length, unsigned char digest[16]);

}  // namespace vx
