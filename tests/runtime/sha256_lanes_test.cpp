#include "runtime/sha256_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "runtime/hex_digits.h"
#include "runtime/sha256.h"
#include "tests/runtime/guarded_page.h"
#include "tests/runtime/sha256_vectors.h"

namespace vx {
namespace {

using Digest = std::array<unsigned char, 32>;

std::string HexOf(const unsigned char* digest) {
  char hex[64];
  SpellHexDigits(digest, 32, hex);
  return std::string(hex, 64);
}

HashedMessage MessageOf(const std::string& bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

std::vector<std::string> LaneDigests(const std::vector<HashedMessage>& messages) {
  std::vector<Digest> digests(messages.size());
  Sha256Digests(messages.data(), messages.size(),
                reinterpret_cast<unsigned char(*)[32]>(digests.data()));
  std::vector<std::string> hex;
  for (const Digest& digest : digests) hex.push_back(HexOf(digest.data()));
  return hex;
}

// Through the scalar code, which sha256_test checks against hashlib's digests.
void ExpectScalarDigests(const std::vector<HashedMessage>& messages) {
  std::vector<std::string> digests = LaneDigests(messages);
  for (size_t i = 0; i < messages.size(); ++i) {
    unsigned char expected[32];
    Sha256Digest(messages[i].bytes, messages[i].length, expected);
    ASSERT_EQ(digests[i], HexOf(expected))
        << "message " << i << " of " << messages.size() << ", " << messages[i].length << " bytes";
  }
}

// Bytes of every value, 0x80 and zeros among them, different for each seed.
std::string PatternBytes(size_t length, uint32_t seed) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 167 + seed * 29) >> 1);
  return bytes;
}

constexpr Sha256Level kMostPreferred = Sha256Level::kAvx512;

// Each test of the suite runs at every level; a level that the processor or system lacks is
// skipped.
class Sha256LanesTest : public ::testing::TestWithParam<Sha256Level> {
 protected:
  void SetUp() override {
    CapSha256Level(GetParam());
    if (Sha256LevelInUse() != GetParam()) {
      Sha256Level instead = Sha256LevelInUse();
      CapSha256Level(kMostPreferred);
      GTEST_SKIP() << "level " << Sha256LevelName(GetParam())
                   << " is not available here (capped there, " << Sha256LevelName(instead)
                   << " is used)";
    }
  }
  void TearDown() override { CapSha256Level(kMostPreferred); }
};

// In one call, so that lanes refill while their neighbours are in other blocks and the long
// messages run beside short ones; then in reverse order, so that each lane count sees every
// length.
TEST_P(Sha256LanesTest, MatchesDigestsMadeByHashlib) {
  std::vector<testing::Sha256Vector> vectors = testing::ReadSha256Vectors();
  ASSERT_EQ(vectors.size(), testing::kSha256VectorCount);
  for (bool reversed : {false, true}) {
    std::vector<HashedMessage> messages;
    for (const testing::Sha256Vector& vector : vectors)
      messages.push_back(MessageOf(vector.message));
    if (reversed) std::reverse(messages.begin(), messages.end());
    std::vector<std::string> digests = LaneDigests(messages);
    for (size_t i = 0; i < vectors.size(); ++i) {
      const testing::Sha256Vector& vector = vectors[reversed ? vectors.size() - 1 - i : i];
      EXPECT_EQ(digests[i], vector.digest) << vector.line << (reversed ? ", reversed" : "");
    }
  }
}

// Each message as the last lane left once two empty messages finish: the scalar code takes it
// over at every point of a message and its padding.
TEST_P(Sha256LanesTest, EachMessageFinishedAfterTheOthers) {
  std::vector<testing::Sha256Vector> vectors = testing::ReadSha256Vectors();
  ASSERT_EQ(vectors.size(), testing::kSha256VectorCount);
  for (const testing::Sha256Vector& vector : vectors) {
    std::vector<HashedMessage> messages = {MessageOf(vector.message), {nullptr, 0}, {nullptr, 0}};
    EXPECT_EQ(LaneDigests(messages)[0], vector.digest) << vector.line;
  }
}

