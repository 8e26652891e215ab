#include "runtime/buffer_record.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/rapid_binary.h"
#include "runtime/rapid_string.h"
#include "tests/runtime/array_members.h"

namespace vx {
namespace {

TEST(BufferGrowth, FirstReservationIsMinCapacityThenNeededPlusStep) {
  RapidBinary bytes;
  ASSERT_NE(bytes.record(), nullptr);
  EXPECT_EQ(bytes.record()->data, nullptr);
  EXPECT_EQ(bytes.record()->capacity, 0);
  EXPECT_TRUE(bytes.Append({testing::Bytes(std::string(1, 'a')).get()}));
  EXPECT_EQ(bytes.record()->capacity, 10240);
  EXPECT_TRUE(bytes.Append({testing::Bytes(std::string(10239, 'b')).get()}));
  EXPECT_EQ(bytes.record()->capacity, 10240);  // 10240 bytes fit exactly
  EXPECT_TRUE(bytes.Append({uint8_t{1}}));
  EXPECT_EQ(bytes.record()->capacity, 10241 + 10240);
  EXPECT_EQ(bytes.length(), 10241);

  RapidString fits, grows;
  EXPECT_TRUE(fits.SetText({std::string(10239, 'x').c_str()}));
  EXPECT_EQ(fits.record()->capacity, 10240);  // 10239 characters and the terminator
  EXPECT_TRUE(grows.SetText({std::string(10240, 'x').c_str()}));
  EXPECT_EQ(grows.record()->capacity, 20481);
  EXPECT_EQ(grows.length(), 10240);
  EXPECT_EQ(grows.text()[10240], '\0');
}

TEST(BufferGrowth, EveryGrowthGivesTheNeededSizePlusTheStep) {
  RapidBinary bytes;
  int32_t growths = 0;
  for (int32_t i = 0; i < 200000; ++i) {
    int32_t before = bytes.record()->capacity;
    ASSERT_TRUE(bytes.Append({uint8_t{7}}));
    if (bytes.record()->capacity != before) {
      ++growths;
      int32_t expected = bytes.length() <= 10240 ? 10240 : bytes.length() + 10240;
      ASSERT_EQ(bytes.record()->capacity, expected) << "at length " << bytes.length();
    }
    ASSERT_GE(bytes.record()->allocated, bytes.record()->capacity);
  }
  EXPECT_EQ(growths, 1 + (200000 - 10241) / 10241 + 1);
  EXPECT_EQ(bytes.bytes()[199999], 7);
}

TEST(BufferGrowth, ClearingKeepsTheStorage) {
  RapidString text;
  text.SetText({std::string(30000, 'x').c_str()});
  int32_t capacity = text.record()->capacity;
  EXPECT_TRUE(text.Clear());
  EXPECT_EQ(text.length(), 0);
  EXPECT_STREQ(text.text(), "");
  EXPECT_EQ(text.record()->capacity, capacity);
}

TEST(BufferGrowth, RefusesToPassMaxCapacityAndKeepsTheContent) {
  RapidBinary bytes;
  bytes.record()->max_capacity = 20000;
  auto block = testing::Bytes(std::string(15000, 'a'));
  EXPECT_TRUE(bytes.Append({block.get()}));
  EXPECT_EQ(bytes.record()->capacity, 20000);  // 15000 + 10240 would pass the maximum
  EXPECT_TRUE(bytes.Append({testing::Bytes(std::string(5000, 'b')).get()}));
  EXPECT_FALSE(bytes.Append({uint8_t{1}}));
  EXPECT_EQ(bytes.length(), 20000);
  EXPECT_EQ(bytes.record()->capacity, 20000);
  EXPECT_EQ(bytes.bytes()[14999], 'a');
  EXPECT_EQ(bytes.bytes()[19999], 'b');

  RapidString text;
  text.SetText({"kept"});
  text.record()->max_capacity = 10240;
  EXPECT_FALSE(text.SetText({std::string(10240, 'x').c_str()}));  // needs 10241
  EXPECT_EQ(text.record()->capacity, 10240);
}

TEST(BufferGrowth, GrownCapacityAtTheDefaultMaximum) {
  BufferRecord* record = CreateBufferRecord();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(GrownCapacity(*record, 1), 10240);
  EXPECT_EQ(GrownCapacity(*record, 10240), 10240);
  EXPECT_EQ(GrownCapacity(*record, 10241), 20481);
  // Past 2 GB the rule goes on as below it; only sizes no memory could hold are refused.
  EXPECT_EQ(GrownCapacity(*record, 2147483647), int64_t{2147483647} + 10240);
  EXPECT_EQ(GrownCapacity(*record, (int64_t{1} << 32) + 1), (int64_t{1} << 32) + 10241);
  EXPECT_EQ(GrownCapacity(*record, kDefaultMaxCapacity - 10240), kDefaultMaxCapacity);
  EXPECT_EQ(GrownCapacity(*record, kDefaultMaxCapacity - 1), kDefaultMaxCapacity);
  EXPECT_EQ(GrownCapacity(*record, kDefaultMaxCapacity), kDefaultMaxCapacity);
  EXPECT_EQ(GrownCapacity(*record, kDefaultMaxCapacity + 1), -1);
  EXPECT_FALSE(ReserveBuffer(record, kDefaultMaxCapacity + 1, BufferKind::kBytes));
  EXPECT_FALSE(ReserveBuffer(record, -1, BufferKind::kBytes));
  EXPECT_TRUE(ReserveBuffer(record, 0, BufferKind::kBytes));
  EXPECT_EQ(record->data, nullptr);
  DestroyBufferRecord(record);
}

TEST(BufferGrowth, TextWithZeroBytesSurvivesGrowing) {
  RapidString text;
  auto with_zero = testing::Bytes(std::string("a\0b", 3));
  EXPECT_TRUE(text.SetText({with_zero.get(), std::string(20000, 'c').c_str()}));
  ASSERT_EQ(text.length(), 20003);
  EXPECT_EQ(std::string(text.text(), 4), std::string("a\0bc", 4));
  EXPECT_EQ(text.text()[20002], 'c');
}

TEST(BufferGrowth, AppendingABufferToItselfAcrossAGrowth) {
  RapidBinary bytes;
  bytes.Append({testing::Bytes(std::string(8000, 'x')).get(), uint8_t{'y'}});
  EXPECT_TRUE(bytes.Append({bytes}));  // 16002 bytes: the storage moves while copying
  ASSERT_EQ(bytes.length(), 16002);
  EXPECT_EQ(bytes.bytes()[8000], 'y');
  EXPECT_EQ(bytes.bytes()[16001], 'y');
  EXPECT_EQ(bytes.bytes()[8001], 'x');
}

}  // namespace
}  // namespace vx
