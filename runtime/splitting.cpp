#include "runtime/splitting.h"

#include <cstring>

namespace vx {

namespace {
size_t ArrayBlockSize(int32_t count) {
  return sizeof(ArrayBlock) + sizeof(void*) * static_cast<size_t>(count);
}
}  // namespace

const unsigned char* FindBytes(const unsigned char* from, const unsigned char* end,
                               const unsigned char* pattern, size_t pattern_length) {
  if (static_cast<size_t>(end - from) < pattern_length) return nullptr;
  const unsigned char* last_start = end - pattern_length;  // the last place a match can begin
  while (from <= last_start) {
    auto* candidate = static_cast<const unsigned char*>(
        std::memchr(from, pattern[0], static_cast<size_t>(last_start - from) + 1));
    if (!candidate) return nullptr;
    if (std::memcmp(candidate + 1, pattern + 1, pattern_length - 1) == 0) return candidate;
    from = candidate + 1;
  }
  return nullptr;
}

// Every byte below 0x80 ends a character, so only the run of lead and trail bytes just before
// `position` matters: it holds whole two-byte characters exactly when its length is even.
bool StartsCharacter(const unsigned char* known_start, const unsigned char* position) {
  const unsigned char* cursor = position;
  while (cursor > known_start && cursor[-1] >= 0x80) --cursor;
  return (position - cursor) % 2 == 0;
}

MemberCollector::MemberCollector(int32_t expected_count)
    : capacity_(expected_count > 0 ? expected_count : 1) {
  array_ = static_cast<ValueArray>(AllocateBlock(ArrayBlockSize(capacity_)));
  array_->dimensions = 1;
  array_->count = 0;
}

MemberCollector::~MemberCollector() {
  if (!array_) return;
  array_->count = count_;
  FreeArrayOfBlocks(array_);
}

void MemberCollector::Grow() {
  // Doubling keeps the copies of a growing array to about one pass over its final size.
  int64_t grown = static_cast<int64_t>(capacity_) * 2;
  // An array counts its members in 32 bits: one more member than that cannot be held.
  if (capacity_ == INT32_MAX) ReportAllocationFailure(ArrayBlockSize(INT32_MAX) + sizeof(void*));
  capacity_ = grown > INT32_MAX ? INT32_MAX : static_cast<int32_t>(grown);
  array_ = static_cast<ValueArray>(ReallocateBlock(array_, ArrayBlockSize(capacity_)));
}

ValueArray MemberCollector::Finish() {
  ValueArray array = array_;
  array_ = nullptr;
  array->count = count_;
  if (count_ < capacity_) {
    array = static_cast<ValueArray>(ReallocateBlock(array, ArrayBlockSize(count_)));
  }
  return array;
}

ValueArray SplitContent(const unsigned char* content, int64_t length,
                        const unsigned char* separator, size_t separator_length,
                        std::optional<int32_t> max_count, MakeMember make_member) {
  if (max_count && *max_count == 0) return AllocateArray(0);
  int32_t limit = max_count && *max_count > 0 ? *max_count : INT32_MAX;
  if (separator_length == 0) {
    ValueArray whole = AllocateArray(1);
    ArrayElements(whole)[0] = make_member(content, length);
    return whole;
  }

  const unsigned char* end = content + length;
  const unsigned char* piece = content;
  MemberCollector members;
  for (int32_t count = 1;; ++count) {
    const unsigned char* match = FindBytes(piece, end, separator, separator_length);
    if (!match) {
      members.Add(make_member(piece, end - piece));
      break;
    }
    members.Add(make_member(piece, match - piece));
    piece = match + separator_length;
    if (count == limit || piece >= end) break;
  }
  return members.Finish();
}

}  // namespace vx
