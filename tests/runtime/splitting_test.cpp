#include "runtime/splitting.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace vx
