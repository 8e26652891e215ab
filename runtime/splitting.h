// What the split commands share: a byte search and the growing array of members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

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

// Collects the members of a split (fresh texts or byte data, null for empty ones) into one
// array block, grown geometrically and cut to size by Finish. Members not yet handed over by
// Finish are released with the collector.
class MemberCollector {
 public:
  explicit MemberCollector(int32_t expected_count = 4);
  ~MemberCollector();
  MemberCollector(const MemberCollector&) = delete;
  MemberCollector& operator=(const MemberCollector&) = delete;

  void Add(void* member) {
    if (count_ == capacity_) Grow();
    ArrayElements(array_)[count_++] = member;
  }
  // The array of the members added, owned by the caller.
  ValueArray Finish();

 private:
  void Grow();

  ValueArray array_;
  int32_t count_ = 0;
  int32_t capacity_;
};

// Makes one member of `count` bytes: a fresh text or byte data, null when count is 0.
using MakeMember = void* (*)(const void* bytes, int64_t count);

// The buffers' split: the pieces of `length` bytes at `content` between occurrences of the
// separator, the piece before the first one included even when empty, the piece after the last
// one only when it is not empty (so empty content gives one empty member). A `max_count` of 0
// gives no members; one above 0 stops the split there and drops the rest; one below 0 is no
// limit. An empty separator gives the whole content as the one member.
ValueArray SplitContent(const unsigned char* content, int64_t length,
                        const unsigned char* separator, size_t separator_length,
                        std::optional<int32_t> max_count, MakeMember make_member);

}  // namespace vx
