#include "runtime/md5_lanes.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "runtime/md5.h"
#include "runtime/md5_lanes_kernels.h"

namespace vx {

namespace {

std::atomic<int> level_cap{static_cast<int>(Md5Level::kAvx512)};

Md5Level SupportedLevel() {
#if defined(__x86_64__)
  // GCC's checks also ask the system (XGETBV) whether it saves the YMM and ZMM registers.
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) {
    return Md5Level::kAvx512;
  }
  if (__builtin_cpu_supports("avx2")) return Md5Level::kAvx2;
#endif
  return Md5Level::kScalar;
}

// An unknown value of VX_MD5_LEVEL caps nothing.
Md5Level EnvironmentCap() {
  const char* value = std::getenv("VX_MD5_LEVEL");
  if (value == nullptr) return Md5Level::kAvx512;
  for (Md5Level level : {Md5Level::kScalar, Md5Level::kAvx2}) {
    if (std::strcmp(value, Md5LevelName(level)) == 0) return level;
  }
  return Md5Level::kAvx512;
}

Md5Level Lowest(Md5Level x, Md5Level y) {
  return static_cast<int>(x) < static_cast<int>(y) ? x : y;
}

}  // namespace

// The kernels exist for x86 only, which is little-endian: a state word is its digest bytes.
void Md5Lanes::StoreDigest(const Md5LaneStates& states, size_t lane, unsigned char digest[16]) {
  std::memcpy(digest, &states.a[lane], 4);
  std::memcpy(digest + 4, &states.b[lane], 4);
  std::memcpy(digest + 8, &states.c[lane], 4);
  std::memcpy(digest + 12, &states.d[lane], 4);
}

void Md5Lanes::FinishAlone(const HashedMessage& message, size_t offset, const Md5LaneStates* states,
                           size_t lane, unsigned char digest[16]) {
  Md5Context context;
  Md5Start(&context);
  if (states != nullptr) {
    context.a = states->a[lane];
    context.b = states->b[lane];
    context.c = states->c[lane];
    context.d = states->d[lane];
  }
  uint64_t bit_count = static_cast<uint64_t>(offset) << 3;
  context.bit_count[0] = static_cast<uint32_t>(bit_count);
  context.bit_count[1] = static_cast<uint32_t>(bit_count >> 32);
  Md5Update(&context, message.bytes + offset, message.length - offset);
  Md5Finish(&context, digest);
}

Md5Level Md5LevelInUse() {
  static const Md5Level supported = Lowest(SupportedLevel(), EnvironmentCap());
  return Lowest(static_cast<Md5Level>(level_cap.load(std::memory_order_relaxed)), supported);
}

const char* Md5LevelName(Md5Level level) {
  switch (level) {
    case Md5Level::kScalar:
      return "scalar";
    case Md5Level::kAvx2:
      return "avx2";
    case Md5Level::kAvx512:
      return "avx512";
  }
  return "unknown";
}

void CapMd5Level(Md5Level cap) {
  level_cap.store(static_cast<int>(cap), std::memory_order_relaxed);
}

void Md5Digests(const Md5Message* messages, size_t count, unsigned char (*digests)[16]) {
  if (count == 0) return;
  switch (Md5LevelInUse()) {
#if defined(__x86_64__)
    case Md5Level::kAvx512:
      DigestWithKernel(kMd5Avx512Kernel, messages, count, digests);
      return;
    case Md5Level::kAvx2:
      DigestWithKernel(kMd5Avx2Kernel, messages, count, digests);
      return;
#endif
    default:
      for (size_t i = 0; i < count; ++i) {
        Md5Digest(messages[i].bytes, messages[i].length, digests[i]);
      }
  }
}

}  // namespace vx
