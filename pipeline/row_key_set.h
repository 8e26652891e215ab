// RowKeySet: the open-addressing hash set with which duplicate removal remembers the texts it
// has kept. A key is a run of bytes inside one buffer that outlives the set (the items image
// being walked), so the set keeps where a key lies, never a copy of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

class RowKeySet {
 public:
  // A key with its hash and home slot, worked out once for both Contains and Add.
  struct Key {
    const unsigned char* bytes;
    uint32_t length;
    uint32_t hash;
    int64_t home;  // from 0
  };

  // Keys are runs of `buffer`, which must outlive the set.
  explicit RowKeySet(const unsigned char* buffer) : buffer_(buffer) {}
  ~RowKeySet();
  RowKeySet(const RowKeySet&) = delete;
  RowKeySet& operator=(const RowKeySet&) = delete;

  // h := h * 31 + byte + 1 over the bytes from the last to the first, in 32-bit unsigned
  // arithmetic; an empty key hashes to 0.
  static uint32_t Hash(const unsigned char* bytes, size_t length);

  // capacity + 1 slots, all free; the set may be initialised again and again. Running out of
  // memory is a fatal runtime error.
  void Init(int64_t capacity);
  // Keys are runs of `buffer` (which must outlive the set) from now on: for a set just
  // initialised, which holds no keys.
  void UseBuffer(const unsigned char* buffer) { buffer_ = buffer; }
  // The capacity for at most `most_keys` keys: twice as many slots, so that the set is never
  // more than half full. Filled to the last free slots, linear probing walks through most of
  // the set for every key.
  static int64_t CapacityFor(int64_t most_keys) { return 2 * most_keys + 1; }

  // The key of the `length` bytes at `bytes` (inside the buffer). Its home slot is |hash| (the
  // hash read as a signed 32-bit number) modulo the size: the set must be initialised.
  Key MakeKey(const unsigned char* bytes, size_t length) const;
  // MakeKey for a key whose Hash is known.
  Key MakeKey(const unsigned char* bytes, size_t length, uint32_t hash) const;

  // Whether an equal key (same length, same bytes) is in the set: probed from the key's home
  // slot to the first free slot.
  bool Contains(const Key& key) const { return SlotOf(key) != 0; }
  // The slot (numbered from 1) that holds a key equal to `key`, or 0.
  int64_t SlotOf(const Key& key) const;
  // Stores `key` in the first free slot from its home slot on, without looking for an equal
  // one (ask Contains first). False for an empty key, which is never stored. The set must keep
  // a free slot.
  bool Add(const Key& key);

  int64_t size() const { return size_; }

 private:
  struct Slot {
    uint32_t hash;
    uint32_t offset;  // into the buffer
    uint32_t length;  // 0: the slot is free
  };

  int64_t Remainder(uint64_t position) const;

  const unsigned char* buffer_;
  Slot* slots_ = nullptr;
  int64_t size_ = 0;
  int64_t allocated_ = 0;    // slots held
  uint64_t reciprocal_ = 0;  // 2^64 / size rounded up, for sizes below 2^32; else 0
};

}  // namespace vx
