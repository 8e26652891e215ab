// The AVX2 kernel: 8 lanes to a YMM register, in kGroups independent groups.
#include "runtime/md5_lanes_kernels.h"

#if defined(__x86_64__)

#include "runtime/digest_lanes_avx2.h"

namespace vx {

namespace {

// One group's steps wait on each other (six instructions each); the groups' steps interleave and
// fill those waits.
constexpr int kGroups = 2;
// The groups' loops unrolled, so that each group's registers stay registers.
#define VX_EACH_GROUP _Pragma("GCC unroll 4") for (int g = 0; g < kGroups; ++g)

#define VX_AVX2 __attribute__((target("avx2"), always_inline)) inline

VX_AVX2 __m256i LoadState(const uint32_t* values, __m256i fresh, uint32_t initial) {
  return _mm256_blendv_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(values)),
                            _mm256_set1_epi32(static_cast<int>(initial)), fresh);
}

VX_AVX2 void StoreState(uint32_t* values, __m256i state) {
  _mm256_store_si256(reinterpret_cast<__m256i*>(values), state);
}

// Ends the compiler's reassociation of a sum: the step's chain waits only for b, so the terms
// without b must be added first, or each step waits one addition longer.
VX_AVX2 void KeepApart(__m256i& sum) {
  __asm__("" : "+x"(sum));
}

template <int shift>
VX_AVX2 __m256i RotateLeft(__m256i x) {
  return _mm256_or_si256(_mm256_slli_epi32(x, shift), _mm256_srli_epi32(x, 32 - shift));
}

// The round functions, as the terms that need b, the step's newest register, and those that do
// not and join the early additions. G is (b & d) | (c & ~d), whose halves never overlap: it is
// their sum (as md5.cpp does).
#define VX_MD5_EARLY_F(sum, c, d)
#define VX_MD5_LATE_F(b, c, d) _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)))
#define VX_MD5_EARLY_G(sum, c, d) sum = _mm256_add_epi32(sum, _mm256_andnot_si256(d, c))
#define VX_MD5_LATE_G(b, c, d) _mm256_and_si256(b, d)
#define VX_MD5_EARLY_H(sum, c, d)
#define VX_MD5_LATE_H(b, c, d) _mm256_xor_si256(_mm256_xor_si256(c, d), b)
#define VX_MD5_EARLY_I(sum, c, d)
#define VX_MD5_LATE_I(b, c, d) _mm256_xor_si256(c, _mm256_or_si256(b, _mm256_xor_si256(d, ones)))
#define VX_MD5_STEP(function, a, b, c, d, word, step, shift)                                     \
  VX_EACH_GROUP {                                                                                \
    __m256i sum = _mm256_add_epi32(                                                              \
        a[g],                                                                                    \
        _mm256_add_epi32(words[g][word], _mm256_set1_epi32(static_cast<int>(constants[step])))); \
    VX_MD5_EARLY_##function(sum, c[g], d[g]);                                                    \
    KeepApart(sum);                                                                              \
    sum = _mm256_add_epi32(sum, VX_MD5_LATE_##function(b[g], c[g], d[g]));                       \
    a[g] = _mm256_add_epi32(b[g], RotateLeft<shift>(sum));                                       \
  }

// The 64 steps on every group's registers, then the block's sum added to them.
VX_AVX2 void DigestWords(const __m256i (&words)[kGroups][16], __m256i (&a)[kGroups],
                         __m256i (&b)[kGroups], __m256i (&c)[kGroups], __m256i (&d)[kGroups]) {
  const __m256i ones = _mm256_set1_epi32(-1);
  __m256i start_a[kGroups], start_b[kGroups], start_c[kGroups], start_d[kGroups];
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
    a[g] = _mm256_add_epi32(a[g], start_a[g]);
    b[g] = _mm256_add_epi32(b[g], start_b[g]);
    c[g] = _mm256_add_epi32(c[g], start_c[g]);
    d[g] = _mm256_add_epi32(d[g], start_d[g]);
  }
}

VX_AVX2 void LoadWords(const LaneBlock* blocks, __m256i (&words)[16]) {
  __m256i low[8], high[8];
  for (int lane = 0; lane < 8; ++lane) LoadLaneBlock(blocks[lane], &low[lane], &high[lane]);
  TransposeLanes(low, words);
  TransposeLanes(high, words + 8);
}

