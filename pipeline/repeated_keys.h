// How duplicate removal finds the rows whose key an earlier row has, for millions of rows.
//
// One set for all keys would be hundreds of megabytes, each lookup a wait for memory. So the keys
// are first sorted by hash into partitions, and each partition gets a set that stays in the
// processor's cache. Equal keys have equal hashes and so meet in one partition, and a partition
// keeps its keys in row order, so the row kept of every key is still its first.
//
// Short keys travel with their rows, exactly, in eight bytes: digit strings (phone numbers, IDs)
// of up to 18 digits as their number, other keys of up to 7 bytes as their bytes. Telling a
// repeat of such a key from another key of its hash then reads nothing else. Longer texts travel
// as where they lie and their length, and are compared there.
//
// The rows may come in parts, each part's rows after those of the part before, so that two
// threads can sort the keys of two halves of the rows at once; and the partitions can be looked
// through by two threads at once, each taking its own range of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pipeline/row_key_set.h"
#include "runtime/values.h"

namespace vx {

class RepeatedKeys {
 public:
  // Room for about `keys` keys in each of `parts` parts: each partition with some to spare, and
  // what a full partition cannot take waits in its part's spill, in row order. Every key ends
  // with `zero_tail` zero bytes, which need not travel with it.
  RepeatedKeys(int64_t keys, size_t zero_tail, int parts = 1);
  ~RepeatedKeys() { FreeBlock(regions_); }
  RepeatedKeys(const RepeatedKeys&) = delete;
  RepeatedKeys& operator=(const RepeatedKeys&) = delete;

  // The key of row `row` in part `part` (rows of a part in increasing order): `length` bytes
  // that hash to `hash` (RowKeySet::Hash), the bytes at `bytes` and then the zero tail. Each
  // part may be filled by a thread of its own.
  void Add(int part, uint32_t row, uint32_t hash, size_t length, const unsigned char* bytes) {
    size_t own = length - zero_tail_;
    uint64_t code = CodeOf(bytes, own);
    Place(part, {row, IsCarried(code) ? HashOfCode(code) : hash, code});
  }
  // Add for a key that is a zero-terminated text followed by the rest of the zero tail: its
  // length and hash are found here, in one look at its bytes where it is short.
  void AddText(int part, uint32_t row, const char* text) {
    auto* bytes = reinterpret_cast<const unsigned char*>(text);
    uint64_t code = CodeOfText(bytes);
    if (IsCarried(code)) {
      Place(part, {row, HashOfCode(code), code});
      return;
    }
    size_t length = std::strlen(text);
    Place(part, {row, RowKeySet::Hash(bytes, length), TextCode(text, length)});
  }

  // Once every key is added: sorts the spills by partition, for ForEachRepeat.
  void FinishAdding();
  size_t partitions() const { return size_t{1} << bits_; }

  // Calls `repeat(row)` for every row whose key an earlier row has, in the partitions from
  // `first` to before `end`, and `between()` after each partition. `equal(row, other_row)`
  // compares the keys of two rows of the same hash and length. Two threads may look through
  // ranges of their own at once.
  template <typename Equal, typename Repeat, typename Between>
  void ForEachRepeat(size_t first, size_t end, Equal&& equal, Repeat&& repeat, Between&& between);

  // The memory that held the keys, for the caller to use once ForEachRepeat is done: a block
  // from AllocateBlock of at least `bytes` bytes (a fresh one when the keys had less room).
  void* TakeStorage(size_t bytes);

 private:
  // A partition's set then takes about 400 KB, within a core's second-level cache, and the walk
  // writes to few enough partitions at once that their pages stay within the address
  // translation cache (with 4096 keys a partition, ten million rows took the walk twice as long).
  static constexpr int64_t kKeysPerPartition = 16384;
  static constexpr int kMostBits = 12;

