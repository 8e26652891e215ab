#include "runtime/splitting.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/runtime/array_members.h"

namespace vx {
namespace {

const unsigned char* Find(const std::string& text, const std::string& pattern) {
  auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  return FindBytes(begin, begin + text.size(),
                   reinterpret_cast<const unsigned char*>(pattern.data()), pattern.size());
}

TEST(FindBytes, MatchesOnlyWhollyInsideTheRange) {
  std::string text = "ab\r\r\nc\r";
  EXPECT_EQ(Find(text, "\r\n"), reinterpret_cast<const unsigned char*>(text.data()) + 3);
  EXPECT_EQ(Find(text, "c\r"), reinterpret_cast<const unsigned char*>(text.data()) + 5);
  EXPECT_EQ(Find(text, "\r\r\r"), nullptr);
  EXPECT_EQ(Find(text, "c\r\n"), nullptr);  // would run past the end
  EXPECT_EQ(Find("", "a"), nullptr);
  EXPECT_EQ(Find(text, text + "x"), nullptr);
}

TEST(SplitContent, ManyMembersInOrder) {
  std::string content;
  for (int i = 0; i < 100000; ++i) content += std::to_string(i) + ";";
  OwnedArray members(SplitContent(
      reinterpret_cast<const unsigned char*>(content.data()), static_cast<int32_t>(content.size()),
      reinterpret_cast<const unsigned char*>(";"), 1, std::nullopt,
      [](const void* bytes, int64_t count) -> void* { return CopyTextBytes(bytes, count); }));
  ASSERT_EQ(ArrayCount(members.get()), 100000);
  EXPECT_EQ(members->dimensions, 1);
  for (int i = 0; i < 100000; i += 999) {
    ASSERT_STREQ(static_cast<char*>(ArrayElements(members.get())[i]), std::to_string(i).c_str());
  }
}

}  // namespace
}  // namespace vx
