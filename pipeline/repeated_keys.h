// How duplicate removal finds the rows whose key an earlier row has, for millions of rows.
//
// One set for all keys would be hundreds of megabytes, each lookup a wait for memory. So the keys
// are first sorted by hash into partitions, and each partition gets a set that stays in the
// processor's cache. Equal keys have equal hashes and so meet in one partition, and a partition
// keeps its keys in row order, so the row kept of every key is still its first. Short keys travel
// with their rows, so that telling a repeat from a key of the same hash reads nothing else.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pipeline/row_key_set.h"
#include "runtime/values.h"

namespace vx {

class RepeatedKeys {
 public:
  // Room for about `keys` keys: each partition with some to spare, and what a full partition
  // cannot take waits in a spill, in row order. Every key ends with `zero_tail` zero bytes,
  // which need not travel with it.
  RepeatedKeys(int64_t keys, size_t zero_tail);
  ~RepeatedKeys() { FreeBlock(regions_); }
  RepeatedKeys(const RepeatedKeys&) = delete;
  RepeatedKeys& operator=(const RepeatedKeys&) = delete;

  // The key of row `row` (rows in increasing order): `length` bytes (1 or more) that hash to
  // `hash` (RowKeySet::Hash), the bytes at `bytes` and then the zero tail.
  void Add(uint32_t row, uint32_t hash, size_t length, const unsigned char* bytes) {
    uint32_t partition = PartitionOf(hash);
    KeyedRow* keyed = fill_[partition] < capacity_
                          ? &regions_[partition * capacity_ + fill_[partition]++]
                          : &spill_.emplace_back();
    keyed->row = row;
    keyed->hash = hash;
    keyed->length = static_cast<uint32_t>(length < UINT32_MAX ? length : UINT32_MAX);
    std::memset(keyed->carried, 0, kCarriedKey);
    if (Carried(*keyed)) std::memcpy(keyed->carried, bytes, length - zero_tail_);
  }

  // Calls `repeat(row)` for every row whose key an earlier row has, partition by partition, and
  // `between()` after each partition. `equal(row, other_row)` compares the keys of two rows of
  // the same hash and length.
  template <typename Equal, typename Repeat, typename Between>
  void ForEachRepeat(Equal&& equal, Repeat&& repeat, Between&& between);

  // The memory that held the keys, for the caller to use once ForEachRepeat is done: from
  // AllocateBlock, `*bytes` bytes (null when there were no partitions).
  void* TakeStorage(size_t* bytes);

 private:
  // A partition's set then takes about 400 KB, within a core's second-level cache, and the walk
  // writes to few enough partitions at once that their pages stay within the address
  // translation cache (with 4096 keys a partition, ten million rows took the walk twice as long).
  static constexpr int64_t kKeysPerPartition = 16384;
  static constexpr int kMostBits = 12;
  static constexpr size_t kCarriedKey = 12;  // an 11-digit phone number with room to spare

  struct KeyedRow {
    uint32_t row;
    uint32_t hash;
    uint32_t length;
    unsigned char carried[kCarriedKey];  // the key, when it is no longer
  };

  // The partition of a hash: its top bits after a multiplication that spreads every bit of it
  // over them (the hashes of short keys are small numbers).
  uint32_t PartitionOf(uint32_t hash) const {
    return bits_ == 0 ? 0 : (hash * 0x9E3779B1u) >> (32 - bits_);
  }
  // Whether the key travels with its row: keys of equal lengths travel alike.
  bool Carried(const KeyedRow& keyed) const { return keyed.length - zero_tail_ <= kCarriedKey; }
  // The spill's rows in order of partition, and where each partition's begin.
  void SortSpill(std::vector<KeyedRow>* spilled, std::vector<size_t>* starts);

  size_t zero_tail_;
  int bits_ = 0;
  size_t capacity_ = 0;  // keys per partition
  KeyedRow* regions_ = nullptr;
  std::vector<size_t> fill_;
  std::vector<KeyedRow> spill_;
};

template <typename Equal, typename Repeat, typename Between>
void RepeatedKeys::ForEachRepeat(Equal&& equal, Repeat&& repeat, Between&& between) {
  std::vector<KeyedRow> spilled;
  std::vector<size_t> spill_starts;
  SortSpill(&spilled, &spill_starts);
  RowKeySet set;
  std::vector<KeyedRow> joined;
  for (size_t partition = 0; partition < fill_.size(); ++partition) {
    const KeyedRow* keys = regions_ + partition * capacity_;
    size_t count = fill_[partition];
    if (spill_starts[partition + 1] > spill_starts[partition]) {  // the spill follows the rest
      joined.assign(keys, keys + count);
      joined.insert(joined.end(), spilled.begin() + static_cast<ptrdiff_t>(spill_starts[partition]),
                    spilled.begin() + static_cast<ptrdiff_t>(spill_starts[partition + 1]));
      keys = joined.data();
      count = joined.size();
    }
    // The set keeps the keys' places in this partition; keys of one hash and length are alike.
    auto same = [&](uint32_t held, uint32_t other) {
      const KeyedRow& a = keys[held];
      const KeyedRow& b = keys[other];
      if (Carried(a)) return std::memcmp(a.carried, b.carried, kCarriedKey) == 0;
      return equal(a.row, b.row);
    };
    set.Init(RowKeySet::CapacityFor(static_cast<int64_t>(count)));
    for (size_t i = 0; i < count; ++i) {
      RowKeySet::Key key = set.MakeKey(static_cast<uint32_t>(i), keys[i].length, keys[i].hash);
      if (set.Contains(key, same)) {
        repeat(keys[i].row);
      } else {
        set.Add(key);
      }
    }
    between();
  }
}

}  // namespace vx
