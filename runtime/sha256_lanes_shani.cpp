// The SHA instructions' level: kStreams messages at a time, their rounds interleaved.
#include "runtime/sha256_lanes_kernels.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstring>

#include "runtime/sha256.h"

namespace vx {

namespace {

// Each SHA256RNDS2 waits for the one before it; other messages' rounds fill the wait. Four
// streams digest phone numbers 20% faster than two here, and six or eight no faster than four.
constexpr int kStreams = 4;

#define VX_SHA __attribute__((target("sha,sse4.1"), always_inline)) inline

// A message's blocks: the whole ones straight from its bytes, then the last one or two, with the
// padding, from `tail`.
struct Stream {
  const unsigned char* bytes;
  size_t whole_blocks;
  size_t block_count;
  size_t next_block;
  unsigned char* digest;
  unsigned char tail[128];
};

void StartStream(const HashedMessage& message, unsigned char* digest, Stream* stream) {
  size_t rest = message.length % 64;
  stream->bytes = message.bytes;
  stream->whole_blocks = message.length / 64;
  stream->next_block = 0;
  stream->digest = digest;
  size_t tail_length = rest < 56 ? 64 : 128;
  stream->block_count = stream->whole_blocks + tail_length / 64;
  std::memset(stream->tail, 0, tail_length);
  if (rest != 0) std::memcpy(stream->tail, message.bytes + message.length - rest, rest);
  stream->tail[rest] = 0x80;
  uint64_t bits = static_cast<uint64_t>(message.length) << 3;
  for (int i = 0; i < 8; ++i) {
    stream->tail[tail_length - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
  }
}

const unsigned char* NextBlock(const Stream& stream) {
  size_t block = stream.next_block;
  return block < stream.whole_blocks ? stream.bytes + 64 * block
                                     : stream.tail + 64 * (block - stream.whole_blocks);
}

// The instructions keep the state as two registers: A, B, E, F and C, D, G, H, from the highest
// word down.
VX_SHA void StartState(__m128i* abef, __m128i* cdgh, const uint32_t* h = kSha256Initial) {
  *abef = _mm_set_epi32(static_cast<int>(h[0]), static_cast<int>(h[1]), static_cast<int>(h[4]),
                        static_cast<int>(h[5]));
  *cdgh = _mm_set_epi32(static_cast<int>(h[2]), static_cast<int>(h[3]), static_cast<int>(h[6]),
                        static_cast<int>(h[7]));
}

// D, C, B, A and H, G, F, E from the lowest word up: the digest with its sixteen bytes reversed.
VX_SHA void StoreDigest(__m128i abef, __m128i cdgh, unsigned char* digest) {
  const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  auto* out = reinterpret_cast<__m128i*>(digest);
  _mm_storeu_si128(out, _mm_shuffle_epi8(_mm_unpackhi_epi64(cdgh, abef), reverse));
  _mm_storeu_si128(out + 1, _mm_shuffle_epi8(_mm_unpacklo_epi64(cdgh, abef), reverse));
}

// One block of each of `streams` messages. Four rounds at a time: two SHA256RNDS2 of two rounds
// each; from the fifth group on, each group's four words are scheduled from the four before.
template <int streams>
VX_SHA void DigestBlocks(__m128i* abef, __m128i* cdgh, const unsigned char* const* blocks) {
  const __m128i byte_swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  __m128i words[streams][4], start_abef[streams], start_cdgh[streams];
  for (int s = 0; s < streams; ++s) {
    start_abef[s] = abef[s];
    start_cdgh[s] = cdgh[s];
    for (int i = 0; i < 4; ++i) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[s] + 16 * i));
      words[s][i] = _mm_shuffle_epi8(bytes, byte_swap);
    }
  }
  auto* constants = reinterpret_cast<const __m128i*>(kSha256RoundConstants);
#pragma GCC unroll 16
  for (int group = 0; group < 16; ++group) {
    __m128i constant = _mm_loadu_si128(constants + group);
    for (int s = 0; s < streams; ++s) {
      __m128i* w = words[s];
      if (group >= 4) {
        // w[group % 4] holds words 4 groups back; the others hold 3, 2 and 1 group back.
        __m128i back3 = w[(group + 1) & 3], back2 = w[(group + 2) & 3], back1 = w[(group + 3) & 3];
        __m128i sum = _mm_sha256msg1_epu32(w[group & 3], back3);
        sum = _mm_add_epi32(sum, _mm_alignr_epi8(back1, back2, 4));
        w[group & 3] = _mm_sha256msg2_epu32(sum, back1);
      }
      __m128i added = _mm_add_epi32(w[group & 3], constant);
      // Two rounds make the old A, B, E, F the new C, D, G, H: each instruction's result goes
      // where the older half was.
      cdgh[s] = _mm_sha256rnds2_epu32(cdgh[s], abef[s], added);
      abef[s] = _mm_sha256rnds2_epu32(abef[s], cdgh[s], _mm_shuffle_epi32(added, 0x0e));
    }
  }
  for (int s = 0; s < streams; ++s) {
    abef[s] = _mm_add_epi32(abef[s], start_abef[s]);
    cdgh[s] = _mm_add_epi32(cdgh[s], start_cdgh[s]);
  }
}

// The stream's blocks from its next one on, then its digest.
VX_SHA void FinishStream(Stream* stream, __m128i abef, __m128i cdgh) {
  for (; stream->next_block < stream->block_count; ++stream->next_block) {
    const unsigned char* block = NextBlock(*stream);
    DigestBlocks<1>(&abef, &cdgh, &block);
  }
  StoreDigest(abef, cdgh, stream->digest);
}

}  // namespace

// A stream takes the next message as soon as its own is done; once none is left, each stream
// still busy (its digest set) finishes alone.
__attribute__((target("sha,sse4.1"))) void DigestWithShaNi(const HashedMessage* messages,
                                                           size_t count,
                                                           unsigned char (*digests)[32]) {
  Stream streams[kStreams];
  for (Stream& stream : streams) stream.digest = nullptr;
  __m128i abef[kStreams], cdgh[kStreams];
  size_t next = 0;
  int busy = 0;
  for (; busy < kStreams && next < count; ++busy, ++next) {
    StartStream(messages[next], digests[next], &streams[busy]);
    StartState(&abef[busy], &cdgh[busy]);
  }
  while (busy == kStreams) {
    const unsigned char* blocks[kStreams];
    for (int s = 0; s < kStreams; ++s) blocks[s] = NextBlock(streams[s]);
    DigestBlocks<kStreams>(abef, cdgh, blocks);
    for (int s = 0; s < kStreams; ++s) {
      Stream& stream = streams[s];
      if (++stream.next_block != stream.block_count) continue;
      StoreDigest(abef[s], cdgh[s], stream.digest);
      if (next < count) {
        StartStream(messages[next], digests[next], &stream);
        StartState(&abef[s], &cdgh[s]);
        ++next;
      } else {
        stream.digest = nullptr;
        --busy;
      }
    }
  }
  for (int s = 0; s < kStreams; ++s) {
    if (streams[s].digest != nullptr) FinishStream(&streams[s], abef[s], cdgh[s]);
  }
}

__attribute__((target("sha,sse4.1"))) void DigestRestWithShaNi(const HashedMessage& message,
                                                               size_t offset, const uint32_t* state,
                                                               unsigned char digest[32]) {
  Stream stream;
  StartStream(message, digest, &stream);
  stream.next_block = offset / 64;
  __m128i abef, cdgh;
  StartState(&abef, &cdgh, state);
  FinishStream(&stream, abef, cdgh);
}

#undef VX_SHA

}  // namespace vx

#endif
