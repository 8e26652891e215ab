// The key set's hash, home slots and probing, against values worked out by hand from the rule:
// h := h * 31 + byte + 1 from the last byte to the first; home slot |h as signed 32 bits| mod
// size, plus 1; then the next slot, wrapping from the last to the first.
#include "pipeline/row_key_set.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vx {
namespace {

const unsigned char* BytesOf(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

TEST(RowKeySet, HashesFromTheLastByteToTheFirst) {
  std::string keys = "ab\xFF\xFF\xFF\xFF\xFF\xFF\xFF";
  EXPECT_EQ(RowKeySet::Hash(BytesOf(keys), 0), 0u);
  EXPECT_EQ(RowKeySet::Hash(BytesOf(keys), 1), 98u);              // 'a' + 1
  EXPECT_EQ(RowKeySet::Hash(BytesOf(keys), 2), 3167u);            // ('b' + 1) * 31 + 98
  EXPECT_EQ(RowKeySet::Hash(BytesOf(keys) + 2, 7), 0xA9A3A100u);  // wraps around
}

TEST(RowKeySet, ProbesFromTheHomeSlotAndWrapsToTheFirst) {
  // With 4 slots: "b", "f", "j" and "n" hash to 99, 103, 107 and 111, all at home in slot 4.
  // The phone number's hash 0xD125C131 is -786054863 as a signed number: home slot 4 too
  // (read unsigned it would be slot 2).
  std::string buffer = std::string("bfjn") + "13800138000" + '\0' + '\0' + "a";
  const unsigned char* bytes = BytesOf(buffer);
  RowKeySet set(bytes);
  set.Init(3);
  ASSERT_EQ(set.size(), 4);
  RowKeySet::Key b = set.MakeKey(bytes, 1), f = set.MakeKey(bytes + 1, 1),
                 j = set.MakeKey(bytes + 2, 1), n = set.MakeKey(bytes + 3, 1),
                 phone = set.MakeKey(bytes + 4, 13), a = set.MakeKey(bytes + 17, 1);
  EXPECT_FALSE(set.Contains(b));
  EXPECT_TRUE(set.Add(b));
  EXPECT_TRUE(set.Add(phone));
  EXPECT_TRUE(set.Add(f));
  EXPECT_EQ(set.SlotOf(b), 4);
  EXPECT_EQ(set.SlotOf(phone), 1);
  EXPECT_EQ(set.SlotOf(f), 2);
  EXPECT_TRUE(set.Contains(f));
  EXPECT_FALSE(set.Contains(j));  // probes 4, 1, 2 and stops at the free slot 3
  EXPECT_FALSE(set.Contains(n));
  EXPECT_FALSE(set.Contains(a));                 // 98: home slot 3, free
  EXPECT_FALSE(set.Add(set.MakeKey(bytes, 0)));  // an empty key is never stored

  // Equal keys are equal bytes of equal length, wherever they lie in the buffer.
  std::string repeated = "abab";
  RowKeySet pairs(BytesOf(repeated));
  pairs.Init(7);
  EXPECT_TRUE(pairs.Add(pairs.MakeKey(BytesOf(repeated), 2)));
  EXPECT_TRUE(pairs.Contains(pairs.MakeKey(BytesOf(repeated) + 2, 2)));
  EXPECT_FALSE(pairs.Contains(pairs.MakeKey(BytesOf(repeated) + 2, 1)));
}

// A set sized for its keys keeps half its slots free, however many keys there are.
TEST(RowKeySet, ASetSizedForItsKeysIsNeverMoreThanHalfFull) {
  std::string keys;
  for (int i = 0; i < 1000; ++i) keys += std::to_string(1000 + i);  // 4 bytes each
  for (int64_t count : {0, 1, 2, 3, 999, 1000}) {
    RowKeySet set(BytesOf(keys));
    set.Init(RowKeySet::CapacityFor(count));
    EXPECT_GE(set.size(), 2 * count + 1) << count;
    for (int64_t i = 0; i < count; ++i) {
      RowKeySet::Key key = set.MakeKey(BytesOf(keys) + 4 * i, 4);
      ASSERT_FALSE(set.Contains(key));
      ASSERT_TRUE(set.Add(key));
    }
  }
}

// The home slot is |hash| (read as a signed number) modulo the size, whatever the size.
TEST(RowKeySet, HomeSlotsAreTheHashModuloTheSize) {
  std::mt19937 random(3);
  std::string keys(64, '\0');
  for (int64_t size : {1, 2, 3, 7, 1000, 65537, 999983, 2000003}) {
    RowKeySet set(BytesOf(keys));
    set.Init(size - 1);
    for (int i = 0; i < 2000; ++i) {
      for (char& byte : keys) byte = static_cast<char>(random());
      RowKeySet::Key key = set.MakeKey(BytesOf(keys), 1 + random() % 63);
      int64_t signed_hash = static_cast<int32_t>(key.hash);
      ASSERT_EQ(key.home, (signed_hash < 0 ? -signed_hash : signed_hash) % size) << size;
    }
  }
}

}  // namespace
}  // namespace vx
