// What the split commands and the import share: the scan that cuts bytes at a separator, and
// the array of fresh texts that a split command makes of the pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/values.h"

namespace vx {

// The first occurrence of the `pattern_length` bytes at `pattern` that lies wholly inside
// [from, end), or null. The pattern is not empty.
const unsigned char* FindBytes(const unsigned char* from, const unsigned char* end,
                               const unsigned char* pattern, size_t pattern_length);

// The first zero byte in [from, end), or null. Texts in the items image are mostly a few bytes
// long, where a library call per text costs more than the search: this looks at eight bytes at
// a time in line, never reading outside the range.
inline const unsigned char* FindZero(const unsigned char* from, const unsigned char* end) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  while (end - from >= 8) {
    uint64_t word;
    std::memcpy(&word, from, sizeof word);
    // Sets the high bit of the lowest zero byte (bits above it may be wrong, below never are).
    uint64_t zeros = (word - kOnes) & ~word & kHighs;
    if (zeros) return from + (__builtin_ctzll(zeros) >> 3);
    from += 8;
  }
#endif
  for (; from < end; ++from) {
    if (*from == 0) return from;
  }
  return nullptr;
}

// True when `position` starts a character of the ANSI code page, given that `known_start` (not
// after it) does: a byte of 0x80 or above leads a two-byte character.
bool StartsCharacter(const unsigned char* known_start, const unsigned char* position);

// The bytes to cut at; not zero-terminated.
struct Separator {
  const unsigned char* bytes;
  size_t length;
};

// Where a separator may match: at any byte, or only where a character starts, so that the trail
// byte of a two-byte character is never taken for the separator's first byte.
enum class MatchAt { kAnyByte, kCharacterStart };

// Calls `piece(bytes, length)` for each piece of the `length` bytes at `bytes` between
// occurrences of `separator`, in order and without copying anything: an empty piece where two
// separators meet, and the rest after the last separator only when it is not empty, so that no
// bytes give no pieces. An empty separator gives the whole as the one piece. With a `limit`
// above 0 the scan stops after that many pieces.
template <MatchAt kMatchAt, typename Piece>
void ForEachPiece(const unsigned char* bytes, size_t length, Separator separator, int32_t limit,
                  Piece&& piece) {
  if (length == 0) return;
  if (separator.length == 0) {
    piece(bytes, length);
    return;
  }
  const unsigned char* end = bytes + length;
  const unsigned char* start = bytes;
  const unsigned char* character_start = bytes;
  const unsigned char* search_from = bytes;
  while (const unsigned char* match =
             FindBytes(search_from, end, separator.bytes, separator.length)) {
    if (kMatchAt == MatchAt::kCharacterStart && !StartsCharacter(character_start, match)) {
      character_start = search_from = match + 1;  // the next byte starts a character
      continue;
    }
    piece(start, static_cast<size_t>(match - start));
    start = character_start = search_from = match + separator.length;
    if (limit > 0 && --limit == 0) return;
  }
  if (start < end) piece(start, static_cast<size_t>(end - start));
}

// The pieces that ForEachPiece cuts `length` bytes into at the text `separator`, as an array of
// fresh texts, empty pieces null.
ValueArray SplitIntoTexts(const unsigned char* bytes, size_t length, const char* separator,
                          int32_t limit, MatchAt match_at);

}  // namespace vx
