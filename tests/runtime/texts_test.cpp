#include "runtime/texts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "tests/runtime/array_members.h"
#include "tests/runtime/split_model.h"
#include "tests/test_support.h"

namespace vx {
namespace {

using testing::kNullMember;
using testing::Members;
using testing::TakeTextMembers;

const std::string null = kNullMember;

TEST(SplitText, EmptyMembersButNoTrailingOne) {
  EXPECT_EQ(TakeTextMembers(SplitText("a,,b")), (Members{"a", null, "b"}));
  EXPECT_EQ(TakeTextMembers(SplitText(",a")), (Members{null, "a"}));
  EXPECT_EQ(TakeTextMembers(SplitText("a,b,")), (Members{"a", "b"}));
  EXPECT_EQ(TakeTextMembers(SplitText(",")), (Members{null}));
  EXPECT_EQ(TakeTextMembers(SplitText("x,y")), (Members{"x", "y"}));  // "," when omitted
  EXPECT_EQ(TakeTextMembers(SplitText("abc")), (Members{"abc"}));

  ValueArray none = SplitText("");
  ASSERT_NE(none, nullptr);  // an array with 0 members, not the empty value
  EXPECT_EQ(none->dimensions, 1);
  EXPECT_EQ(TakeTextMembers(none), Members{});
  EXPECT_EQ(TakeTextMembers(SplitText(nullptr, ";")), Members{});
}

TEST(SplitText, GivenSeparatorsAndLimits) {
  EXPECT_EQ(TakeTextMembers(SplitText("abc", "")), (Members{"abc"}));
  EXPECT_EQ(TakeTextMembers(SplitText("a,c", nullptr)), (Members{"a,c"}));  // null is ""
  EXPECT_EQ(TakeTextMembers(SplitText("x----y----", "----")), (Members{"x", "y"}));
  EXPECT_EQ(TakeTextMembers(SplitText("----y", "----", 1)), (Members{null}));
  EXPECT_EQ(TakeTextMembers(SplitText("x--y", "----", 1)), (Members{"x--y"}));
  EXPECT_EQ(TakeTextMembers(SplitText("a---b", "--")), (Members{"a", "-b"}));
  EXPECT_EQ(TakeTextMembers(SplitText("ab", "abc")), (Members{"ab"}));

  EXPECT_EQ(TakeTextMembers(SplitText("a,b", ",", 0)), Members{});
  EXPECT_EQ(TakeTextMembers(SplitText("a,b", ",", -1)), Members{});
  EXPECT_EQ(TakeTextMembers(SplitText("a,b,c", ",", 1)), (Members{"a"}));
  EXPECT_EQ(TakeTextMembers(SplitText("a,b,c", std::nullopt, 2)), (Members{"a", "b"}));
  EXPECT_EQ(TakeTextMembers(SplitText("a,b,c", ",", 3)), (Members{"a", "b", "c"}));
  EXPECT_EQ(TakeTextMembers(SplitText("a,b,c", ",", 9)), (Members{"a", "b", "c"}));
  EXPECT_EQ(TakeTextMembers(SplitText("abc", ",", 1)), (Members{"abc"}));
}

TEST(SplitText, NeverMatchesInsideATwoByteCharacter) {
  // "丂" is 81 40 in GBK: its trail byte is "@".
  EXPECT_EQ(TakeTextMembers(SplitText("\x81\x40@x", "@")), (Members{"\x81\x40", "x"}));
  EXPECT_EQ(TakeTextMembers(SplitText("啊\x81\x40@\x81\x40", "@")),
            (Members{"啊\x81\x40", "\x81\x40"}));
  // A run of lead bytes: 81 81 is one character, so the "@" after the next 81 is a trail byte.
  EXPECT_EQ(TakeTextMembers(SplitText("\x81\x81\x81@b@c", "@")), (Members{"\x81\x81\x81@b", "c"}));
  // "中" (D6 D0) across the boundary of two characters is no match; on a boundary it is.
  EXPECT_EQ(TakeTextMembers(SplitText("\xb0\xd6\xd0\xa1", "中")), (Members{"\xb0\xd6\xd0\xa1"}));
  EXPECT_EQ(TakeTextMembers(SplitText("甲中乙中", "中")), (Members{"甲", "乙"}));
  // A lead byte at the very end has no trail byte: it stays in the last member.
  EXPECT_EQ(TakeTextMembers(SplitText("a,\x81", ",")), (Members{"a", "\x81"}));
}

// The scan written out byte by byte as the command describes it, for comparison: empty members
// are null.
Members ReferenceSplit(const std::string& text, const std::string& separator, int limit) {
  Members members;
  if (text.empty() || limit == 0) return members;
  for (const std::string& member :
       testing::WalkSplit(text, separator, limit, testing::SplitUnits::kGbkCharacters)) {
    members.push_back(member.empty() ? kNullMember : member);
  }
  return members;
}

TEST(SplitText, AgreesWithTheByteByByteScanOnMixedTexts) {
  const char alphabet[] = {'a', ',', '@', '-', '\x81', '\xd6', '\xd0', '\x40'};
  const char* separators[] = {",", "@", "--", "\x81@", "\xd6\xd0", "@@", "\xd0"};
  std::mt19937 random(20240305);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int length = random() % 24; length > 0; --length) text += alphabet[random() % 8];
    std::string separator = separators[random() % 7];
    int limit = static_cast<int>(random() % 5) - 1;  // -1: none
    Members expected = ReferenceSplit(text, separator, limit);
    Members actual = limit < 0 ? TakeTextMembers(SplitText(text.c_str(), separator.c_str()))
                               : TakeTextMembers(SplitText(text.c_str(), separator.c_str(), limit));
    ASSERT_EQ(actual, expected) << "text " << testing::HexOf(text) << " separator "
                                << testing::HexOf(separator) << " limit " << limit;
  }
}

}  // namespace
}  // namespace vx
