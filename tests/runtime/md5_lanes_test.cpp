#include "runtime/md5_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/hex_digits.h"
#include "runtime/md5.h"
#include "tests/runtime/guarded_page.h"
#include "tests/runtime/md5_vector_inputs.h"

namespace vx {
namespace {

using Digest = std::array<unsigned char, 16>;

// Through Md5Update and Md5Finish: none of the lanes' code.
Digest ReferenceDigest(const Md5Message& message) {
  Md5Context context;
  Md5Start(&context);
  Md5Update(&context, message.bytes, message.length);
  Digest digest;
  Md5Finish(&context, digest.data());
  return digest;
}

std::vector<Md5Message> MessagesOf(const std::vector<std::string>& inputs) {
  std::vector<Md5Message> messages;
  for (const std::string& input : inputs) {
    messages.push_back({reinterpret_cast<const unsigned char*>(input.data()), input.size()});
  }
  return messages;
}

std::vector<Digest> LaneDigests(const std::vector<Md5Message>& messages) {
  std::vector<Digest> digests(messages.size());
  Md5Digests(messages.data(), messages.size(),
             reinterpret_cast<unsigned char(*)[16]>(digests.data()));
  return digests;
}

std::string HexOf(const Digest& digest) {
  char hex[32];
  SpellHexDigits(digest.data(), 16, hex);
  return std::string(hex, 32);
}

// Bytes of every value, 0x80 and zeros among them, different for each seed.
std::string PatternBytes(size_t length, uint32_t seed) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 167 + seed * 29) >> 1);
  return bytes;
}

void ExpectReferenceDigests(const std::vector<Md5Message>& messages) {
  std::vector<Digest> digests = LaneDigests(messages);
  for (size_t i = 0; i < messages.size(); ++i) {
    ASSERT_EQ(HexOf(digests[i]), HexOf(ReferenceDigest(messages[i])))
        << "message " << i << " of " << messages.size() << ", " << messages[i].length << " bytes";
  }
}

void ExpectReferenceDigests(const std::vector<std::string>& inputs) {
  ExpectReferenceDigests(MessagesOf(inputs));
}

// Each test of the suite runs at every level; a level the processor lacks is skipped.
class Md5LanesTest : public ::testing::TestWithParam<Md5Level> {
 protected:
  void SetUp() override {
    CapMd5Level(Md5Level::kAvx512);
    if (static_cast<int>(Md5LevelInUse()) < static_cast<int>(GetParam())) {
      GTEST_SKIP() << "level " << Md5LevelName(GetParam()) << " is not available here (highest "
                   << Md5LevelName(Md5LevelInUse()) << ")";
    }
    CapMd5Level(GetParam());
    ASSERT_EQ(Md5LevelInUse(), GetParam());
  }
  void TearDown() override { CapMd5Level(Md5Level::kAvx512); }
};

TEST_P(Md5LanesTest, KnownAnswers) {
  std::vector<std::string> inputs = {
      "",
      "a",
      "abc",
      "message digest",
      "abcdefghijklmnopqrstuvwxyz",
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
      "12345678901234567890123456789012345678901234567890123456789012345678901234567890"};
  std::vector<std::string> expected = {
      "d41d8cd98f00b204e9800998ecf8427e", "0cc175b9c0f1b6a831c399e269772661",
      "900150983cd24fb0d6963f7d28e17f72", "f96b697d7cb7938d525a2f31aaf161d0",
      "c3fcd3d76192e4007dfb496cca67e13b", "d174ab98d277d9f5a5611c2c9f419d9f",
      "57edf4a22be3c955ac49da2e2107b67a"};
  std::ifstream vectors(VX_TEST_DATA_DIR "/md5_vectors.txt");
  ASSERT_TRUE(vectors.is_open());
  testing::Md5VectorInputs generated;
  size_t length;
  std::string digest;
  for (int index = 0; vectors >> length >> digest; ++index) {
    inputs.push_back(generated.Next(index));
    ASSERT_EQ(inputs.back().size(), length) << "vector " << index;
    expected.push_back(digest);
  }
  ASSERT_EQ(expected.size(), 7u + 1200u);

  std::vector<Digest> digests = LaneDigests(MessagesOf(inputs));
  for (size_t i = 0; i < inputs.size(); ++i) {
    EXPECT_EQ(HexOf(digests[i]), expected[i])
        << "input " << i << ", " << inputs[i].size() << " bytes";
  }
}

TEST_P(Md5LanesTest, EveryLengthUpTo300) {
  // In one call, so that lanes refill while their neighbours are in other blocks; then in
  // reverse order, so that each lane count sees every length.
  std::vector<std::string> inputs;
  for (size_t length = 0; length <= 300; ++length) inputs.push_back(PatternBytes(length, 1));
  ExpectReferenceDigests(inputs);
  std::vector<std::string> reversed(inputs.rbegin(), inputs.rend());
  ExpectReferenceDigests(reversed);
  // Each length as the last lane left once two empty messages finish: the scalar code takes it
  // over at every point of a message and its padding.
  for (const std::string& input : inputs) ExpectReferenceDigests({input, "", ""});
}

TEST_P(Md5LanesTest, LongMessagesAmongShortOnes) {
  std::vector<std::string> inputs = {PatternBytes(1 << 20, 2), "13800138000",
                                     PatternBytes(100 * 1024 + 7, 3)};
  for (uint32_t i = 0; i < 40; ++i) inputs.push_back(PatternBytes(i * 7 % 120, i));
  inputs.push_back(PatternBytes(100 * 1024 + 63, 4));
  ExpectReferenceDigests(inputs);
}

