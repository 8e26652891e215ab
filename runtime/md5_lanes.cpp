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

// Messages of one block count: every lane starts and ends with the others, so no lane waits and
// none is refilled.
void DigestInLockstep(const Md5LaneKernel& kernel, const Md5Message* messages,
                      const size_t* indices, size_t block_count, unsigned char (*digests)[16]) {
  Md5Lane lanes[kMd5MaxLanes];
  Md5LaneBlock blocks[kMd5MaxLanes];
  Md5LaneStates states;
  for (size_t lane = 0; lane < kernel.lanes; ++lane) {
    const Md5Message& message = messages[indices[lane]];
    lanes[lane] = {message.bytes, message.length, 0, indices[lane]};
    blocks[lane].bit_count = static_cast<uint64_t>(message.length) << 3;
  }
  uint32_t fresh = ~uint32_t{0};
  for (size_t block = 0; block < block_count; ++block) {
    for (size_t lane = 0; lane < kernel.lanes; ++lane) {
      lanes[lane].offset = 64 * block;
      DescribeNextBlock(lanes[lane], &blocks[lane]);
    }
    kernel.digest_blocks(&states, fresh, blocks);
    fresh = 0;
  }
  for (size_t lane = 0; lane < kernel.lanes; ++lane) {
    StoreDigest(states, lane, digests[indices[lane]]);
  }
}

// The messages messages[indices[0..count)] of any lengths. A lane takes the next message as soon
// as its own is done, so every lane stays busy until the last ones; a lane with nothing left
// digests an empty block whose result is dropped. The last few long messages finish in the
// scalar code, where one block costs less than a kernel call.
void DigestInLanes(const Md5LaneKernel& kernel, const Md5Message* messages, const size_t* indices,
                   size_t count, unsigned char (*digests)[16]) {
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
    const Md5Message& message = messages[indices[next]];
    lanes[lane] = {message.bytes, message.length, 0, indices[next]};
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

// Messages of up to kLockstepBlocks blocks wait, sorted by block count, until a lane's worth
// of one count is there; longer ones and those left over share refilled lanes.
constexpr size_t kLockstepBlocks = 4;
constexpr size_t kRefillMessages = 256;

void DigestWithKernel(const Md5LaneKernel& kernel, const Md5Message* messages, size_t count,
                      unsigned char (*digests)[16]) {
  size_t waiting[kLockstepBlocks][kMd5MaxLanes];
  size_t waiting_count[kLockstepBlocks] = {};
  size_t others[kRefillMessages + kLockstepBlocks * kMd5MaxLanes];
  size_t other_count = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t block_count = (messages[i].length + 8) / 64 + 1;
    if (block_count > kLockstepBlocks) {
      others[other_count++] = i;
      if (other_count == kRefillMessages) {
        DigestInLanes(kernel, messages, others, other_count, digests);
        other_count = 0;
      }
      continue;
    }
    size_t* same = waiting[block_count - 1];
    size_t& same_count = waiting_count[block_count - 1];
    same[same_count++] = i;
    if (same_count != kernel.lanes) continue;
    same_count = 0;
    if (block_count != 1) {
      DigestInLockstep(kernel, messages, same, block_count, digests);
      continue;
    }
    unsigned char lane_digests[kMd5MaxLanes][16];
    kernel.digest_one_blocks(messages, same, lane_digests);
    for (size_t lane = 0; lane < kernel.lanes; ++lane) {
      std::memcpy(digests[same[lane]], lane_digests[lane], 16);
    }
  }
  for (size_t b = 0; b < kLockstepBlocks; ++b) {
    for (size_t k = 0; k < waiting_count[b]; ++k) others[other_count++] = waiting[b][k];
  }
  if (other_count != 0) DigestInLanes(kernel, messages, others, other_count, digests);
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
