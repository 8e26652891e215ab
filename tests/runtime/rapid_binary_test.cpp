#include "runtime/rapid_binary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/rapid_string.h"
#include "tests/runtime/array_members.h"

namespace vx {
namespace {

using testing::Bytes;
using testing::kNullMember;
using testing::Members;
using testing::TakeByteMembers;
using testing::TakeBytes;

const std::string null = kNullMember;

std::string Content(const RapidBinary& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.bytes()),
                     static_cast<size_t>(buffer.length()));
}

TEST(RapidBinaryAppend, EachKindAsStored) {
  RapidBinary bytes;
  RapidString text;
  text.SetText({"rs"});
  RapidBinary other;
  other.Append({uint8_t{9}});
  auto data = Bytes(std::string("d\0", 2));
  EXPECT_TRUE(bytes.Append({"ab", "", uint8_t{1}, int16_t{0x0302}, int32_t{0x07060504}, true,
                            int64_t{-1}, data.get(), text, other}));
  EXPECT_EQ(Content(bytes), std::string("ab\0\0\x01\x02\x03\x04\x05\x06\x07\x01\0\0\0"
                                        "\xff\xff\xff\xff\xff\xff\xff\xff"
                                        "d\0rs\x09",
                                        28));
  EXPECT_TRUE(bytes.SetBytes({0.5, DateTime{2.0}, 2.0f}));
  EXPECT_EQ(Content(bytes), std::string("\0\0\0\0\0\0\xe0\x3f"
                                        "\0\0\0\0\0\0\0\x40"
                                        "\0\0\0\x40",
                                        20));
  EXPECT_TRUE(bytes.SetBytes({static_cast<const ByteDataBlock*>(nullptr)}));
  EXPECT_EQ(bytes.length(), 0);
}

TEST(RapidBinaryAppend, ArraysAndTheirEmptyMembers) {
  RapidBinary bytes;
  OwnedArray texts(AllocateArray(3));
  ArrayElements(texts.get())[0] = CopyText("a");
  ArrayElements(texts.get())[2] = CopyText("c");
  EXPECT_FALSE(bytes.Append({Value::Array(texts.get(), ValueKind::kText)}));
  EXPECT_EQ(Content(bytes), std::string("a\0c\0", 4));

  OwnedArray blocks(AllocateArray(2));
  ArrayElements(blocks.get())[0] = MakeByteData("xy", 2);
  EXPECT_TRUE(bytes.SetBytes({Value::Array(blocks.get(), ValueKind::kByteData)}));
  EXPECT_EQ(Content(bytes), "xy");

  auto numbers = testing::MakeNumberArray<int32_t>({1, 0x02000000});
  EXPECT_TRUE(bytes.SetBytes({Value::Array(numbers.get(), ValueKind::kInteger)}));
  EXPECT_EQ(Content(bytes), std::string("\x01\0\0\0\0\0\0\x02", 8));
}

TEST(RapidBinaryGetBytes, PositionsFromOneOrFromTheEnd) {
  RapidBinary bytes;
  EXPECT_EQ(OwnedByteData(bytes.GetBytes()), nullptr);
  bytes.Append({Bytes("abcde").get()});
  OwnedByteData all(bytes.GetBytes());
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->marker, 1);
  EXPECT_NE(ByteDataBytes(all.get()), bytes.bytes());
  EXPECT_EQ(TakeBytes(all.release()), "abcde");

  EXPECT_EQ(TakeBytes(bytes.GetBytes(0)), "abcde");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(1)), "abcde");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(2)), "bcde");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(5)), "e");
  EXPECT_EQ(OwnedByteData(bytes.GetBytes(6)), nullptr);
  EXPECT_EQ(TakeBytes(bytes.GetBytes(-1)), "e");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(-5)), "abcde");
  EXPECT_EQ(OwnedByteData(bytes.GetBytes(-6)), nullptr);

  EXPECT_EQ(TakeBytes(bytes.GetBytes(2, 2)), "bc");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(-2, 9)), "de");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(std::nullopt, 3)), "abc");
  EXPECT_EQ(TakeBytes(bytes.GetBytes(1, -1)), "abcde");
  EXPECT_EQ(OwnedByteData(bytes.GetBytes(1, 0)), nullptr);
}

TEST(RapidBinarySplit, CutsAtZeroBytesOrTheGivenSeparator) {
  RapidBinary bytes;
  EXPECT_EQ(TakeByteMembers(bytes.Split()), (Members{null}));
  bytes.Append({"a", "", "b"});  // a 0 0 b 0
  EXPECT_EQ(TakeByteMembers(bytes.Split()), (Members{"a", null, "b"}));
  EXPECT_EQ(TakeByteMembers(bytes.Split(std::nullopt, 2)), (Members{"a", null}));
  EXPECT_EQ(TakeByteMembers(bytes.Split(nullptr)), (Members{std::string("a\0\0b\0", 5)}));

  // The row header of an items image splits it into an empty first piece and the rows.
  const std::string header("\0\xff\xff\xff\xff\xff\xff\xff\xff\0\0\0\0\0\0\0\0", 17);
  auto separator = Bytes(header);
  bytes.SetBytes({Bytes(header + "1" + header + std::string("2\0\0", 3)).get()});
  EXPECT_EQ(TakeByteMembers(bytes.Split(separator.get())),
            (Members{null, "1", std::string("2\0\0", 3)}));
  EXPECT_EQ(TakeByteMembers(bytes.Split(separator.get(), 0)), Members{});
  EXPECT_EQ(TakeByteMembers(bytes.Split(separator.get(), -4)).size(), 3u);
}

}  // namespace
}  // namespace vx
