#include "pipeline/repeated_keys.h"

namespace vx {

RepeatedKeys::RepeatedKeys(int64_t keys, size_t zero_tail) : zero_tail_(zero_tail) {
  while (bits_ < kMostBits && (kKeysPerPartition << bits_) < keys) ++bits_;
  size_t partitions = size_t{1} << bits_;
  auto expected = static_cast<size_t>(keys > 0 ? keys : 0) / partitions;
  capacity_ = expected + 4 * static_cast<size_t>(std::sqrt(static_cast<double>(expected))) + 32;
  // Not cleared: only the filled part of each partition counts.
  regions_ = static_cast<KeyedRow*>(AllocateBlock(partitions * capacity_ * sizeof(KeyedRow)));
  fill_.assign(partitions, 0);
}

void RepeatedKeys::SortSpill(std::vector<KeyedRow>* spilled, std::vector<size_t>* starts) {
  size_t partitions = fill_.size();
  starts->assign(partitions + 1, 0);
  for (const KeyedRow& keyed : spill_) ++(*starts)[PartitionOf(keyed.hash) + 1];
  for (size_t p = 0; p < partitions; ++p) (*starts)[p + 1] += (*starts)[p];
  spilled->resize(spill_.size());
  std::vector<size_t> next(starts->begin(), starts->end() - 1);
  for (const KeyedRow& keyed : spill_) (*spilled)[next[PartitionOf(keyed.hash)]++] = keyed;
  spill_ = std::vector<KeyedRow>();
}

void* RepeatedKeys::TakeStorage(size_t* bytes) {
  *bytes = fill_.size() * capacity_ * sizeof(KeyedRow);
  void* storage = regions_;
  regions_ = nullptr;
  return storage;
}

}  // namespace vx
