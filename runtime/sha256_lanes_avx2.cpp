// The AVX2 kernel: 8 lanes to a YMM register.
#include "runtime/sha256_lanes_kernels.h"

#if defined(__x86_64__)

#include "runtime/digest_lanes_avx2.h"
#include "runtime/sha256.h"

namespace vx {

namespace {

#define VX_AVX2 __attribute__((target("avx2"), always_inline)) inline

VX_AVX2 __m256i Add(__m256i x, __m256i y) {
  return _mm256_add_epi32(x, y);
}

VX_AVX2 __m256i Xor(__m256i x, __m256i y, __m256i z) {
  return _mm256_xor_si256(_mm256_xor_si256(x, y), z);
}

// AVX2 has no rotation: x >> r and x << (32 - r) never overlap, so their sum is x rotated.
template <int r>
VX_AVX2 __m256i RotateRight(__m256i x) {
  return _mm256_or_si256(_mm256_srli_epi32(x, r), _mm256_slli_epi32(x, 32 - r));
}

// Each byte of every word to the other end: SHA-256's words are big-endian.
VX_AVX2 __m256i SwapBytes(__m256i x) {
  const __m256i swap = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3, 2,
                                        1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  return _mm256_shuffle_epi8(x, swap);
}

// The 64 rounds on the lanes' registers, then the block's sum added to them. The message's words
// are scheduled in place, each 16 rounds after the word it replaces was used.
VX_AVX2 void DigestWords(__m256i (&w)[16], __m256i (&state)[8]) {
  __m256i s[8];
  for (int i = 0; i < 8; ++i) s[i] = state[i];
  const uint32_t* constants = kSha256RoundConstants;
  // Each constant one broadcast load rather than a move and a broadcast from a general register.
  __asm__("" : "+r"(constants));
#pragma GCC unroll 64
  for (int round = 0; round < 64; ++round) {
    if (round >= 16) {
      __m256i back2 = w[(round - 2) & 15], back15 = w[(round - 15) & 15];
      __m256i sigma1 =
          Xor(RotateRight<17>(back2), RotateRight<19>(back2), _mm256_srli_epi32(back2, 10));
      __m256i sigma0 =
          Xor(RotateRight<7>(back15), RotateRight<18>(back15), _mm256_srli_epi32(back15, 3));
      w[round & 15] = Add(Add(w[round & 15], sigma1), Add(w[(round - 7) & 15], sigma0));
    }
    // The registers rotate by index, not by moves: a round writes the new e into d and the new a
    // into h.
    __m256i &a = s[(8 - round) & 7], &b = s[(9 - round) & 7], &c = s[(10 - round) & 7],
            &d = s[(11 - round) & 7], &e = s[(12 - round) & 7], &f = s[(13 - round) & 7],
            &g = s[(14 - round) & 7], &h = s[(15 - round) & 7];
    __m256i choose = _mm256_xor_si256(g, _mm256_and_si256(e, _mm256_xor_si256(f, g)));
    __m256i big_sigma1 = Xor(RotateRight<6>(e), RotateRight<11>(e), RotateRight<25>(e));
    __m256i t1 = Add(Add(h, _mm256_set1_epi32(static_cast<int>(constants[round]))),
                     Add(w[round & 15], Add(choose, big_sigma1)));
    __m256i majority =
        _mm256_xor_si256(b, _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(b, c)));
    __m256i big_sigma0 = Xor(RotateRight<2>(a), RotateRight<13>(a), RotateRight<22>(a));
    d = Add(d, t1);
    h = Add(t1, Add(big_sigma0, majority));
  }
  for (int i = 0; i < 8; ++i) state[i] = Add(state[i], s[i]);
}

VX_AVX2 void LoadWords(const LaneBlock* blocks, __m256i (&words)[16]) {
  __m256i low[8], high[8];
  for (int lane = 0; lane < 8; ++lane) LoadLaneBlock(blocks[lane], &low[lane], &high[lane]);
  TransposeLanes(low, words);
  TransposeLanes(high, words + 8);
  for (__m256i& word : words) word = SwapBytes(word);
}

__attribute__((target("avx2"))) void DigestBlocks(Sha256LaneStates* states, uint32_t fresh_lanes,
                                                  const LaneBlock* blocks) {
  const __m256i lane_bits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  __m256i words[16];
  LoadWords(blocks, words);
  __m256i fresh = _mm256_set1_epi32(static_cast<int>(fresh_lanes));
  fresh = _mm256_cmpeq_epi32(_mm256_and_si256(fresh, lane_bits), lane_bits);
  __m256i state[8];
  for (int i = 0; i < 8; ++i) {
    __m256i held = _mm256_load_si256(reinterpret_cast<const __m256i*>(states->words[i]));
    state[i] =
        _mm256_blendv_epi8(held, _mm256_set1_epi32(static_cast<int>(kSha256Initial[i])), fresh);
  }
  DigestWords(words, state);
  for (int i = 0; i < 8; ++i) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(states->words[i]), state[i]);
  }
}

__attribute__((target("avx2"))) void DigestOneBlocks(const HashedMessage* messages,
                                                     const size_t* indices,
                                                     unsigned char (*lane_digests)[32]) {
  LaneBlock blocks[8];
  for (int lane = 0; lane < 8; ++lane) {
    const HashedMessage& message = messages[indices[lane]];
    auto length = static_cast<uint32_t>(message.length);
    blocks[lane] = {message.bytes, length, 1, 1, Sha256Lanes::LengthField(length)};
  }
  __m256i words[16];
  LoadWords(blocks, words);
  __m256i state[8];
  for (int i = 0; i < 8; ++i) state[i] = _mm256_set1_epi32(static_cast<int>(kSha256Initial[i]));
  DigestWords(words, state);
  // state[i] holds word i of every lane; transposed, a register holds a lane's digest.
  __m256i digests[8];
  TransposeLanes(state, digests);
  for (int lane = 0; lane < 8; ++lane) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lane_digests[lane]), SwapBytes(digests[lane]));
  }
}

#undef VX_AVX2

}  // namespace

const Sha256LaneKernel kSha256Avx2Kernel = {8, DigestBlocks, DigestOneBlocks, 2};

}  // namespace vx

#endif
