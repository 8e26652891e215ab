// The AVX-512 kernel: 16 lanes to a ZMM register.
#include "runtime/sha256_lanes_kernels.h"

#if defined(__x86_64__)

#include "runtime/digest_lanes_avx512.h"
#include "runtime/sha256.h"

namespace vx {

namespace {

#define VX_AVX512 __attribute__((target("avx512f,avx512bw"), always_inline)) inline

VX_AVX512 __m512i Add(__m512i x, __m512i y) {
  return _mm512_add_epi32(x, y);
}

// Truth tables of VPTERNLOGD over (x, y, z).
constexpr int kXor3 = 0x96, kChoose = 0xca, kMajority = 0xe8;

VX_AVX512 __m512i Xor(__m512i x, __m512i y, __m512i z) {
  return _mm512_ternarylogic_epi32(x, y, z, kXor3);
}

// Each byte of every word to the other end: SHA-256's words are big-endian.
VX_AVX512 __m512i SwapBytes(__m512i x) {
  const __m512i swap =
      _mm512_broadcast_i32x4(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
  return _mm512_shuffle_epi8(x, swap);
}

// The 64 rounds on the lanes' registers, then the block's sum added to them. The message's words
// are scheduled in place, each 16 rounds after the word it replaces was used. One group of 16
// lanes fills the 32 registers: two groups interleaved spill and run 10% slower here.
VX_AVX512 void DigestWords(__m512i (&w)[16], __m512i (&state)[8]) {
  __m512i s[8];
  for (int i = 0; i < 8; ++i) s[i] = state[i];
  const uint32_t* constants = kSha256RoundConstants;
  // Each constant one broadcast load rather than a move and a broadcast from a general register.
  __asm__("" : "+r"(constants));
#pragma GCC unroll 64
  for (int round = 0; round < 64; ++round) {
    if (round >= 16) {
      __m512i back2 = w[(round - 2) & 15], back15 = w[(round - 15) & 15];
      __m512i sigma1 = Xor(_mm512_ror_epi32(back2, 17), _mm512_ror_epi32(back2, 19),
                           _mm512_srli_epi32(back2, 10));
      __m512i sigma0 = Xor(_mm512_ror_epi32(back15, 7), _mm512_ror_epi32(back15, 18),
                           _mm512_srli_epi32(back15, 3));
      w[round & 15] = Add(Add(w[round & 15], sigma1), Add(w[(round - 7) & 15], sigma0));
    }
    // The registers rotate by index, not by moves: a round writes the new e into d and the new a
    // into h.
    __m512i &a = s[(8 - round) & 7], &b = s[(9 - round) & 7], &c = s[(10 - round) & 7],
            &d = s[(11 - round) & 7], &e = s[(12 - round) & 7], &f = s[(13 - round) & 7],
            &g = s[(14 - round) & 7], &h = s[(15 - round) & 7];
    __m512i big_sigma1 =
        Xor(_mm512_ror_epi32(e, 6), _mm512_ror_epi32(e, 11), _mm512_ror_epi32(e, 25));
    __m512i t1 =
        Add(Add(h, _mm512_set1_epi32(static_cast<int>(constants[round]))),
            Add(w[round & 15], Add(_mm512_ternarylogic_epi32(e, f, g, kChoose), big_sigma1)));
    __m512i big_sigma0 =
        Xor(_mm512_ror_epi32(a, 2), _mm512_ror_epi32(a, 13), _mm512_ror_epi32(a, 22));
    d = Add(d, t1);
    h = Add(t1, Add(big_sigma0, _mm512_ternarylogic_epi32(a, b, c, kMajority)));
  }
  for (int i = 0; i < 8; ++i) state[i] = Add(state[i], s[i]);
}

VX_AVX512 void LoadWords(const LaneBlock* blocks, __m512i (&words)[16]) {
  __m512i rows[16];
  for (int lane = 0; lane < 16; ++lane) rows[lane] = LoadLaneBlock(blocks[lane]);
  TransposeLanes(rows, words);
  for (__m512i& word : words) word = SwapBytes(word);
}

__attribute__((target("avx512f,avx512bw"))) void DigestBlocks(Sha256LaneStates* states,
                                                              uint32_t fresh_lanes,
                                                              const LaneBlock* blocks) {
  __m512i words[16];
  LoadWords(blocks, words);
  auto fresh = static_cast<__mmask16>(fresh_lanes);
  __m512i state[8];
  for (int i = 0; i < 8; ++i) {
    state[i] = _mm512_mask_mov_epi32(_mm512_load_si512(states->words[i]), fresh,
                                     _mm512_set1_epi32(static_cast<int>(kSha256Initial[i])));
  }
  DigestWords(words, state);
  for (int i = 0; i < 8; ++i) _mm512_store_si512(states->words[i], state[i]);
}

__attribute__((target("avx512f,avx512bw"))) void DigestOneBlocks(
    const HashedMessage* messages, const size_t* indices, unsigned char (*lane_digests)[32]) {
  LaneBlock blocks[16];
  for (int lane = 0; lane < 16; ++lane) {
    const HashedMessage& message = messages[indices[lane]];
    auto length = static_cast<uint32_t>(message.length);
    blocks[lane] = {message.bytes, length, 1, 1, Sha256Lanes::LengthField(length)};
  }
  __m512i words[16];
  LoadWords(blocks, words);
  __m512i state[8];
  for (int i = 0; i < 8; ++i) state[i] = _mm512_set1_epi32(static_cast<int>(kSha256Initial[i]));
  DigestWords(words, state);
  // state[i] holds word i of every lane; transposed, a register's low half holds a lane's digest.
  __m512i columns[16], digests[16];
  for (int i = 0; i < 16; ++i) columns[i] = i < 8 ? state[i] : _mm512_setzero_si512();
  TransposeLanes(columns, digests);
  for (int lane = 0; lane < 16; ++lane) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lane_digests[lane]),
                        _mm512_castsi512_si256(SwapBytes(digests[lane])));
  }
}

#undef VX_AVX512

}  // namespace

const Sha256LaneKernel kSha256Avx512Kernel = {16, DigestBlocks, DigestOneBlocks, 2};

}  // namespace vx

#endif
