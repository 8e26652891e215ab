// RowKeySet: the open-addressing hash set with which duplicate removal remembers the texts it
// has kept. The set remembers a key by its position among the caller's keys, with its hash and
// length; the bytes themselves stay where they are, and the set asks the caller to compare the
// keys at two positions only where hash and length agree.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

class RowKeySet {
 public:
  // A key with its hash and home slot, worked out once for both Contains and Add.
  struct Key {
    uint32_t position;  // among the caller's keys
    uint32_t length;    // counts as unequal only: keys of 4 GB and more share the largest value
    uint32_t hash;
    int64_t home;  // from 0
  };

  RowKeySet() = default;
  ~RowKeySet();
  RowKeySet(const RowKeySet&) = delete;
  RowKeySet& operator=(const RowKeySet&) = delete;

  // h := h * 31 + byte + 1 over the bytes from the last to the first, in 32-bit unsigned
  // arithmetic; an empty key hashes to 0.
  static uint32_t Hash(const unsigned char* bytes, size_t length);

  // capacity + 1 slots, all free; the set may be initialised again and again. Running out of
  // memory is a fatal runtime error.
  void Init(int64_t capacity);
  // The capacity for at most `most_keys` keys: twice as many slots, so that the set is never
  // more than half full. Filled to the last free slots, linear probing walks through most of
  // the set for every key.
  static int64_t CapacityFor(int64_t most_keys) { return 2 * most_keys + 1; }

  // The key at `position`, `length` bytes long with hash `hash`. Its home slot is |hash| (the
  // hash read as a signed 32-bit number) modulo the size: the set must be initialised.
  Key MakeKey(uint32_t position, size_t length, uint32_t hash) const;

  // The slot (numbered from 1) that holds a key equal to `key`, or 0: probed from the key's home
  // slot to the first free slot. `equal(position, other_position)` tells whether the keys at two
  // positions, of the same hash and length, are equal.
  template <typename Equal>
  int64_t SlotOf(const Key& key, Equal&& equal) const {
    for (int64_t slot = key.home;; slot = slot + 1 == size_ ? 0 : slot + 1) {
      const Slot& held = slots_[slot];
      if (held.length == 0) return 0;
      if (held.hash == key.hash && held.length == key.length &&
          equal(held.position, key.position)) {
        return slot + 1;
      }
    }
  }
  template <typename Equal>
  bool Contains(const Key& key, Equal&& equal) const {
    return SlotOf(key, equal) != 0;
  }
  // Stores `key` in the first free slot from its home slot on, without looking for an equal
  // one (ask Contains first). False for an empty key, which is never stored. The set must keep
  // a free slot.
  bool Add(const Key& key);

  int64_t size() const { return size_; }

 private:
  struct Slot {
    uint32_t hash;
    uint32_t length;  // 0: the slot is free
    uint32_t position;
  };

  int64_t Remainder(uint64_t value) const;

  Slot* slots_ = nullptr;
  int64_t size_ = 0;
  int64_t allocated_ = 0;    // slots held
  uint64_t reciprocal_ = 0;  // 2^64 / size rounded up, for sizes below 2^32; else 0
};

}  // namespace vx