  // The top two bits of a code tell its kind: a key compared through the caller (its length
  // below), digits, bytes, or a text where it lies (its length from bit 47, its address below).
  static constexpr uint64_t kDigitsKind = uint64_t{1} << 62;
  static constexpr uint64_t kBytesKind = uint64_t{2} << 62;
  static constexpr uint64_t kTextKind = uint64_t{3} << 62;
  static constexpr int kAddressBits = 47;              // of every address a program is given
  static constexpr uint64_t kMostTextLength = 0x7FFF;  // longer texts are measured again
  static constexpr size_t kMostDigits = 18;
  static constexpr size_t kMostBytes = 7;

  struct KeyedRow {
    uint32_t row;
    uint32_t hash;
    uint64_t code;  // the key itself where IsCarried, else TextCode or LongKeyCode
  };
  struct Part {
    std::vector<size_t> fill;  // per partition
    std::vector<KeyedRow> spill;
    std::vector<size_t> spill_starts;  // per partition, once sorted
  };

  // A different code for every key of up to 18 digits and every other key of up to 7 bytes:
  // digits as the number they spell, counted on past all the shorter digit strings (so that
  // leading zeros count), and other bytes with their length.
  static uint64_t CodeOf(const unsigned char* bytes, size_t length) {
    if (length >= 1 && length <= kMostDigits) {
      uint64_t value = 0;
      size_t i = 0;
      for (; i < length && static_cast<unsigned>(bytes[i] - '0') <= 9; ++i) {
        value = value * 10 + static_cast<unsigned>(bytes[i] - '0');
      }
      if (i == length) return kDigitsKind | (kShorterDigitStrings[length] + value);
    }
    if (length <= kMostBytes) {
      uint64_t word = 0;
      std::memcpy(&word, bytes, length);
      return kBytesKind | static_cast<uint64_t>(length) << 56 | word;
    }
    return LongKeyCode(length);
  }
  // CodeOf the text up to its zero byte; LongKeyCode(0) when it is longer than any carried key.
  static uint64_t CodeOfText(const unsigned char* text) {
    uint64_t value = 0;
    uint64_t word = 0;
    size_t i = 0;
    bool digits = true;
    for (; text[i] != 0; ++i) {
      if (i == kMostDigits || (!digits && i >= kMostBytes)) return LongKeyCode(0);
      unsigned digit = static_cast<unsigned>(text[i] - '0');
      digits = digits && digit <= 9;
      value = value * 10 + digit;
      if (i < kMostBytes) word |= static_cast<uint64_t>(text[i]) << (8 * i);
    }
    if (digits && i > 0) return kDigitsKind | (kShorterDigitStrings[i] + value);
    if (i > kMostBytes) return LongKeyCode(0);
    return kBytesKind | static_cast<uint64_t>(i) << 56 | word;
  }
  static uint64_t LongKeyCode(size_t length) { return length < UINT32_MAX ? length : UINT32_MAX; }
  static uint64_t TextCode(const char* text, size_t length) {
    auto address = reinterpret_cast<uintptr_t>(text);
    if (address >> kAddressBits != 0) return LongKeyCode(length);
    uint64_t held = length < kMostTextLength ? length : kMostTextLength;
    return kTextKind | held << kAddressBits | address;
  }
  static uint64_t Kind(uint64_t code) { return code >> 62; }
  static bool IsCarried(uint64_t code) { return Kind(code) == 1 || Kind(code) == 2; }
  // The length of a key that is not carried, as far as the set tells keys apart by it.
  static size_t HeldLength(uint64_t code) {
    uint64_t length = Kind(code) == 3 ? code >> kAddressBits & kMostTextLength : code;
    return static_cast<size_t>(length < kMostTextLength ? length : kMostTextLength);
  }
  static const char* TextOf(uint64_t code) {
    return reinterpret_cast<const char*>(code & ((uint64_t{1} << kAddressBits) - 1));
  }
  static uint32_t HashOfCode(uint64_t code) {
    return static_cast<uint32_t>((code * 0x9E3779B97F4A7C15ull) >> 32);
  }
  // kShorterDigitStrings[n]: how many digit strings are shorter than n digits (1 + 10 + ...).
  static const uint64_t kShorterDigitStrings[kMostDigits + 1];

