#include "runtime/splitting.h"

#include <cstring>

namespace vx {

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

namespace {

size_t ArrayBlockSize(int32_t count) {
  return sizeof(ArrayBlock) + sizeof(void*) * static_cast<size_t>(count);
}

// Collects the members of a split into one array block, grown geometrically and cut to size by
// Finish. Members not yet handed over by Finish are released with the collector.
class MemberCollector {
 public:
  MemberCollector() {
    array_ = static_cast<ValueArray>(AllocateBlock(ArrayBlockSize(capacity_)));
    array_->dimensions = 1;
    array_->count = 0;
  }
  ~MemberCollector() {
    if (!array_) return;
    array_->count = count_;
    FreeArrayOfBlocks(array_);
  }
  MemberCollector(const MemberCollector&) = delete;
  MemberCollector& operator=(const MemberCollector&) = delete;

  void Add(void* member) {
    if (count_ == capacity_) Grow();
    ArrayElements(array_)[count_++] = member;
  }

  // The array of the members added, owned by the caller.
  ValueArray Finish() {
    ValueArray array = array_;
    array_ = nullptr;
    array->count = count_;
    if (count_ < capacity_) {
      array = static_cast<ValueArray>(ReallocateBlock(array, ArrayBlockSize(count_)));
    }
    return array;
  }

 private:
  void Grow() {
    // Doubling keeps the copies of a growing array to about one pass over its final size.
    int64_t grown = static_cast<int64_t>(capacity_) * 2;
    // An array counts its members in 32 bits: one more member than that cannot be held.
    if (capacity_ == INT32_MAX) ReportAllocationFailure(ArrayBlockSize(INT32_MAX) + sizeof(void*));
    capacity_ = grown > INT32_MAX ? INT32_MAX : static_cast<int32_t>(grown);
    array_ = static_cast<ValueArray>(ReallocateBlock(array_, ArrayBlockSize(capacity_)));
  }

  ValueArray array_;
  int32_t count_ = 0;
  int32_t capacity_ = 4;
};

template <MatchAt kMatchAt>
ValueArray CollectTexts(const unsigned char* bytes, size_t length, Separator separator,
                        int32_t limit) {
  MemberCollector members;
  ForEachPiece<kMatchAt>(bytes, length, separator, limit,
                         [&](const unsigned char* piece, size_t piece_length) {
                           members.Add(CopyTextBytes(piece, static_cast<int64_t>(piece_length)));
                         });
  return members.Finish();
}

}  // namespace

ValueArray SplitIntoTexts(const unsigned char* bytes, size_t length, const char* separator,
                          int32_t limit, MatchAt match_at) {
  Separator cut_at{reinterpret_cast<const unsigned char*>(separator),
                   static_cast<size_t>(TextLength(separator))};
  return match_at == MatchAt::kCharacterStart
             ? CollectTexts<MatchAt::kCharacterStart>(bytes, length, cut_at, limit)
             : CollectTexts<MatchAt::kAnyByte>(bytes, length, cut_at, limit);
}

}  // namespace vx
