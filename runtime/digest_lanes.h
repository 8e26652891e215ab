// The schedule of the digest lanes that MD5 and SHA-256 share: which block of which message each
// lane of a vector kernel digests next (a kernel digests one block in every lane). Internal to
// the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/hashed_message.h"

namespace vx {

// What one lane digests in a step: `length` bytes of its message (0 to 64, readable at `bytes`),
// then zeros, with the padding's 0x80 byte right after them when `marker` is set and
// `length_field` in the last eight bytes, read as a little-endian number, when `last` is set. A
// kernel reads no byte beyond `length`.
struct LaneBlock {
  const unsigned char* bytes;
  uint32_t length;
  uint32_t marker;
  uint32_t last;
  uint64_t length_field;
};

constexpr size_t kMaxLanes = 32;

// A hash's vector kernel. `Hash` names the lanes' chaining values (`States`), the digest's size
// (`kDigestSize`) and how a lane's message ends: see DigestWithKernel.
template <class Hash>
struct LaneKernel {
  size_t lanes;
  // Digests blocks[lane] into states for every lane below `lanes`; a lane whose bit is set in
  // `fresh_lanes` starts from the hash's initial values instead of its state.
  void (*digest_blocks)(typename Hash::States* states, uint32_t fresh_lanes,
                        const LaneBlock* blocks);
  // Digests messages[indices[lane]], each of at most 55 bytes (one block), into
  // lane_digests[lane] for every lane.
  void (*digest_one_blocks)(const HashedMessage* messages, const size_t* indices,
                            unsigned char (*lane_digests)[Hash::kDigestSize]);
  // With this many busy lanes or fewer and no message left for the others, the code for one
  // message finishes the lanes' messages sooner than a kernel call for each block.
  size_t scalar_lanes;
};

namespace digest_lanes_detail {

// A lane's message and how far the lane has digested it.
struct Lane {
  const unsigned char* bytes;
  size_t length;
  size_t offset;   // of the lane's next block
  size_t message;  // index into the call's messages
};

inline constexpr unsigned char kNoBytes[1] = {0};
inline constexpr LaneBlock kIdleBlock = {kNoBytes, 0, 0, 0, 0};

// The padding follows the message: 0x80 in the block that holds the end, then zeros, the length
// in the last eight bytes of the last block. A message that ends 56 to 63 bytes into a block has
// one block more, of zeros and the length.
inline void DescribeNextBlock(const Lane& lane, LaneBlock* block) {
  size_t rest = lane.length > lane.offset ? lane.length - lane.offset : 0;
  block->bytes = rest != 0 ? lane.bytes + lane.offset : kNoBytes;
  block->length = static_cast<uint32_t>(rest < 64 ? rest : 64);
  block->marker = lane.offset <= lane.length && rest < 64;
  block->last = lane.offset + 56 > lane.length;
}

template <class Hash>
using Digests = unsigned char (*)[Hash::kDigestSize];

// Messages of one block count: every lane starts and ends with the others, so no lane waits and
// none is refilled.
template <class Hash>
void DigestInLockstep(const LaneKernel<Hash>& kernel, const HashedMessage* messages,
                      const size_t* indices, size_t block_count, Digests<Hash> digests) {
  Lane lanes[kMaxLanes];
  LaneBlock blocks[kMaxLanes];
  typename Hash::States states;
  for (size_t lane = 0; lane < kernel.lanes; ++lane) {
    const HashedMessage& message = messages[indices[lane]];
    lanes[lane] = {message.bytes, message.length, 0, indices[lane]};
    blocks[lane].length_field = Hash::LengthField(message.length);
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
    Hash::StoreDigest(states, lane, digests[indices[lane]]);
  }
}

// The messages messages[indices[0..count)] of any lengths. A lane takes the next message as soon
// as its own is done, so every lane stays busy until the last ones; a lane with nothing left
// digests an empty block whose result is dropped. The last few long messages finish in the
// code for one message, where one block costs less than a kernel call.
template <class Hash>
void DigestInLanes(const LaneKernel<Hash>& kernel, const HashedMessage* messages,
                   const size_t* indices, size_t count, Digests<Hash> digests) {
  Lane lanes[kMaxLanes];
  LaneBlock blocks[kMaxLanes];
  typename Hash::States states;
  size_t next = 0;
  uint32_t busy = 0;
  // Idle lanes start fresh too, so that no kernel reads an unset state.
  uint32_t fresh = ~uint32_t{0};
  // Lanes whose next block is all padding: the scalar code cannot take them over.
  uint32_t in_padding = 0;
  auto take_next_message = [&](size_t lane) {
    const HashedMessage& message = messages[indices[next]];
    lanes[lane] = {message.bytes, message.length, 0, indices[next]};
    blocks[lane].length_field = Hash::LengthField(message.length);
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
      Lane& job = lanes[lane];
      if (!blocks[lane].last) {
        job.offset += 64;
        DescribeNextBlock(job, &blocks[lane]);
        if (job.offset > job.length) in_padding |= bit;
        continue;
      }
      Hash::StoreDigest(states, lane, digests[job.message]);
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
    const Lane& job = lanes[lane];
    Hash::FinishAlone({job.bytes, job.length}, job.offset, (fresh & bit) ? nullptr : &states, lane,
                      digests[job.message]);
  }
}

// Messages of up to kLockstepBlocks blocks wait, sorted by block count, until a lane's worth
// of one count is there; longer ones and those left over share refilled lanes.
constexpr size_t kLockstepBlocks = 4;
constexpr size_t kRefillMessages = 256;

}  // namespace digest_lanes_detail

// The digests of `count` messages of any lengths by the kernel, into digests[0..count). `Hash`
// gives, besides States and kDigestSize:
//   LengthField(length): the last eight bytes of a message's last block, read little-endian;
//   StoreDigest(states, lane, digest): the lane's digest from its chaining values;
//   FinishAlone(message, offset, states, lane, digest): the digest of a message whose first
//     `offset` bytes (a multiple of 64) the lane has digested, from `states` (null when it has
//     digested none), by the code for one message.
template <class Hash>
void DigestWithKernel(const LaneKernel<Hash>& kernel, const HashedMessage* messages, size_t count,
                      unsigned char (*digests)[Hash::kDigestSize]) {
  using namespace digest_lanes_detail;
  size_t waiting[kLockstepBlocks][kMaxLanes];
  size_t waiting_count[kLockstepBlocks] = {};
  size_t others[kRefillMessages + kLockstepBlocks * kMaxLanes];
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
    unsigned char lane_digests[kMaxLanes][Hash::kDigestSize];
    kernel.digest_one_blocks(messages, same, lane_digests);
    for (size_t lane = 0; lane < kernel.lanes; ++lane) {
      std::memcpy(digests[same[lane]], lane_digests[lane], Hash::kDigestSize);
    }
  }
  for (size_t b = 0; b < kLockstepBlocks; ++b) {
    for (size_t k = 0; k < waiting_count[b]; ++k) others[other_count++] = waiting[b][k];
  }
  if (other_count != 0) DigestInLanes(kernel, messages, others, other_count, digests);
}

}  // namespace vx
