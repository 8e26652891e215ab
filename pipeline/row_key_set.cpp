#include "pipeline/row_key_set.h"

#include <cstring>

#include "runtime/values.h"

namespace vx {

RowKeySet::~RowKeySet() {
  FreeBlock(slots_);
}

// Four steps of h := h * 31 + byte + 1 at once: h * 31^4 plus the four bytes times their powers
// of 31, whose products do not wait for each other (the same sum modulo 2^32).
uint32_t RowKeySet::Hash(const unsigned char* bytes, size_t length) {
  constexpr uint32_t k31 = 31, k31_2 = 31 * 31, k31_3 = 31 * 31 * 31, k31_4 = 31 * 31 * 31 * 31;
  constexpr uint32_t kOnes = 1 + k31 + k31_2 + k31_3;  // the four "+ 1"s
  uint32_t hash = 0;
  size_t i = length;
  for (; i >= 4; i -= 4) {
    const unsigned char* four = bytes + i - 4;
    hash = hash * k31_4 + four[0] + four[1] * k31 + four[2] * k31_2 + four[3] * k31_3 + kOnes;
  }
  for (; i > 0; --i) hash = hash * 31 + bytes[i - 1] + 1;
  return hash;
}

// The slots are cleared in order, which also brings their pages in: the set then reads them in
// random order, where bringing in a fresh page at each first touch would cost several times
// more. Slots already held are used again when they are enough.
void RowKeySet::Init(int64_t capacity) {
  size_ = capacity + 1 > 1 ? capacity + 1 : 1;
  size_t bytes = static_cast<size_t>(size_) * sizeof(Slot);
  if (size_ > allocated_) {
    FreeBlock(slots_);
    slots_ = static_cast<Slot*>(AllocateBlock(bytes));
    allocated_ = size_;
  }
  std::memset(slots_, 0, bytes);
  reciprocal_ = size_ < (int64_t{1} << 32) ? ~uint64_t{0} / static_cast<uint64_t>(size_) + 1 : 0;
}

// value mod size: a division costs tens of cycles, a multiplication by the precomputed
// reciprocal a few, exact for 32-bit values and sizes (Lemire, Kaser and Kurz, "Faster
// remainder by direct computation", 2019). A home value is at most 2^31.
int64_t RowKeySet::Remainder(uint64_t value) const {
#if defined(__SIZEOF_INT128__)
  if (reciprocal_ != 0) {
    uint64_t low = reciprocal_ * value;
    return static_cast<int64_t>(
        (static_cast<unsigned __int128>(low) * static_cast<uint64_t>(size_)) >> 64);
  }
#endif
  return static_cast<int64_t>(value % static_cast<uint64_t>(size_));
}

RowKeySet::Key RowKeySet::MakeKey(uint32_t position, size_t length, uint32_t hash) const {
  int64_t signed_hash = static_cast<int32_t>(hash);
  int64_t home = signed_hash < 0 ? -signed_hash : signed_hash;
  auto held_length = static_cast<uint32_t>(length < UINT32_MAX ? length : UINT32_MAX);
  return {position, held_length, hash, Remainder(static_cast<uint64_t>(home))};
}

bool RowKeySet::Add(const Key& key) {
  if (key.length == 0) return false;
  int64_t slot = key.home;
  while (slots_[slot].length != 0) slot = slot + 1 == size_ ? 0 : slot + 1;
  slots_[slot] = {key.hash, key.length, key.position};
  return true;
}

}  // namespace vx
