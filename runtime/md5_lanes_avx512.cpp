// The AVX-512 kernel: 16 lanes to a ZMM register, in kGroups independent groups.
#include "runtime/md5_lanes_kernels.h"

#if defined(__x86_64__)

#include "runtime/digest_lanes_avx512.h"

namespace vx {

namespace {

// One group's steps wait on each other (four instructions each); the groups' steps interleave
// and fill those waits.
constexpr int kGroups = 2;
// The groups' loops unrolled, so that each group's registers stay registers.
#define VX_EACH_GROUP _Pragma("GCC unroll 4") for (int g = 0; g < kGroups; ++g)

#define VX_AVX512 __attribute__((target("avx512f,avx512bw"), always_inline)) inline

VX_AVX512 __m512i LoadState(const uint32_t* values, __mmask16 fresh, uint32_t initial) {
  return _mm512_mask_mov_epi32(_mm512_load_si512(values), fresh,
                               _mm512_set1_epi32(static_cast<int>(initial)));
}

// Ends the compiler's reassociation of a sum: the step's chain waits only for b, so the terms
// without b must be added first, or each step waits one addition longer.
VX_AVX512 void KeepApart(__m512i& sum) {
  __asm__("" : "+v"(sum));
}

// The round functions as VPTERNLOGD truth tables of (b, c, d).
#define VX_MD5_F 0xca
#define VX_MD5_G 0xe4
#define VX_MD5_H 0x96
#define VX_MD5_I 0x39
#define VX_MD5_STEP(function, a, b, c, d, word, step, shift)                                     \
  VX_EACH_GROUP {                                                                                \
    __m512i sum = _mm512_add_epi32(                                                              \
        a[g],                                                                                    \
        _mm512_add_epi32(words[g][word], _mm512_set1_epi32(static_cast<int>(constants[step])))); \
    KeepApart(sum);                                                                              \
    sum = _mm512_add_epi32(sum, _mm512_ternarylogic_epi32(b[g], c[g], d[g], VX_MD5_##function)); \
    a[g] = _mm512_add_epi32(b[g], _mm512_rol_epi32(sum, shift));                                 \
  }

// The 64 steps on every group's registers, then the block's sum added to them.
VX_AVX512 void DigestWords(const __m512i (&words)[kGroups][16], __m512i (&a)[kGroups],
                           __m512i (&b)[kGroups], __m512i (&c)[kGroups], __m512i (&d)[kGroups]) {
  __m512i start_a[kGroups], start_b[kGroups], start_c[kGroups], start_d[kGroups];
  VX_EACH_GROUP {
    start_a[g] = a[g];
    start_b[g] = b[g];
    start_c[g] = c[g];
    start_d[g] = d[g];
  }
  // GCC 12 makes each constant with a move and a broadcast from a general register; read
  // through a pointer whose target it cannot see, each is one broadcast load.
  const uint32_t* constants = kMd5StepConstants;
  __asm__("" : "+r"(constants));
  VX_MD5_STEPS(VX_MD5_STEP)
  VX_EACH_GROUP {
    a[g] = _mm512_add_epi32(a[g], start_a[g]);
    b[g] = _mm512_add_epi32(b[g], start_b[g]);
    c[g] = _mm512_add_epi32(c[g], start_c[g]);
    d[g] = _mm512_add_epi32(d[g], start_d[g]);
  }
}

__attribute__((target("avx512f,avx512bw"))) void DigestBlocks(Md5LaneStates* states,
                                                              uint32_t fresh_lanes,
                                                              const LaneBlock* blocks) {
  __m512i words[kGroups][16];
  __m512i a[kGroups], b[kGroups], c[kGroups], d[kGroups];
  VX_EACH_GROUP {
    __m512i rows[16];
    for (int lane = 0; lane < 16; ++lane) rows[lane] = LoadLaneBlock(blocks[16 * g + lane]);
    TransposeLanes(rows, words[g]);
    __mmask16 fresh = static_cast<__mmask16>(fresh_lanes >> (16 * g));
    a[g] = LoadState(states->a + 16 * g, fresh, kMd5InitialA);
    b[g] = LoadState(states->b + 16 * g, fresh, kMd5InitialB);
    c[g] = LoadState(states->c + 16 * g, fresh, kMd5InitialC);
    d[g] = LoadState(states->d + 16 * g, fresh, kMd5InitialD);
  }
  DigestWords(words, a, b, c, d);
  VX_EACH_GROUP {
    _mm512_store_si512(states->a + 16 * g, a[g]);
    _mm512_store_si512(states->b + 16 * g, b[g]);
    _mm512_store_si512(states->c + 16 * g, c[g]);
    _mm512_store_si512(states->d + 16 * g, d[g]);
  }
}

// Each lane's a, b, c and d side by side: its digest, into digests[lane].
VX_AVX512 void StoreDigests(__m512i a, __m512i b, __m512i c, __m512i d,
                            unsigned char (*digests)[16]) {
  // Part p of digest_k: the digest of lane 4p + k.
  __m512i ab_low = _mm512_unpacklo_epi32(a, b), ab_high = _mm512_unpackhi_epi32(a, b);
  __m512i cd_low = _mm512_unpacklo_epi32(c, d), cd_high = _mm512_unpackhi_epi32(c, d);
  __m512i digest_0 = _mm512_unpacklo_epi64(ab_low, cd_low);
  __m512i digest_1 = _mm512_unpackhi_epi64(ab_low, cd_low);
  __m512i digest_2 = _mm512_unpacklo_epi64(ab_high, cd_high);
  __m512i digest_3 = _mm512_unpackhi_epi64(ab_high, cd_high);
  __m512i low01 = _mm512_shuffle_i32x4(digest_0, digest_1, 0x44);
  __m512i high01 = _mm512_shuffle_i32x4(digest_0, digest_1, 0xee);
  __m512i low23 = _mm512_shuffle_i32x4(digest_2, digest_3, 0x44);
  __m512i high23 = _mm512_shuffle_i32x4(digest_2, digest_3, 0xee);
  _mm512_storeu_si512(digests, _mm512_shuffle_i32x4(low01, low23, 0x88));
  _mm512_storeu_si512(digests + 4, _mm512_shuffle_i32x4(low01, low23, 0xdd));
  _mm512_storeu_si512(digests + 8, _mm512_shuffle_i32x4(high01, high23, 0x88));
  _mm512_storeu_si512(digests + 12, _mm512_shuffle_i32x4(high01, high23, 0xdd));
}

__attribute__((target("avx512f,avx512bw"))) void DigestOneBlocks(
    const Md5Message* messages, const size_t* indices, unsigned char (*lane_digests)[16]) {
  __m512i words[kGroups][16];
  __m512i a[kGroups], b[kGroups], c[kGroups], d[kGroups];
  VX_EACH_GROUP {
    __m512i rows[16];
    for (int lane = 0; lane < 16; ++lane) {
      const Md5Message& message = messages[indices[16 * g + lane]];
      auto length = static_cast<uint32_t>(message.length);
      rows[lane] = LoadLaneBlock({message.bytes, length, 1, 1, uint64_t{length} << 3});
    }
    TransposeLanes(rows, words[g]);
    a[g] = _mm512_set1_epi32(static_cast<int>(kMd5InitialA));
    b[g] = _mm512_set1_epi32(static_cast<int>(kMd5InitialB));
    c[g] = _mm512_set1_epi32(static_cast<int>(kMd5InitialC));
    d[g] = _mm512_set1_epi32(static_cast<int>(kMd5InitialD));
  }
  DigestWords(words, a, b, c, d);
  VX_EACH_GROUP {
    StoreDigests(a[g], b[g], c[g], d[g], lane_digests + 16 * g);
  }
}

#undef VX_MD5_STEP
#undef VX_EACH_GROUP
#undef VX_MD5_I
#undef VX_MD5_H
#undef VX_MD5_G
#undef VX_MD5_F
#undef VX_AVX512

}  // namespace

const Md5LaneKernel kMd5Avx512Kernel = {16 * kGroups, DigestBlocks, DigestOneBlocks, 2};

}  // namespace vx

#endif
