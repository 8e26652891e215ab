// An MD5 for the tests, written plainly from RFC 1321 and sharing nothing with runtime/md5.cpp:
// its 64 additive constants are computed from the sine, as the RFC defines them, and the rounds
// are one loop over the step tables.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace vx::testing {

inline std::string ReferenceMd5(const std::string& message) {
  static const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
  uint32_t constant[64];
  for (int i = 0; i < 64; ++i) {
    constant[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
  }

  std::string padded = message;
  padded += '\x80';
  while (padded.size() % 64 != 56) padded += '\0';
  uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
  for (int i = 0; i < 8; ++i) padded += static_cast<char>((bits >> (8 * i)) & 0xFF);

  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  for (size_t block = 0; block < padded.size(); block += 64) {
    uint32_t word[16];
    for (int i = 0; i < 16; ++i) {
      word[i] = 0;
      for (int b = 3; b >= 0; --b) {
        word[i] = (word[i] << 8) | static_cast<unsigned char>(padded[block + 4 * i + b]);
      }
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int step = 0; step < 64; ++step) {
      uint32_t mix;
      int index;
      if (step < 16) {
        mix = (b & c) | (~b & d);
        index = step;
      } else if (step < 32) {
        mix = (d & b) | (~d & c);
        index = (5 * step + 1) % 16;
      } else if (step < 48) {
        mix = b ^ c ^ d;
        index = (3 * step + 5) % 16;
      } else {
        mix = c ^ (b | ~d);
        index = (7 * step) % 16;
      }
      uint32_t sum = a + mix + constant[step] + word[index];
      a = d;
      d = c;
      c = b;
      b = b + ((sum << kShift[step]) | (sum >> (32 - kShift[step])));
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
  }

  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (uint32_t word : state) {
    for (int i = 0; i < 4; ++i) {
      auto byte = static_cast<unsigned char>(word >> (8 * i));
      hex += kHex[byte >> 4];
      hex += kHex[byte & 15];
    }
  }
  return hex;
}

}  // namespace vx::testing
