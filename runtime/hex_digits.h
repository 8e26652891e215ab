// Lowercase hexadecimal digits, the MD5 columns' form, spelled and read eight digits at a time:
// a digest of a row is spelled, stored and read back millions of times in a pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx {

namespace hex_digits_detail {

constexpr uint64_t kBytes(unsigned value) {
  return 0x0101010101010101ULL * value;
}

// Eight bytes as one little-endian word (the first byte lowest), and back.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline uint64_t LoadWord(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, 8);
  return word;
}
inline void StoreWord(char* bytes, uint64_t word) {
  std::memcpy(bytes, &word, 8);
}
#else
inline uint64_t LoadWord(const char* bytes) {
  uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = word << 8 | static_cast<unsigned char>(bytes[i]);
  return word;
}
inline void StoreWord(char* bytes, uint64_t word) {
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(word >> (8 * i));
}
#endif

}  // namespace hex_digits_detail

// Spells the `count` bytes at `bytes` as 2 * count digits, high nibble first ("00" to "ff").
// `count` is a multiple of 4.
inline void SpellHexDigits(const unsigned char* bytes, size_t count, char* digits) {
  using namespace hex_digits_detail;
  size_t i = 0;
#if defined(__SSE2__)
  // Eight bytes at a time: their nibbles interleaved high before low, then each nibble n made
  // '0' + n, and 'a' - '0' - 10 more where it is above 9.
  const __m128i low_nibbles = _mm_set1_epi8(0x0F);
  for (; i + 8 <= count; i += 8, digits += 16) {
    __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i));
    __m128i high = _mm_and_si128(_mm_srli_epi16(eight, 4), low_nibbles);
    __m128i nibbles = _mm_unpacklo_epi8(high, _mm_and_si128(eight, low_nibbles));
    __m128i letters =
        _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('a' - '0' - 10));
    __m128i spelled = _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(digits), spelled);
  }
#endif
  for (; i < count; i += 4, digits += 8) {
    uint64_t word = static_cast<uint64_t>(bytes[i]) | static_cast<uint64_t>(bytes[i + 1]) << 8 |
                    static_cast<uint64_t>(bytes[i + 2]) << 16 |
                    static_cast<uint64_t>(bytes[i + 3]) << 24;
    // Byte k of the four to bits 16k..16k+7, then its high nibble to the even byte and its low
    // nibble to the odd one.
    word = (word | word << 16) & 0x0000FFFF0000FFFFULL;
    word = (word | word << 8) & 0x00FF00FF00FF00FFULL;
    uint64_t nibbles = (word >> 4 & 0x000F000F000F000FULL) | (word & 0x000F000F000F000FULL) << 8;
    // '0' + n, and 'a' - '0' - 10 more for n from 10 on (the bytes where n + 6 reaches 16).
    uint64_t letters = (nibbles + kBytes(6)) >> 4 & kBytes(1);
    StoreWord(digits, nibbles + kBytes('0') + letters * ('a' - '0' - 10));
  }
}

// True when the `count` bytes at `digits` are all lowercase hexadecimal digits. `count` is a
// multiple of 8.
inline bool AreHexDigits(const char* digits, size_t count) {
  using namespace hex_digits_detail;
  constexpr uint64_t kHigh = kBytes(0x80);
  uint64_t valid = kHigh;
  for (size_t i = 0; i < count; i += 8) {
    uint64_t word = LoadWord(digits + i);
    // For bytes below 0x80, byte + (0x80 - limit) sets bit 7 exactly when byte >= limit, with
    // no carry into the next byte.
    uint64_t low = word & kBytes(0x7F);
    uint64_t from_0 = low + kBytes(0x80 - '0');
    uint64_t past_9 = low + kBytes(0x80 - '9' - 1);
    uint64_t from_a = low + kBytes(0x80 - 'a');
    uint64_t past_f = low + kBytes(0x80 - 'f' - 1);
    valid &= ((from_0 & ~past_9) | (from_a & ~past_f)) & ~word;
  }
  return valid == kHigh;
}

// Reads the 2 * count lowercase hexadecimal digits at `digits` (see AreHexDigits) into `count`
// bytes. `count` is a multiple of 4.
inline void ReadHexDigits(const char* digits, size_t count, unsigned char* bytes) {
  using namespace hex_digits_detail;
  for (size_t i = 0; i < count; i += 4, digits += 8) {
    uint64_t word = LoadWord(digits);
    // '0' to '9' are 0x30 to 0x39 and 'a' to 'f' 0x61 to 0x66: the low four bits, plus 9 for
    // the letters (bit 6).
    uint64_t nibbles = (word & kBytes(0x0F)) + (word >> 6 & kBytes(1)) * 9;
    // Each pair of digits into the low byte of its 16-bit lane, then the four lanes together.
    uint64_t pairs = (nibbles << 4 | nibbles >> 8) & 0x00FF00FF00FF00FFULL;
    pairs = (pairs | pairs >> 8) & 0x0000FFFF0000FFFFULL;
    pairs |= pairs >> 16;
    for (int k = 0; k < 4; ++k) bytes[i + k] = static_cast<unsigned char>(pairs >> (8 * k));
  }
}

}  // namespace vx
