// A message to digest: the same array of them can be handed to the MD5 and the SHA-256 lanes.
#pragma once

#include <cstddef>

namespace vx {

struct HashedMessage {
  const unsigned char* bytes;  // may be null when length is 0
  size_t length;
};

}  // namespace vx
