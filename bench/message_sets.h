// Messages for the digest benchmarks, laid end to end in one buffer of random digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/hashed_message.h"

namespace vx::bench {

struct MessageSet {
  std::string bytes;
  std::vector<HashedMessage> messages;
  size_t total_length = 0;
};

inline MessageSet MakeMessageSet(const std::vector<size_t>& lengths, uint64_t seed) {
  MessageSet set;
  for (size_t length : lengths) set.total_length += length;
  set.bytes.resize(set.total_length);
  for (char& byte : set.bytes) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    byte = static_cast<char>('0' + (seed >> 33) % 10);
  }
  const auto* next = reinterpret_cast<const unsigned char*>(set.bytes.data());
  for (size_t length : lengths) {
    set.messages.push_back({next, length});
    next += length;
  }
  return set;
}

}  // namespace vx::bench
