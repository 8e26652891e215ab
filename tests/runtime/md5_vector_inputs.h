// The inputs of tests/data/md5_vectors.txt, made by the generator that its script describes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vx::testing {

class Md5VectorInputs {
 public:
  std::string Next(int index) {
    size_t length = index <= 130 ? static_cast<size_t>(index) : (NextValue() >> 33) % 1001;
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(NextValue() >> 56);
    return bytes;
  }

 private:
  uint64_t NextValue() { return state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL; }
  uint64_t state_ = 0x5EED1234ABCD0001ULL;
};

}  // namespace vx::testing
