// The key set's hash, home slots and probing, against values worked out by hand from the rule:
// h := h * 31 + byte + 1 from the last byte to the first; home slot |h as signed 32 bits| mod
// size, plus 1; then the next slot, wrapping from the last to the first.
#include "pipeline/row_key_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace vx {
namespace {

using namespace std::string_literals;

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

// Keys by row, as duplicate removal hands them to the set: row i's key is keys[i].
struct Keys {
  std::vector<std::string> keys;
  std::function<bool(uint32_t, uint32_t)> Equal() const {
    return [this](uint32_t a, uint32_t b) { return keys[a] == keys[b]; };
  }
  RowKeySet::Key Of(const RowKeySet& set, uint32_t row) const {
    const std::string& key = keys[row];
    return set.MakeKey(row, key.size(), RowKeySet::Hash(BytesOf(key), key.size()));
  }
  bool Contains(const RowKeySet& set, uint32_t row) const {
    return set.Contains(Of(set, row), Equal());
  }
  int64_t SlotOf(const RowKeySet& set, uint32_t row) const {
    return set.SlotOf(Of(set, row), Equal());
  }
};

TEST(RowKeySet, ProbesFromTheHomeSlotAndWrapsToTheFirst) {
  // With 4 slots: "b", "f", "j" and "n" hash to 99, 103, 107 and 111, all at home in slot 4.
  // The phone number's hash 0xD125C131 is -786054863 as a signed number: home slot 4 too
  // (read unsigned it would be slot 2).
  Keys keys{{"b", "f", "j", "n", "13800138000"s + '\0' + '\0', "a", ""}};
  enum { b, f, j, n, phone, a, empty };
  RowKeySet set;
  set.Init(3);
  ASSERT_EQ(set.size(), 4);
  EXPECT_FALSE(keys.Contains(set, b));
  EXPECT_TRUE(set.Add(keys.Of(set, b)));
  EXPECT_TRUE(set.Add(keys.Of(set, phone)));
  EXPECT_TRUE(set.Add(keys.Of(set, f)));
  EXPECT_EQ(keys.SlotOf(set, b), 4);
  EXPECT_EQ(keys.SlotOf(set, phone), 1);
  EXPECT_EQ(keys.SlotOf(set, f), 2);
  EXPECT_TRUE(keys.Contains(set, f));
  EXPECT_FALSE(keys.Contains(set, j));  // probes 4, 1, 2 and stops at the free slot 3
  EXPECT_FALSE(keys.Contains(set, n));
  EXPECT_FALSE(keys.Contains(set, a));         // 98: home slot 3, free
  EXPECT_FALSE(set.Add(keys.Of(set, empty)));  // an empty key is never stored

  // Equal keys are equal bytes of equal length, whichever rows they belong to; rows of the
  // same hash and length are only compared.
  Keys pairs{{"ab", "ab", "a", "ba"}};
  RowKeySet pair_set;
  pair_set.Init(7);
  EXPECT_TRUE(pair_set.Add(pairs.Of(pair_set, 0)));
  EXPECT_TRUE(pairs.Contains(pair_set, 1));
  EXPECT_FALSE(pairs.Contains(pair_set, 2));
  int comparisons = 0;
  EXPECT_FALSE(pair_set.Contains(pairs.Of(pair_set, 3), [&](uint32_t, uint32_t) {
    ++comparisons;
    return true;
  }));
  EXPECT_EQ(comparisons, 0);  // "ba" hashes otherwise
}

// A set sized for its keys keeps half its slots free, however many keys there are.
TEST(RowKeySet, ASetSizedForItsKeysIsNeverMoreThanHalfFull) {
  Keys keys;
  for (int i = 0; i < 1000; ++i) keys.keys.push_back(std::to_string(1000 + i));
  for (int64_t count : {0, 1, 2, 3, 999, 1000}) {
    RowKeySet set;
    set.Init(RowKeySet::CapacityFor(count));
    EXPECT_GE(set.size(), 2 * count + 1) << count;
    for (int64_t i = 0; i < count; ++i) {
      ASSERT_FALSE(keys.Contains(set, static_cast<uint32_t>(i)));
      ASSERT_TRUE(set.Add(keys.Of(set, static_cast<uint32_t>(i))));
    }
  }
}

// The home slot is |hash| (read as a signed number) modulo the size, whatever the size.
TEST(RowKeySet, HomeSlotsAreTheHashModuloTheSize) {
  std::mt19937 random(3);
  std::string key(64, '\0');
  for (int64_t size : {1, 2, 3, 7, 1000, 65537, 999983, 2000003}) {
    RowKeySet set;
    set.Init(size - 1);
    for (int i = 0; i < 2000; ++i) {
      for (char& byte : key) byte = static_cast<char>(random());
      size_t length = 1 + random() % 63;
      RowKeySet::Key made = set.MakeKey(0, length, RowKeySet::Hash(BytesOf(key), length));
      int64_t signed_hash = static_cast<int32_t>(made.hash);
      ASSERT_EQ(made.home, (signed_hash < 0 ? -signed_hash : signed_hash) % size) << size;
    }
  }
}

}  // namespace
}  // namespace vx
