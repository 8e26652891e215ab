#include "runtime/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/hex_digits.h"
#include "tests/runtime/sha256_vectors.h"

namespace vx {
namespace {

std::string Hex(const unsigned char digest[32]) {
  char hex[64];
  SpellHexDigits(digest, 32, hex);
  return std::string(hex, 64);
}

TEST(Sha256, MatchesDigestsMadeByHashlib) {
  std::vector<testing::Sha256Vector> vectors = testing::ReadSha256Vectors();
  ASSERT_EQ(vectors.size(), testing::kSha256VectorCount);
  for (const testing::Sha256Vector& vector : vectors) {
    unsigned char digest[32];
    Sha256Digest(vector.message.data(), vector.message.size(), digest);
    EXPECT_EQ(Hex(digest), vector.digest) << vector.line;
  }
}

// Pieces that end on each side of the buffer's block boundary and of the padding's limit at 56
// bytes, and pieces larger than a block.
TEST(Sha256, FedInPiecesGivesTheSameDigest) {
  std::vector<testing::Sha256Vector> vectors = testing::ReadSha256Vectors();
  ASSERT_EQ(vectors.size(), testing::kSha256VectorCount);
  for (size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 129u, 4096u}) {
    for (const testing::Sha256Vector& vector : vectors) {
      const std::string& message = vector.message;
      Sha256Context context;
      Sha256Start(&context);
      for (size_t at = 0; at < message.size(); at += piece) {
        Sha256Update(&context, message.data() + at, std::min(piece, message.size() - at));
      }
      unsigned char digest[32];
      Sha256Finish(&context, digest);
      ASSERT_EQ(Hex(digest), vector.digest) << vector.line << " in pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace vx
