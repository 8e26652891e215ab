#include "runtime/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/runtime/array_members.h"

namespace vx {
namespace {

using testing::Bytes;
using testing::TakeBytes;

std::string TextOf(const Value& value) {
  OwnedText text(ToText(value));
  return text ? std::string(text.get()) : std::string("<null>");
}

TEST(ToText, IntegersInDecimal) {
  EXPECT_EQ(TextOf(int32_t{-7}), "-7");
  EXPECT_EQ(TextOf(int32_t{0}), "0");
  EXPECT_EQ(TextOf(int16_t{-32768}), "-32768");
  EXPECT_EQ(TextOf(uint8_t{255}), "255");
  EXPECT_EQ(TextOf(int64_t{INT64_MIN}), "-9223372036854775808");
  EXPECT_EQ(TextOf(int64_t{12345678901234}), "12345678901234");
}

TEST(ToText, DoublesAsPercentPoint13GWithThreeDigitExponents) {
  EXPECT_EQ(TextOf(1.5), "1.5");
  EXPECT_EQ(TextOf(1234.0), "1234");
  EXPECT_EQ(TextOf(-16.0), "-16");
  EXPECT_EQ(TextOf(0.1 + 0.2), "0.3");
  EXPECT_EQ(TextOf(0.0), "0");
  EXPECT_EQ(TextOf(9999999999999.0), "9999999999999");
  EXPECT_EQ(TextOf(1e13), "1e+013");
  EXPECT_EQ(TextOf(-1e13), "-1e+013");
  EXPECT_EQ(TextOf(12345678901234567.0), "1.234567890123e+016");
  EXPECT_EQ(TextOf(1.5e-7), "1.5e-007");
  EXPECT_EQ(TextOf(1e100), "1e+100");
  EXPECT_EQ(TextOf(2.5e-300), "2.5e-300");
  EXPECT_EQ(TextOf(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(TextOf(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(TextOf(std::nan("")), "nan");
}

TEST(ToText, FloatsTruthValuesAndDateTimes) {
  EXPECT_EQ(TextOf(0.1f), "0.1");
  EXPECT_EQ(TextOf(1234567.0f), "1.23457e+006");
  EXPECT_EQ(TextOf(true), "真");
  EXPECT_EQ(TextOf(false), "假");
  EXPECT_EQ(TextOf(DateTime{45356 + (14 * 3600 + 7 * 60) / 86400.0}), "2024年3月5日14时7分");
}

TEST(ToText, TextsByteDataAndArrays) {
  const char* source = "中文";
  OwnedText copy(ToText(source));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), source);
  EXPECT_STREQ(copy.get(), source);
  EXPECT_EQ(TextOf(""), "<null>");
  EXPECT_EQ(TextOf(static_cast<const char*>(nullptr)), "<null>");

  auto with_zero = Bytes(std::string("ab\0c", 4));
  EXPECT_EQ(TextOf(with_zero.get()), "ab");
  auto plain = Bytes("xyz");
  EXPECT_EQ(TextOf(plain.get()), "xyz");
  EXPECT_EQ(TextOf(static_cast<const ByteDataBlock*>(nullptr)), "<null>");

  auto numbers = testing::MakeNumberArray<int32_t>({0x4241, 0x43, 0});  // "AB\0\0" "C\0\0\0"
  EXPECT_EQ(TextOf(Value::Array(numbers.get(), ValueKind::kInteger)), "AB");

  OwnedArray texts(AllocateArray(1));
  ArrayElements(texts.get())[0] = CopyText("a");
  EXPECT_EQ(TextOf(Value::Array(texts.get(), ValueKind::kText)), "<null>");
}

}  // namespace
}  // namespace vx
