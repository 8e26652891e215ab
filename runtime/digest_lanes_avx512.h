// What the AVX-512 kernels of the digest lanes share: a lane's block loaded without reading
// past its message, and the transposition of sixteen lanes' words. Internal to the runtime.
#pragma once

#include "runtime/digest_lanes.h"

#if defined(__x86_64__)

// GCC 12 warns of the undefined operands that its own AVX-512 intrinsics use once they are
// inlined (GCC bug 105593); the warning is silenced for the header's lines only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

namespace vx {

#define VX_LANES_AVX512 __attribute__((target("avx512f,avx512bw"), always_inline)) inline

// The lane's padded block, built in the register: masked loads read no byte past the message.
VX_LANES_AVX512 __m512i LoadLaneBlock(const LaneBlock& block) {
  uint64_t length = block.length;
  __mmask64 in_message = length < 64 ? (uint64_t{1} << length) - 1 : ~uint64_t{0};
  __m512i row = _mm512_maskz_loadu_epi8(in_message, block.bytes);
  __mmask64 marker = block.marker ? uint64_t{1} << length : 0;
  row = _mm512_mask_mov_epi8(row, marker, _mm512_set1_epi8(static_cast<char>(0x80)));
  return _mm512_mask_set1_epi64(row, block.last ? 0x80 : 0,
                                static_cast<long long>(block.length_field));
}

// rows[lane] holds the lane's 16 words; words[j] gets word j of every lane.
VX_LANES_AVX512 void TransposeLanes(const __m512i rows[16], __m512i words[16]) {
  __m512i pairs[16], quads[16];
  for (int i = 0; i < 16; i += 2) {
    pairs[i] = _mm512_unpacklo_epi32(rows[i], rows[i + 1]);
    pairs[i + 1] = _mm512_unpackhi_epi32(rows[i], rows[i + 1]);
  }
  // quads[4q + e], 128-bit part p: word 4p + e of lanes 4q to 4q + 3.
  for (int q = 0; q < 4; ++q) {
    const __m512i* p = pairs + 4 * q;
    quads[4 * q] = _mm512_unpacklo_epi64(p[0], p[2]);
    quads[4 * q + 1] = _mm512_unpackhi_epi64(p[0], p[2]);
    quads[4 * q + 2] = _mm512_unpacklo_epi64(p[1], p[3]);
    quads[4 * q + 3] = _mm512_unpackhi_epi64(p[1], p[3]);
  }
  // Part p of the four quads with the same e, in lane order.
  for (int e = 0; e < 4; ++e) {
    __m512i low01 = _mm512_shuffle_i32x4(quads[e], quads[4 + e], 0x44);
    __m512i high01 = _mm512_shuffle_i32x4(quads[e], quads[4 + e], 0xee);
    __m512i low23 = _mm512_shuffle_i32x4(quads[8 + e], quads[12 + e], 0x44);
    __m512i high23 = _mm512_shuffle_i32x4(quads[8 + e], quads[12 + e], 0xee);
    words[e] = _mm512_shuffle_i32x4(low01, low23, 0x88);
    words[4 + e] = _mm512_shuffle_i32x4(low01, low23, 0xdd);
    words[8 + e] = _mm512_shuffle_i32x4(high01, high23, 0x88);
    words[12 + e] = _mm512_shuffle_i32x4(high01, high23, 0xdd);
  }
}

#undef VX_LANES_AVX512

}  // namespace vx

#endif