// Seeded, so that a failure repeats: counts around the lane counts, lengths mostly short with a
// few long ones, each message at an odd place in one buffer.
TEST_P(Md5LanesTest, RandomMixesOfLengthsAndCounts) {
  uint64_t state = 0x2545F4914F6CDD1DULL;
  auto next = [&state](uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  for (size_t count : {1u, 2u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 1000u}) {
    std::string buffer = PatternBytes(8192, static_cast<uint32_t>(count));
    std::vector<Md5Message> messages;
    for (size_t i = 0; i < count; ++i) {
      size_t length = next(40) == 0 ? next(3000) : next(101);
      size_t place = next(buffer.size() - length + 1);
      messages.push_back({reinterpret_cast<const unsigned char*>(buffer.data()) + place, length});
    }
    SCOPED_TRACE(::testing::Message() << count << " messages");
    ExpectReferenceDigests(messages);
  }
}

TEST_P(Md5LanesTest, NoMessagesAndAnEmptyOneWithoutBytes) {
  unsigned char digest[1][16];
  std::memset(digest, 0x5a, sizeof digest);
  Md5Message message = {nullptr, 0};
  Md5Digests(&message, 0, digest);
  for (unsigned char byte : digest[0]) ASSERT_EQ(byte, 0x5a);
  Md5Digests(&message, 1, digest);
  Digest written;
  std::memcpy(written.data(), digest[0], 16);
  EXPECT_EQ(HexOf(written), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST_P(Md5LanesTest, ReadsNothingBeyondAMessage) {
  testing::GuardedPage page;
  ASSERT_TRUE(page.ok());
  std::string bytes = PatternBytes(page.size(), 5);
  std::memcpy(page.end() - page.size(), bytes.data(), bytes.size());
  std::vector<Md5Message> messages;
  for (size_t length = 0; length <= 300; ++length)
    messages.push_back({page.end() - length, length});
  ExpectReferenceDigests(messages);
}

INSTANTIATE_TEST_SUITE_P(Levels, Md5LanesTest,
                         ::testing::Values(Md5Level::kScalar, Md5Level::kAvx2, Md5Level::kAvx512),
                         [](const ::testing::TestParamInfo<Md5Level>& info) {
                           return std::string(Md5LevelName(info.param));
                         });

TEST(Md5Lanes, TheCapLowersTheLevelInUse) {
  CapMd5Level(Md5Level::kAvx512);
  Md5Level highest = Md5LevelInUse();
  for (Md5Level cap : {Md5Level::kScalar, Md5Level::kAvx2, Md5Level::kAvx512}) {
    CapMd5Level(cap);
    Md5Level expected = static_cast<int>(cap) < static_cast<int>(highest) ? cap : highest;
    EXPECT_EQ(Md5LevelInUse(), expected) << "cap " << Md5LevelName(cap);
  }
  CapMd5Level(Md5Level::kAvx512);
}

// The variable is read once, at first use: each value is tried by a fresh process, which ends
// with the level it uses as its exit code. Only that process sets the variable.
[[noreturn]] void ExitWithTheLevelFor(const char* value) {
#if defined(_WIN32)
  _putenv_s("VX_MD5_LEVEL", value);
#else
  setenv("VX_MD5_LEVEL", value, 1);
#endif
  std::exit(static_cast<int>(Md5LevelInUse()));
}

// Checked in this process, where the variable is not set.
auto ExitedWithTheLevel(Md5Level cap) {
  return [cap](int status) {
    CapMd5Level(Md5Level::kAvx512);
    int highest = static_cast<int>(Md5LevelInUse());
    return ::testing::ExitedWithCode(std::min(static_cast<int>(cap), highest))(status);
  };
}

using Md5LanesDeathTest = ::testing::Test;

TEST(Md5LanesDeathTest, TheEnvironmentVariableCapsTheLevel) {
  if (std::getenv("VX_MD5_LEVEL") != nullptr) GTEST_SKIP() << "VX_MD5_LEVEL is set for the run";
  EXPECT_EXIT(ExitWithTheLevelFor("scalar"), ExitedWithTheLevel(Md5Level::kScalar), "");
  EXPECT_EXIT(ExitWithTheLevelFor("avx2"), ExitedWithTheLevel(Md5Level::kAvx2), "");
  EXPECT_EXIT(ExitWithTheLevelFor("fastest"), ExitedWithTheLevel(Md5Level::kAvx512), "");
}

// Threads digest while the cap changes under them: every digest stays right.
TEST(Md5Lanes, ThreadsDigestWhileTheCapChanges) {
  std::vector<std::string> inputs;
  for (uint32_t i = 0; i < 500; ++i) inputs.push_back(PatternBytes(i % 90, i));
  std::vector<std::string> expected;
  for (const Md5Message& message : MessagesOf(inputs)) {
    expected.push_back(HexOf(ReferenceDigest(message)));
  }
  std::vector<int> wrong(3, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        std::vector<Digest> digests = LaneDigests(MessagesOf(inputs));
        for (size_t i = 0; i < inputs.size(); ++i) wrong[t] += HexOf(digests[i]) != expected[i];
      }
    });
  }
  for (int round = 0; round < 200; ++round) {
    CapMd5Level(static_cast<Md5Level>(round % 3));
    std::this_thread::yield();
  }
  for (std::thread& thread : threads) thread.join();
  CapMd5Level(Md5Level::kAvx512);
  for (size_t t = 0; t < wrong.size(); ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace vx
