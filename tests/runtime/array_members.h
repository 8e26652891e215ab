// Reading split results in the runtime tests.
#pragma once

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace vx::testing {

// Stands for a null member, so that a non-null empty member ("") would show as a difference.
inline const std::string kNullMember = "<null>";
using Members = std::vector<std::string>;

// The members of a text array, then releases the array.
inline Members TakeTextMembers(ValueArray array) {
  OwnedArray owned(array);
  Members members;
  for (int32_t i = 0; i < ArrayCount(array); ++i) {
    auto* text = static_cast<const char*>(ArrayElements(array)[i]);
    members.push_back(text ? std::string(text) : kNullMember);
  }
  return members;
}

// The members of a byte-data array, with every byte (zero bytes too), then releases the array.
inline Members TakeByteMembers(ValueArray array) {
  OwnedArray owned(array);
  Members members;
  for (int32_t i = 0; i < ArrayCount(array); ++i) {
    auto* data = static_cast<const ByteDataBlock*>(ArrayElements(array)[i]);
    members.push_back(data ? std::string(reinterpret_cast<const char*>(ByteDataBytes(data)),
                                         static_cast<size_t>(ByteDataLength(data)))
                           : kNullMember);
  }
  return members;
}

// Fresh byte data holding `bytes` (null when empty), owned by the holder.
inline OwnedByteData Bytes(const std::string& bytes) {
  return OwnedByteData(MakeByteData(bytes.data(), static_cast<int64_t>(bytes.size())));
}

// The bytes of `data`, or "" for null; then releases it.
inline std::string TakeBytes(ByteData data) {
  OwnedByteData owned(data);
  return data ? std::string(reinterpret_cast<const char*>(ByteDataBytes(data)),
                            static_cast<size_t>(ByteDataLength(data)))
              : std::string();
}

// An array of numbers stored inline; its block is released without looking at the elements.
using OwnedNumberArray = std::unique_ptr<ArrayBlock, BlockDeleter>;
template <typename Number>
OwnedNumberArray MakeNumberArray(std::initializer_list<Number> numbers) {
  auto* array =
      static_cast<ValueArray>(AllocateBlock(sizeof(ArrayBlock) + sizeof(Number) * numbers.size()));
  *array = {1, static_cast<int32_t>(numbers.size())};
  std::memcpy(array + 1, numbers.begin(), sizeof(Number) * numbers.size());
  return OwnedNumberArray(array);
}

}  // namespace vx::testing
