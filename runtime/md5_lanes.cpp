#include "runtime/md5_lanes.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

// A lane's message and how far the lane has digested it.
struct Md5Lane {
  const unsigned char* bytes;
  size_t length;
  size_t offset;   // of the lane's next block
  size_t message;  // index into the call's messages
};

const unsigned char kNoBytes[1] = {0};
const Md5LaneBlock kIdleBlock = {kNoBytes, 0, 0, 0, 0};

// The padding follows the message: 0x80 in the block that holds the end, then zeros, the bit
// count in the last eight bytes of the last block. A message that ends 56 to 63 bytes into a
// block has one block more, of zeros and the bit count.
void DescribeNextBlock(const Md5Lane& lane, Md5LaneBlock* block) {
  size_t rest = lane.length > lane.offset ? lane.length - lane.offset : 0;
  block->bytes = rest != 0 ? lane.bytes + lane.offset : kNoBytes;
  block->length = static_cast<uint32_t>(rest < 64 ? rest : 64);
  block->marker = lane.offset <= lane.length && rest < 64;
  block->last = lane.offset + 56 > lane.length;
}

// The kernels exist for x86 only, which is little-endian: a state word is its digest bytes.
void StoreDigest(const Md5LaneStates& states, size_t lane, unsigned char digest[16]) {
  std::memcpy(digest, &states.a[lane], 4);
  std::memcpy(digest + 4, &states.b[lane], 4);
  std::memcpy(digest + 8, &states.c[lane], 4);
  std::memcpy(digest + 12, &states.d[lane], 4);
}

// The rest of the lane's message by the scalar code, from the lane's state (or from the start
// when `fresh`). The lane's next block holds message bytes or the padding's 0x80.
void FinishInScalar(const Md5Lane& lane, const Md5LaneStates& states, size_t index, bool fresh,
                    unsigned char digest[16]) {
  Md5Context context;
  Md5Start(&context);
  if (!fresh) {
    context.a = states.a[index];
    context.b = states.b[index];
    context.c = states.c[index];
    context.d = states.d[index];
  }
  uint64_t bit_count = static_cast<uint64_t>(lane.offset) << 3;
  context.bit_count[0] = static_cast<uint32_t>(bit_count);
  context.bit_count[1] = static_cast<uint32_t>(bit_count >> 32);
  Md5Update(&context, lane.bytes + lane.offset, lane.length - lane.offset);
  Md5Finish(&context, digest);
}

// A lane takes the next message as soon as its own is done, so messages of any lengths keep
// every lane busy until the last ones; a lane with nothing left digests an empty block whose
// result is dropped. The last few long messages finish in the scalar code, where one block
// costs less than a kernel call.
void DigestInLanes(const Md5LaneKernel& kernel, const Md5Message* messages, size_t count,
                   unsigned char (*digests)[16]) {
  Md5Lane lanes[kMd5MaxLanes];
  Md5LaneBlock blocks[kMd5MaxLanes];
  Md5LaneStates states;
  size_t next = 0;
  uint32_t busy = 0;
  // Idle lanes start fresh too, so that no kernel reads an unset state.
  uint32_t fresh = ~uint32_t{0};
  // Lanes whose next block is all padding: the scalar code cannot take them over.
  uint32_t in_padding = 0;
  auto take_next_message = [&](size_t lane) {
    const Md5Message& message = messages[next];
    lanes[lane] = {message.bytes, message.length, 0, next};
    blocks[lane].bit_count = static_cast<uint64_t>(message.length) << 3;
    DescribeNextBlock(lanes[lane], &blocks[lane]);
    ++next;
    fresh |= uint32_t{1} << lane;
  };
  size_t busy_count = 0;
  for (size_t lane = 0; lane < kernel.lanes; ++lane) {
    if (next < count) {
      take_next_message(lane);
      busy |= uint32_t{1} << lane;
      ++busy_count;
    } else {
      blocks[lane] = kIdleBlock;
    }
  }

  while (next < count || busy_count > kernel.scalar_lanes || in_padding != 0) {
    kernel.digest_blocks(&states, fresh, blocks);
    fresh = 0;
    in_padding = 0;
    for (size_t lane = 0; lane < kernel.lanes; ++lane) {
      uint32_t bit = uint32_t{1} << lane;
      if ((busy & bit) == 0) continue;
      Md5Lane& job = lanes[lane];
      if (!blocks[lane].last) {
        job.offset += 64;
        DescribeNextBlock(job, &blocks[lane]);
        if (job.offset > job.length) in_padding |= bit;
        continue;
      }
      StoreDigest(states, lane, digests[job.message]);
      if (next < count) {
        take_next_message(lane);
      } else {
        blocks[lane] = kIdleBlock;
        busy &= ~bit;
        --busy_count;
      }
    }
  }
  for (size_t lane = 0; lane < kernel.lanes; ++lane) {
    uint32_t bit = uint32_t{1} << lane;
    if ((busy & bit) == 0) continue;
    FinishInScalar(lanes[lane], states, lane, (fresh & bit) != 0, digests[lanes[lane].message]);
  }
}

}  // namespace

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
      DigestInLanes(kMd5Avx512Kernel, messages, count, digests);
      return;
    case Md5Level::kAvx2:
      DigestInLanes(kMd5Avx2Kernel, messages, count, digests);
      return;
#endif
    default:
      for (size_t i = 0; i < count; ++i) {
        Md5Digest(messages[i].bytes, messages[i].length, digests[i]);
      }
  }
}

}  // namespace vx