__attribute__((target("avx2"))) void DigestBlocks(Md5LaneStates* states, uint32_t fresh_lanes,
                                                  const LaneBlock* blocks) {
  const __m256i lane_bits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  __m256i words[kGroups][16];
  __m256i a[kGroups], b[kGroups], c[kGroups], d[kGroups];
  VX_EACH_GROUP {
    LoadWords(blocks + 8 * g, words[g]);
    __m256i fresh = _mm256_set1_epi32(static_cast<int>(fresh_lanes >> (8 * g)));
    fresh = _mm256_cmpeq_epi32(_mm256_and_si256(fresh, lane_bits), lane_bits);
    a[g] = LoadState(states->a + 8 * g, fresh, kMd5InitialA);
    b[g] = LoadState(states->b + 8 * g, fresh, kMd5InitialB);
    c[g] = LoadState(states->c + 8 * g, fresh, kMd5InitialC);
    d[g] = LoadState(states->d + 8 * g, fresh, kMd5InitialD);
  }
  DigestWords(words, a, b, c, d);
  VX_EACH_GROUP {
    StoreState(states->a + 8 * g, a[g]);
    StoreState(states->b + 8 * g, b[g]);
    StoreState(states->c + 8 * g, c[g]);
    StoreState(states->d + 8 * g, d[g]);
  }
}

// Each lane's a, b, c and d side by side: its digest, into digests[lane].
VX_AVX2 void StoreDigests(__m256i a, __m256i b, __m256i c, __m256i d,
                          unsigned char (*digests)[16]) {
  // Half h of digest_k: the digest of lane 4h + k.
  __m256i ab_low = _mm256_unpacklo_epi32(a, b), ab_high = _mm256_unpackhi_epi32(a, b);
  __m256i cd_low = _mm256_unpacklo_epi32(c, d), cd_high = _mm256_unpackhi_epi32(c, d);
  __m256i digest_0 = _mm256_unpacklo_epi64(ab_low, cd_low);
  __m256i digest_1 = _mm256_unpackhi_epi64(ab_low, cd_low);
  __m256i digest_2 = _mm256_unpacklo_epi64(ab_high, cd_high);
  __m256i digest_3 = _mm256_unpackhi_epi64(ab_high, cd_high);
  auto* out = reinterpret_cast<__m256i*>(digests);
  _mm256_storeu_si256(out, _mm256_permute2x128_si256(digest_0, digest_1, 0x20));
  _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(digest_2, digest_3, 0x20));
  _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(digest_0, digest_1, 0x31));
  _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(digest_2, digest_3, 0x31));
}

__attribute__((target("avx2"))) void DigestOneBlocks(const Md5Message* messages,
                                                     const size_t* indices,
                                                     unsigned char (*lane_digests)[16]) {
  __m256i words[kGroups][16];
  __m256i a[kGroups], b[kGroups], c[kGroups], d[kGroups];
  VX_EACH_GROUP {
    LaneBlock blocks[8];
    for (int lane = 0; lane < 8; ++lane) {
      const Md5Message& message = messages[indices[8 * g + lane]];
      auto length = static_cast<uint32_t>(message.length);
      blocks[lane] = {message.bytes, length, 1, 1, uint64_t{length} << 3};
    }
    LoadWords(blocks, words[g]);
    a[g] = _mm256_set1_epi32(static_cast<int>(kMd5InitialA));
    b[g] = _mm256_set1_epi32(static_cast<int>(kMd5InitialB));
    c[g] = _mm256_set1_epi32(static_cast<int>(kMd5InitialC));
    d[g] = _mm256_set1_epi32(static_cast<int>(kMd5InitialD));
  }
  DigestWords(words, a, b, c, d);
  VX_EACH_GROUP {
    StoreDigests(a[g], b[g], c[g], d[g], lane_digests + 8 * g);
  }
}

#undef VX_MD5_STEP
#undef VX_EACH_GROUP
#undef VX_MD5_LATE_I
#undef VX_MD5_EARLY_I
#undef VX_MD5_LATE_H
#undef VX_MD5_EARLY_H
#undef VX_MD5_LATE_G
#undef VX_MD5_EARLY_G
#undef VX_MD5_LATE_F
#undef VX_MD5_EARLY_F
#undef VX_AVX2

}  // namespace

const Md5LaneKernel kMd5Avx2Kernel = {8 * kGroups, DigestBlocks, DigestOneBlocks, 2};

}  // namespace vx

#endif
