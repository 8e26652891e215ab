// The code behind Sha256Digests at each level above the scalar one: the vector kernels
// (digest_lanes.h decides which block each lane digests next) and the SHA instructions' own
// loop. Internal to the runtime.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/digest_lanes.h"
#include "runtime/hashed_message.h"

namespace vx {

// The chaining values of every lane, one array per SHA-256 register so that a kernel loads each
// register of many lanes at once.
struct alignas(64) Sha256LaneStates {
  uint32_t words[8][kMaxLanes];
};

// SHA-256 for the lanes' schedule (see DigestWithKernel); defined in sha256_lanes.cpp.
struct Sha256Lanes {
  using States = Sha256LaneStates;
  static constexpr size_t kDigestSize = 32;
  // The bit count is big-endian.
  static uint64_t LengthField(size_t length) {
    return __builtin_bswap64(static_cast<uint64_t>(length) << 3);
  }
  static void StoreDigest(const States& states, size_t lane, unsigned char digest[32]);
  static void FinishAlone(const HashedMessage& message, size_t offset, const States* states,
                          size_t lane, unsigned char digest[32]);
};

using Sha256LaneKernel = LaneKernel<Sha256Lanes>;

#if defined(__x86_64__)
// Defined in sha256_lanes_avx2.cpp and sha256_lanes_avx512.cpp; call only where the processor
// has them.
extern const Sha256LaneKernel kSha256Avx2Kernel;
extern const Sha256LaneKernel kSha256Avx512Kernel;

// Sha256Digests with the SHA instructions (sha256_lanes_shani.cpp); call only where the processor
// has them and SSE4.1.
void DigestWithShaNi(const HashedMessage* messages, size_t count, unsigned char (*digests)[32]);

// The digest of the message from its first `offset` bytes (a multiple of 64) on, which gave
// `state` (SHA-256's eight words), with the SHA instructions.
void DigestRestWithShaNi(const HashedMessage& message, size_t offset, const uint32_t* state,
                         unsigned char digest[32]);
#endif

}  // namespace vx
