#include "runtime/md5.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/hex_digits.h"
#include "tests/runtime/md5_vector_inputs.h"

namespace vx {
namespace {

std::string DigestOf(const std::string& bytes) {
  unsigned char digest[16];
  Md5Digest(bytes.data(), bytes.size(), digest);
  char hex[32];
  SpellHexDigits(digest, 16, hex);
  return std::string(hex, 32);
}

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ(DigestOf(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(DigestOf("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(DigestOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(DigestOf("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(DigestOf("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(DigestOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(DigestOf("1234567890123456789012345678901234567890123456789012345678901234567890"
                     "1234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PaddingAndBlockBoundaries) {
  // Digests made by Python's hashlib.
  EXPECT_EQ(DigestOf(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(DigestOf(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(DigestOf(std::string(63, 'a')), "b06521f39153d618550606be297466d5");
  EXPECT_EQ(DigestOf(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
  EXPECT_EQ(DigestOf(std::string(65, 'a')), "c743a45e0d2e6a95cb859adae0248435");
}

TEST(Md5, GbkBytesAndZeroBytesAreDigestedAsHeld) {
  EXPECT_EQ(DigestOf("\xd6\xd0\xce\xc4\xb2\xe2\xca\xd4"), "35243d1a3329f1f0720d7de9be1ae4da");
  EXPECT_EQ(DigestOf("中文测试"), "35243d1a3329f1f0720d7de9be1ae4da");  // compiled to GBK
  EXPECT_EQ(DigestOf("张三----李四"), "182e631e05737440e5e938195584c1ae");
  EXPECT_EQ(DigestOf(std::string("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
  EXPECT_EQ(DigestOf(std::string(5, '\0')), "ca9c491ac66b2c62500882e93f3719a8");
  EXPECT_EQ(DigestOf("13800138000"), "7945bd83237335e5376ff44d62e4f0ae");
}

TEST(Md5, FedInPiecesGivesTheSameDigest) {
  std::string message(1000, '\0');
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 7 + 3);
  std::string whole = DigestOf(message);
  for (size_t split : {1u, 55u, 63u, 64u, 65u, 128u, 999u}) {
    Md5Context context;
    Md5Start(&context);
    Md5Update(&context, message.data(), split);
    Md5Update(&context, message.data() + split, message.size() - split);
    unsigned char digest[16];
    Md5Finish(&context, digest);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_EQ(hex, whole) << "split at " << split;
  }
}

TEST(Md5, MatchesDigestsMadeByHashlibForGeneratedInputs) {
  std::ifstream vectors(VX_TEST_DATA_DIR "/md5_vectors.txt");
  ASSERT_TRUE(vectors.is_open());
  testing::Md5VectorInputs inputs;
  int checked = 0;
  size_t length;
  std::string expected;
  while (vectors >> length >> expected) {
    std::string input = inputs.Next(checked);
    ASSERT_EQ(input.size(), length) << "vector " << checked;
    EXPECT_EQ(DigestOf(input), expected) << "vector " << checked;
    ++checked;
  }
  EXPECT_EQ(checked, 1200);
}

}  // namespace
}  // namespace vx
