// What the AVX2 kernels of the digest lanes share: a lane's block loaded without reading past
// its message, and the transposition of eight lanes' words. Internal to the runtime.
#pragma once

#include "runtime/digest_lanes.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstring>

namespace vx {

#define VX_LANES_AVX2 __attribute__((target("avx2"), always_inline)) inline

// The lane's padded block as words 0-7 and 8-15. Without byte-masked loads, whole words come
// from masked word loads and the word that the message ends in is put together apart.
VX_LANES_AVX2 void LoadLaneBlock(const LaneBlock& block, __m256i* low, __m256i* high) {
  const __m256i low_index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i high_index = _mm256_setr_epi32(8, 9, 10, 11, 12, 13, 14, 15);
  uint32_t length = block.length;
  uint32_t whole_words = length >> 2;
  uint32_t tail_length = length & 3;
  uint32_t tail = 0;
  if (tail_length != 0) {
    const unsigned char* end = block.bytes + length;
    if (length >= 4) {
      std::memcpy(&tail, end - 4, 4);
      tail >>= 8 * (4 - tail_length);
    } else {
      for (uint32_t i = 0; i < tail_length; ++i) tail |= uint32_t{block.bytes[i]} << (8 * i);
    }
  }
  if (block.marker) tail |= uint32_t{0x80} << (8 * tail_length);

  __m256i words = _mm256_set1_epi32(static_cast<int>(whole_words));
  __m256i tail_word = _mm256_set1_epi32(static_cast<int>(tail));
  // The high half's address only as a number: for a short message it lies past the end.
  auto* first = reinterpret_cast<const int*>(block.bytes);
  auto* second = reinterpret_cast<const int*>(reinterpret_cast<uintptr_t>(block.bytes) + 32);
  *low = _mm256_or_si256(_mm256_maskload_epi32(first, _mm256_cmpgt_epi32(words, low_index)),
                         _mm256_and_si256(_mm256_cmpeq_epi32(words, low_index), tail_word));
  *high = _mm256_or_si256(_mm256_maskload_epi32(second, _mm256_cmpgt_epi32(words, high_index)),
                          _mm256_and_si256(_mm256_cmpeq_epi32(words, high_index), tail_word));
  // In the last block the length's eight bytes are zeros so far.
  long long length_field = block.last ? static_cast<long long>(block.length_field) : 0;
  *high = _mm256_or_si256(*high, _mm256_set_epi64x(length_field, 0, 0, 0));
}

// rows[lane] holds eight words of the lane; words[j] gets word j of every lane.
VX_LANES_AVX2 void TransposeLanes(const __m256i rows[8], __m256i words[8]) {
  __m256i pairs[8], quads[8];
  for (int i = 0; i < 8; i += 2) {
    pairs[i] = _mm256_unpacklo_epi32(rows[i], rows[i + 1]);
    pairs[i + 1] = _mm256_unpackhi_epi32(rows[i], rows[i + 1]);
  }
  // quads[4q + e], 128-bit half h: word 4h + e of lanes 4q to 4q + 3.
  for (int q = 0; q < 2; ++q) {
    const __m256i* p = pairs + 4 * q;
    quads[4 * q] = _mm256_unpacklo_epi64(p[0], p[2]);
    quads[4 * q + 1] = _mm256_unpackhi_epi64(p[0], p[2]);
    quads[4 * q + 2] = _mm256_unpacklo_epi64(p[1], p[3]);
    quads[4 * q + 3] = _mm256_unpackhi_epi64(p[1], p[3]);
  }
  for (int e = 0; e < 4; ++e) {
    words[e] = _mm256_permute2x128_si256(quads[e], quads[4 + e], 0x20);
    words[4 + e] = _mm256_permute2x128_si256(quads[e], quads[4 + e], 0x31);
  }
}

#undef VX_LANES_AVX2

}  // namespace vx

#endif
