// The messages and digests of tests/data/sha256_vectors.txt (its script describes the lines).
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vx::testing {

struct Sha256Vector {
  std::string line;  // the file's line without the digest, to name the vector in failures
  std::string message;
  std::string digest;  // 64 lowercase hexadecimal digits
};

// How many lines the file has: a vector lost to a misread line fails the tests, not silently.
constexpr size_t kSha256VectorCount = 356;

// Every vector of the file, in its order; empty when the file is missing or a line is not
// understood.
inline std::vector<Sha256Vector> ReadSha256Vectors() {
  auto bytes_of_hex = [](const std::string& hex, std::string* bytes) {
    if (hex == "-") return true;
    if (hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
      bytes->push_back(static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return true;
  };
  uint64_t state = 0x5EED5A256ABC0002ULL;
  std::vector<Sha256Vector> vectors;
  std::ifstream file(VX_TEST_DATA_DIR "/sha256_vectors.txt");
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    std::string kind, argument;
    fields >> kind >> argument;
    Sha256Vector vector;
    bool understood = false;
    if (kind == "bytes") {
      understood = bytes_of_hex(argument, &vector.message);
    } else if (kind == "repeated") {
      size_t count = 0;
      std::string byte;
      understood = bytes_of_hex(argument, &byte) && byte.size() == 1 && fields >> count;
      if (understood) vector.message.assign(count, byte[0]);
    } else if (kind == "generated") {
      vector.message.resize(std::stoul(argument));
      for (char& byte : vector.message) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        byte = static_cast<char>(state >> 56);
      }
      understood = true;
    }
    if (!understood || !(fields >> vector.digest) || vector.digest.size() != 64) return {};
    vector.line = line.substr(0, line.size() - 65);
    vectors.push_back(std::move(vector));
  }
  return vectors;
}

}  // namespace vx::testing
