// MD5 of many messages at once, each in a lane of a vector register (AVX2 or AVX-512, chosen at
// run time), with the scalar code of md5.h as the fallback. Digests equal Md5Finish's.
#pragma once

#include <cstddef>

#include "runtime/hashed_message.h"

namespace vx {

using Md5Message = HashedMessage;

// The 16-byte digests of `count` messages into digests[0..count). Messages may have any lengths,
// mixed in one call. Safe to call from several threads at once.
void Md5Digests(const Md5Message* messages, size_t count, unsigned char (*digests)[16]);

// In increasing order: a level uses the instructions of those before it.
enum class Md5Level { kScalar, kAvx2, kAvx512 };

// The level Md5Digests uses now: the lowest of the cap, the environment variable VX_MD5_LEVEL
// (scalar, avx2 or avx512; read once, at first use) and what the processor and system support.
Md5Level Md5LevelInUse();

// "scalar", "avx2" or "avx512".
const char* Md5LevelName(Md5Level level);

// Caps the level for tests and benchmarks; the cap is kAvx512 until changed.
void CapMd5Level(Md5Level cap);

}  // namespace vx