// Seeded, so that a failure repeats: counts around the lane counts, lengths mostly short with a
// few long ones, each message at an odd place in one buffer.
TEST_P(Sha256LanesTest, RandomMixesOfLengthsAndCounts) {
  uint64_t state = 0x2545F4914F6CDD1DULL;
  auto next = [&state](uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  for (size_t count : {1u, 2u, 3u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 1000u}) {
    std::string buffer = PatternBytes(8192, static_cast<uint32_t>(count));
    std::vector<HashedMessage> messages;
    for (size_t i = 0; i < count; ++i) {
      size_t length = next(40) == 0 ? next(3000) : next(101);
      size_t place = next(buffer.size() - length + 1);
      messages.push_back({reinterpret_cast<const unsigned char*>(buffer.data()) + place, length});
    }
    SCOPED_TRACE(::testing::Message() << count << " messages");
    ExpectScalarDigests(messages);
  }
}

TEST_P(Sha256LanesTest, NoMessagesAndAnEmptyOneWithoutBytes) {
  unsigned char digest[1][32];
  std::memset(digest, 0x5a, sizeof digest);
  HashedMessage message = {nullptr, 0};
  Sha256Digests(&message, 0, digest);
  for (unsigned char byte : digest[0]) ASSERT_EQ(byte, 0x5a);
  Sha256Digests(&message, 1, digest);
  EXPECT_EQ(HexOf(digest[0]), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST_P(Sha256LanesTest, ReadsNothingBeyondAMessage) {
  testing::GuardedPage page;
  ASSERT_TRUE(page.ok());
  std::string bytes = PatternBytes(page.size(), 5);
  std::memcpy(page.end() - page.size(), bytes.data(), bytes.size());
  std::vector<HashedMessage> messages;
  for (size_t length = 0; length <= 300; ++length)
    messages.push_back({page.end() - length, length});
  ExpectScalarDigests(messages);
}

INSTANTIATE_TEST_SUITE_P(Levels, Sha256LanesTest,
                         ::testing::Values(Sha256Level::kScalar, Sha256Level::kAvx2,
                                           Sha256Level::kShaNi, Sha256Level::kAvx512),
                         [](const ::testing::TestParamInfo<Sha256Level>& info) {
                           return std::string(Sha256LevelName(info.param));
                         });

// The variable is read once, at first use: each value is tried by a fresh process, which ends
// with the level it uses as its exit code. Only that process sets the variable.
[[noreturn]] void ExitWithTheLevelFor(const char* value) {
#if defined(_WIN32)
  _putenv_s("VX_SHA256_LEVEL", value);
#else
  setenv("VX_SHA256_LEVEL", value, 1);
#endif
  std::exit(static_cast<int>(Sha256LevelInUse()));
}

// The level that capping gives in this process, where the variable is not set.
auto ExitedWithTheLevelCappedAt(Sha256Level cap) {
  return [cap](int status) {
    CapSha256Level(cap);
    int level = static_cast<int>(Sha256LevelInUse());
    CapSha256Level(kMostPreferred);
    return ::testing::ExitedWithCode(level)(status);
  };
}

TEST(Sha256LanesDeathTest, TheEnvironmentVariableCapsTheLevel) {
  if (std::getenv("VX_SHA256_LEVEL") != nullptr) {
    GTEST_SKIP() << "VX_SHA256_LEVEL is set for the run";
  }
  for (Sha256Level level : {Sha256Level::kScalar, Sha256Level::kAvx2, Sha256Level::kShaNi}) {
    EXPECT_EXIT(ExitWithTheLevelFor(Sha256LevelName(level)), ExitedWithTheLevelCappedAt(level), "")
        << Sha256LevelName(level);
  }
  EXPECT_EXIT(ExitWithTheLevelFor("fastest"), ExitedWithTheLevelCappedAt(kMostPreferred), "");
}

// Threads digest while the cap changes under them: every digest stays right.
TEST(Sha256Lanes, ThreadsDigestWhileTheCapChanges) {
  std::vector<std::string> inputs;
  for (uint32_t i = 0; i < 500; ++i) inputs.push_back(PatternBytes(i % 90, i));
  std::vector<HashedMessage> messages;
  for (const std::string& input : inputs) messages.push_back(MessageOf(input));
  CapSha256Level(Sha256Level::kScalar);
  std::vector<std::string> expected = LaneDigests(messages);
  std::vector<int> wrong(3, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        std::vector<std::string> digests = LaneDigests(messages);
        for (size_t i = 0; i < inputs.size(); ++i) wrong[t] += digests[i] != expected[i];
      }
    });
  }
  for (int round = 0; round < 200; ++round) {
    CapSha256Level(static_cast<Sha256Level>(round % 4));
    std::this_thread::yield();
  }
  for (std::thread& thread : threads) thread.join();
  CapSha256Level(kMostPreferred);
  for (size_t t = 0; t < wrong.size(); ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace vx
