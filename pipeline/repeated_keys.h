// How duplicate removal finds the rows whose key an earlier row has, for millions of rows.
//
// One set for all keys would be hundreds of megabytes, each lookup a wait for memory. So the keys
// are first sorted by hash into partitions, and each partition gets a set that stays in the
// processor's cache. Equal keys have equal hashes and so meet in one partition, and a partition
// keeps its keys in row order, so the row kept of every key is still its first. Short keys travel
// with their rows, so that telling a repeat from a key of the same hash reads nothing else.
//
// The rows may come in parts, each part's rows after those of the part before, so that two
// threads can sort the keys of two halves of the rows at once; and the partitions can be looked
// through by two threads at once, each taking its own range of them.
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
  // Room for about `keys` keys in each of `parts` parts: each partition with some to spare, and
  // what a full partition cannot take waits in its part's spill, in row order. Every key ends
  // with `zero_tail` zero bytes, which need not travel with it.
  RepeatedKeys(int64_t keys, size_t zero_tail, int parts = 1);
  ~RepeatedKeys() { FreeBlock(regions_); }
  RepeatedKeys(const RepeatedKeys&) = delete;
  RepeatedKeys& operator=(const RepeatedKeys&) = delete;

  // The key of row `row` in part `part` (rows of a part in increasing order): `length` bytes (1
  // or more) that hash to `hash` (RowKeySet::Hash), the bytes at `bytes` and then the zero tail.
  // Each part may be filled by a thread of its own.
  void Add(int part, uint32_t row, uint32_t hash, size_t length, const unsigned char* bytes) {
    uint32_t partition = PartitionOf(hash);
    Part& filled = parts_[part];
    KeyedRow* keyed = filled.fill[partition] < capacity_
                          ? Region(part, partition) + filled.fill[partition]++
                          : &filled.spill.emplace_back();
    keyed->row = row;
    keyed->hash = hash;
    keyed->length = static_cast<uint32_t>(length < UINT32_MAX ? length : UINT32_MAX);
    if (Carried(*keyed)) {  // compared whole: the bytes after the key are zero
      std::memset(keyed->carried, 0, kCarriedKey);
      std::memcpy(keyed->carried, bytes, length - zero_tail_);
    }
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
  static constexpr size_t kCarriedKey = 12;  // an 11-digit phone number with room to spare

  struct KeyedRow {
    uint32_t row;
    uint32_t hash;
    uint32_t length;
    unsigned char carried[kCarriedKey];  // the key, when it is no longer
  };
  struct Part {
    std::vector<size_t> fill;  // per partition
    std::vector<KeyedRow> spill;
    std::vector<size_t> spill_starts;  // per partition, once sorted
  };

  // The partition of a hash: its top bits after a multiplication that spreads every bit of it
  // over them (the hashes of short keys are small numbers).
  uint32_t PartitionOf(uint32_t hash) const {
    return bits_ == 0 ? 0 : (hash * 0x9E3779B1u) >> (32 - bits_);
  }
  KeyedRow* Region(int part, size_t partition) {
    return regions_ + (static_cast<size_t>(part) * partitions() + partition) * capacity_;
  }
  // Whether the key travels with its row: keys of equal lengths travel alike.
  bool Carried(const KeyedRow& keyed) const { return keyed.length - zero_tail_ <= kCarriedKey; }
  // The keys of `partition` in row order: each part's region, then its spill.
  void GatherPartition(size_t partition, std::vector<KeyedRow>* keys);

  size_t zero_tail_;
  int bits_ = 0;
  size_t capacity_ = 0;  // keys per partition and part
  KeyedRow* regions_ = nullptr;
  std::vector<Part> parts_;
};

template <typename Equal, typename Repeat, typename Between>
void RepeatedKeys::ForEachRepeat(size_t first, size_t end, Equal&& equal, Repeat&& repeat,
                                 Between&& between) {
  RowKeySet set;
  std::vector<KeyedRow> gathered;
  for (size_t partition = first; partition < end; ++partition) {
    const KeyedRow* keys;
    size_t count;
    if (parts_.size() == 1 &&
        parts_[0].spill_starts[partition + 1] == parts_[0].spill_starts[partition]) {
      keys = Region(0, partition);  // no copy for the common case
      count = parts_[0].fill[partition];
    } else {
      GatherPartition(partition, &gathered);
      keys = gathered.data();
      count = gathered.size();
    }
    // The set keeps the keys' positions in this partition; keys of one hash and length are alike.
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
