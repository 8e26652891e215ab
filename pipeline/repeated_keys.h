// How duplicate removal finds the rows whose key an earlier row has, for millions of rows.
//
// One set for all keys would be hundreds of megabytes, each lookup a wait for memory. So the keys
// are first sorted by hash into partitions, and each partition gets a set that stays in the
// processor's cache. Equal keys have equal hashes and so meet in one partition, and a partition
// keeps its keys in row order, so the row kept of every key is still its first.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pipeline/row_key_set.h"
#include "runtime/values.h"

namespace vx {

class RepeatedKeys {
 public:
  // Room for about `keys` keys: each partition with some to spare, and what a full partition
  // cannot take waits in a spill, in row order.
  explicit RepeatedKeys(int64_t keys);
  ~RepeatedKeys() { FreeBlock(regions_); }
  RepeatedKeys(const RepeatedKeys&) = delete;
  RepeatedKeys& operator=(const RepeatedKeys&) = delete;

  // The key of row `row` (rows in increasing order): `length` bytes (1 or more) that hash to
  // `hash` (RowKeySet::Hash).
  void Add(uint32_t row, uint32_t hash, size_t length) {
    uint32_t partition = PartitionOf(hash);
    KeyedRow* keyed = fill_[partition] < capacity_
                          ? &regions_[partition * capacity_ + fill_[partition]++]
                          : &spill_.emplace_back();
    *keyed = {row, hash, static_cast<uint32_t>(length < UINT32_MAX ? length : UINT32_MAX)};
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

  struct KeyedRow {
    uint32_t row;
    uint32_t hash;
    uint32_t length;
  };

  // The partition of a hash: its top bits after a multiplication that spreads every bit of it
  // over them (the hashes of short keys are small numbers).
  uint32_t PartitionOf(uint32_t hash) const {
    return bits_ == 0 ? 0 : (hash * 0x9E3779B1u) >> (32 - bits_);
  }
  // The spill's rows in order of partition, and where each partition's begin.
  void SortSpill(std::vector<KeyedRow>* spilled, std::vector<size_t>* starts);

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
    set.Init(RowKeySet::CapacityFor(static_cast<int64_t>(count)));
    for (size_t i = 0; i < count; ++i) {
      RowKeySet::Key key = set.MakeKey(keys[i].row, keys[i].length, keys[i].hash);
      if (set.Contains(key, equal)) {
        repeat(keys[i].row);
      } else {
        set.Add(key);
      }
    }
    between();
  }
}

}  // namespace vx
