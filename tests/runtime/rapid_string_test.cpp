#include "runtime/rapid_string.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/conversions.h"
#include "tests/runtime/array_members.h"
#include "tests/test_support.h"

namespace vx {
namespace {

using testing::kNullMember;
using testing::Members;
using testing::TakeTextMembers;

const std::string null = kNullMember;

TEST(RapidStringSetText, ConvertsEachValueAndReplacesTheContent) {
  RapidString text;
  EXPECT_STREQ(text.text(), "");
  EXPECT_TRUE(text.SetText({true}));
  EXPECT_STREQ(text.text(), "真");
  EXPECT_TRUE(text.SetText({0.5}));
  EXPECT_STREQ(text.text(), "0.5");
  EXPECT_TRUE(text.SetText({DateTime{46363}}));
  EXPECT_STREQ(text.text(), "2026年12月7日");

  RapidString other;
  other.SetText({"<s>"});
  auto data = testing::Bytes("dd");
  EXPECT_TRUE(text.SetText({"行", int32_t{-42}, uint8_t{200}, int16_t{7}, int64_t{-5}, 1e13, 1.5f,
                            false, data.get(), other, ""}));
  EXPECT_EQ(std::string(text.text(), static_cast<size_t>(text.length())),
            "行-42200"
            "7-51e+0131.5假dd<s>");
  EXPECT_EQ(text.length(), 27);
  // Buffers are no kind that ToText turns into text.
  EXPECT_EQ(OwnedText(ToText(text)), nullptr);
}

TEST(RapidStringSetText, ArraysElementByElement) {
  RapidString text;
  OwnedArray texts(AllocateArray(3));
  ArrayElements(texts.get())[0] = CopyText("a");
  ArrayElements(texts.get())[2] = CopyText("c");  // the empty member adds nothing
  EXPECT_TRUE(text.SetText({Value::Array(texts.get(), ValueKind::kText)}));
  EXPECT_STREQ(text.text(), "ac");

  auto numbers = testing::MakeNumberArray<double>({1.25, -3});
  EXPECT_TRUE(text.SetText({Value::Array(numbers.get(), ValueKind::kDouble)}));
  EXPECT_STREQ(text.text(), "1.25-3");
}

TEST(RapidStringSplit, CutsAtEachSeparatorWithoutATrailingEmptyText) {
  RapidString text;
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{null}));  // never filled
  text.SetText({"a\r\n\r\nb\r\n"});
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{"a", null, "b"}));
  text.SetText({"a\r\nb"});
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{"a", "b"}));
  text.SetText({"\r\n"});
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{null}));
  text.SetText({"a\nb\r"});
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{"a\nb\r"}));
  text.SetText({"x,y"});
  EXPECT_EQ(TakeTextMembers(text.Split()), (Members{"x", "y"}));
  text.Clear();
  EXPECT_EQ(TakeTextMembers(text.Split()), (Members{null}));
}

TEST(RapidStringSplit, MaximumCountAndEmptySeparator) {
  RapidString text;
  text.SetText({"a,b,c"});
  EXPECT_EQ(TakeTextMembers(text.Split(",", 2)), (Members{"a", "b"}));
  EXPECT_EQ(TakeTextMembers(text.Split(",", 1)), (Members{"a"}));
  EXPECT_EQ(TakeTextMembers(text.Split(",", 0)), Members{});
  EXPECT_EQ(TakeTextMembers(text.Split(",", -1)), (Members{"a", "b", "c"}));
  EXPECT_EQ(TakeTextMembers(text.Split(",", 3)), (Members{"a", "b", "c"}));
  EXPECT_EQ(TakeTextMembers(text.Split("")), (Members{"a,b,c"}));
  // A byte-exact search: the trail byte of "丂" (81 40) is an "@".
  text.SetText({"\x81@x"});
  EXPECT_EQ(TakeTextMembers(text.Split("@")), (Members{"\x81", "x"}));
}

class RapidStringLoad : public ::testing::Test {
 protected:
  std::string Path(const char* name) { return directory_ + "/" + name; }
  std::string directory_ = testing::TemporaryDirectory();
};