  void Place(int part, const KeyedRow& keyed) {
    uint32_t partition = PartitionOf(keyed.hash);
    Part& filled = parts_[static_cast<size_t>(part)];
    if (filled.fill[partition] < capacity_) {
      Region(part, partition)[filled.fill[partition]++] = keyed;
    } else {
      filled.spill.push_back(keyed);
    }
  }
  // The partition of a hash: its top bits after a multiplication that spreads every bit of it
  // over them (the hashes of short keys are small numbers).
  uint32_t PartitionOf(uint32_t hash) const {
    return bits_ == 0 ? 0 : (hash * 0x9E3779B1u) >> (32 - bits_);
  }
  KeyedRow* Region(int part, size_t partition) {
    return regions_ + (static_cast<size_t>(part) * partitions() + partition) * capacity_;
  }
  // The runs of keys of `partition` in row order: each part's region, then its spill. Returns
  // their number.
  struct Run {
    const KeyedRow* keys;
    size_t count;
  };
  size_t RunsOf(size_t partition, Run* runs);

  size_t zero_tail_;
  int bits_ = 0;
  size_t capacity_ = 0;  // keys per partition and part
  KeyedRow* regions_ = nullptr;
  std::vector<Part> parts_;
};

// The keys of a partition are looked at where they lie, in their runs; the set remembers each by
// its position among them.
template <typename Equal, typename Repeat, typename Between>
void RepeatedKeys::ForEachRepeat(size_t first, size_t end, Equal&& equal, Repeat&& repeat,
                                 Between&& between) {
  RowKeySet set;
  std::vector<Run> runs(2 * parts_.size());
  for (size_t partition = first; partition < end; ++partition) {
    size_t run_count = RunsOf(partition, runs.data());
    size_t count = 0;
    for (size_t r = 0; r < run_count; ++r) count += runs[r].count;
    auto at = [&](uint32_t position) -> const KeyedRow& {
      size_t r = 0;
      while (position >= runs[r].count) position -= static_cast<uint32_t>(runs[r++].count);
      return runs[r].keys[position];
    };
    // Keys of one hash and held length: carried keys are alike when their codes are, texts
    // where they lie when their bytes are.
    auto same = [&](uint32_t held, uint32_t other) {
      const KeyedRow& a = at(held);
      const KeyedRow& b = at(other);
      if (IsCarried(a.code) || IsCarried(b.code)) return a.code == b.code;
      if (Kind(a.code) == 3 && Kind(b.code) == 3) {
        size_t length = HeldLength(a.code);
        if (length != HeldLength(b.code)) return false;
        return length < kMostTextLength ? std::memcmp(TextOf(a.code), TextOf(b.code), length) == 0
                                        : std::strcmp(TextOf(a.code), TextOf(b.code)) == 0;
      }
      if (Kind(a.code) == 0 && Kind(b.code) == 0 && a.code != b.code) return false;
      return HeldLength(a.code) == HeldLength(b.code) && equal(a.row, b.row);
    };
    set.Init(RowKeySet::CapacityFor(static_cast<int64_t>(count)));
    uint32_t position = 0;
    for (size_t r = 0; r < run_count; ++r) {
      const KeyedRow* keys = runs[r].keys;
      for (size_t i = 0; i < runs[r].count; ++i, ++position) {
        const KeyedRow& keyed = keys[i];
        // The set's length only sorts out keys that cannot be equal: all carried keys take 1.
        size_t length = IsCarried(keyed.code) ? 1 : HeldLength(keyed.code);
        RowKeySet::Key key = set.MakeKey(position, length, keyed.hash);
        if (set.Contains(key, same)) {
          repeat(keyed.row);
        } else {
          set.Add(key);
        }
      }
    }
    between();
  }
}

}  // namespace vx
