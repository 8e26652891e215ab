// SHA-256 of many messages at once, with the processor's SHA instructions or in the lanes of
// vector registers (AVX2 or AVX-512), chosen at run time, with the scalar code of sha256.h as the
// fallback. Digests equal Sha256Finish's.
#pragma once

#include <cstddef>

#include "runtime/hashed_message.h"

namespace vx {

// The 32-byte digests of `count` messages into digests[0..count). Messages may have any lengths,
// mixed in one call. Safe to call from several threads at once.
void Sha256Digests(const HashedMessage* messages, size_t count, unsigned char (*digests)[32]);

// Rising preference, by ns per 11-byte message on Zen 5: scalar 181, avx2 52, shani 25, avx512 21
enum class Sha256Level { kScalar, kAvx2, kShaNi, kAvx512 };

// The level Sha256Digests uses now: the most preferred level that the processor and system
// support and that is at most the cap and the environment variable VX_SHA256_LEVEL (scalar,
// avx2, shani or avx512; read once, at first use).
Sha256Level Sha256LevelInUse();

// "scalar", "avx2", "shani" or "avx512".
const char* Sha256LevelName(Sha256Level level);

// Caps the level for tests and benchmarks; the cap is the most preferred level until changed.
void CapSha256Level(Sha256Level cap);

}  // namespace vx