TEST_F(RapidStringLoad, ReadsTheBytesUnchanged) {
  std::string bytes(
      "\xef\xbb\xbf"
      "a\r\n中\0z\r\n",
      12);
  testing::WriteWholeFile(Path("lines.txt"), bytes);
  RapidString text;
  text.SetText({"old"});
  ASSERT_TRUE(text.LoadFromFile(Path("lines.txt").c_str()));
  EXPECT_EQ(std::string(text.text(), static_cast<size_t>(text.length())), bytes);
  EXPECT_EQ(text.record()->capacity, 10240);
  // The zero byte ends the second line's text.
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{"\xef\xbb\xbf"
                                                          "a",
                                                          "中"}));
}

TEST_F(RapidStringLoad, FailuresKeepTheOldContent) {
  RapidString text;
  text.SetText({"old"});
  EXPECT_FALSE(text.LoadFromFile(""));
  EXPECT_FALSE(text.LoadFromFile(Path("missing.txt").c_str()));
  EXPECT_FALSE(text.LoadFromFile(directory_.c_str()));
  testing::WriteWholeFile(Path("large.txt"), std::string(20000, 'x'));
  text.record()->max_capacity = 20000;  // the file needs 20001 bytes
  EXPECT_FALSE(text.LoadFromFile(Path("large.txt").c_str()));
  EXPECT_STREQ(text.text(), "old");
  EXPECT_EQ(text.record()->capacity, 10240);
}

TEST_F(RapidStringLoad, EmptyFileGivesAnEmptyText) {
  testing::WriteWholeFile(Path("empty.txt"), "");
  RapidString text;
  text.SetText({"old"});
  ASSERT_TRUE(text.LoadFromFile(Path("empty.txt").c_str()));
  EXPECT_EQ(text.length(), 0);
  EXPECT_STREQ(text.text(), "");
  EXPECT_EQ(TakeTextMembers(text.Split("\r\n")), (Members{null}));
}

TEST_F(RapidStringLoad, SmallFileIntoALargeBufferKeepsItsCapacity) {
  testing::WriteWholeFile(Path("small.txt"), "small");
  RapidString text;
  text.SetText({std::string(50000, 'x').c_str()});
  ASSERT_TRUE(text.LoadFromFile(Path("small.txt").c_str()));
  EXPECT_STREQ(text.text(), "small");
  EXPECT_EQ(text.record()->capacity, 50001 + 10240);
}

TEST_F(RapidStringLoad, HundredMegabyteFileOfLines) {
  const int32_t kLines = 5000000;  // 20 bytes each
  std::string path = Path("100mb.txt");
  {
    std::string contents;
    contents.reserve(static_cast<size_t>(kLines) * 20);
    char line[32];
    for (int32_t i = 0; i < kLines; ++i) {
      std::snprintf(line, sizeof line, "%018d\r\n", i);
      contents += line;
    }
    testing::WriteWholeFile(path, contents);
  }
  RapidString text;
  ASSERT_TRUE(text.LoadFromFile(path.c_str()));
  std::remove(path.c_str());
  ASSERT_EQ(text.length(), kLines * 20);
  EXPECT_EQ(text.record()->capacity, kLines * 20 + 1 + 10240);
  EXPECT_EQ(text.text()[text.length()], '\0');

  OwnedArray lines(text.Split("\r\n"));
  ASSERT_EQ(ArrayCount(lines.get()), kLines);
  EXPECT_STREQ(static_cast<char*>(ArrayElements(lines.get())[0]), "000000000000000000");
  EXPECT_STREQ(static_cast<char*>(ArrayElements(lines.get())[kLines - 1]), "000000000004999999");
  EXPECT_STREQ(static_cast<char*>(ArrayElements(lines.get())[1234567]), "000000000001234567");
}

TEST_F(RapidStringLoad, GbkFileNames) {
  std::string path = Path("文本文件.txt");
  testing::WriteWholeFile(path, "甲\r\n乙");
  RapidString text;
  ASSERT_TRUE(text.LoadFromFile(path.c_str()));
  EXPECT_STREQ(text.text(), "甲\r\n乙");
}

}  // namespace
}  // namespace vx
