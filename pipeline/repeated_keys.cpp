#include "pipeline/repeated_keys.h"

#include <cmath>

#include "runtime/heap.h"

namespace vx {

const uint64_t RepeatedKeys::kShorterDigitStrings[kMostDigits + 1] = {
    0,
    1,
    11,
    111,
    1111,
    11111,
    111111,
    1111111,
    11111111,
    111111111,
    1111111111,
    11111111111,
    111111111111,
    1111111111111,
    11111111111111,
    111111111111111,
    1111111111111111,
    11111111111111111,
    111111111111111111,
};

RepeatedKeys::RepeatedKeys(int64_t keys, size_t zero_tail, int parts)
    : zero_tail_(zero_tail), parts_(static_cast<size_t>(parts > 0 ? parts : 1)) {
  while (bits_ < kMostBits && (kKeysPerPartition << bits_) < keys) ++bits_;
  auto expected = static_cast<size_t>(keys > 0 ? keys : 0) / partitions();
  capacity_ = expected + 4 * static_cast<size_t>(std::sqrt(static_cast<double>(expected))) + 32;
  // Not cleared: only the filled part of each partition counts.
  regions_ = static_cast<KeyedRow*>(
      AllocateBlock(parts_.size() * partitions() * capacity_ * sizeof(KeyedRow)));
  for (Part& part : parts_) part.fill.assign(partitions(), 0);
}

void RepeatedKeys::FinishAdding() {
  for (Part& part : parts_) {
    std::vector<size_t>& starts = part.spill_starts;
    starts.assign(partitions() + 1, 0);
    for (const KeyedRow& keyed : part.spill) ++starts[PartitionOf(keyed.hash) + 1];
    for (size_t p = 0; p < partitions(); ++p) starts[p + 1] += starts[p];
    std::vector<KeyedRow> sorted(part.spill.size());
    std::vector<size_t> next(starts.begin(), starts.end() - 1);
    for (const KeyedRow& keyed : part.spill) sorted[next[PartitionOf(keyed.hash)]++] = keyed;
    part.spill = std::move(sorted);
  }
}

size_t RepeatedKeys::RunsOf(size_t partition, Run* runs) {
  size_t count = 0;
  for (size_t p = 0; p < parts_.size(); ++p) {
    const Part& part = parts_[p];
    runs[count++] = {Region(static_cast<int>(p), partition), part.fill[partition]};
    size_t spilled = part.spill_starts[partition + 1] - part.spill_starts[partition];
    if (spilled != 0) runs[count++] = {part.spill.data() + part.spill_starts[partition], spilled};
  }
  return count;
}

void* RepeatedKeys::TakeStorage(size_t bytes) {
  void* storage = regions_;
  regions_ = nullptr;
  if (parts_.size() * partitions() * capacity_ * sizeof(KeyedRow) >= bytes) return storage;
  FreeBlock(storage);
  return AllocateBlock(bytes);
}

}  // namespace vx
