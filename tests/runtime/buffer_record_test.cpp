#include "runtime/buffer_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "runtime/rapid_string.h"
#include "tests/runtime/array_members.h"

namespace vx {
namespace {

using OwnedRecord = std::unique_ptr<BufferRecord, decltype(&DestroyBufferRecord)>;

OwnedRecord NewRecord() {
  return OwnedRecord(CreateBufferRecord(), DestroyBufferRecord);
}

bool Append(BufferRecord* record, const std::string& bytes) {
  return AppendToBuffer(record, bytes.data(), static_cast<int64_t>(bytes.size()));
}

TEST(BufferGrowth, FirstReservationIsMinCapacityThenNeededPlusStep) {
  RapidString fits, grows;
  ASSERT_NE(fits.record(), nullptr);
  EXPECT_EQ(fits.record()->data, nullptr);
  EXPECT_EQ(fits.record()->capacity, 0);
  EXPECT_TRUE(fits.SetText({std::string(10239, 'x').c_str()}));
  EXPECT_EQ(fits.record()->capacity, 10240);  // 10239 characters and the terminator
  EXPECT_TRUE(grows.SetText({std::string(10240, 'x').c_str()}));
  EXPECT_EQ(grows.record()->capacity, 20481);
  EXPECT_EQ(grows.length(), 10240);
  EXPECT_EQ(grows.text()[10240], '\0');
}

TEST(BufferGrowth, EveryGrowthGivesTheNeededSizePlusTheStep) {
  OwnedRecord record = NewRecord();
  int32_t growths = 0;
  for (int32_t i = 0; i < 200000; ++i) {
    int64_t before = record->capacity;
    ASSERT_TRUE(Append(record.get(), "\7"));
    if (record->capacity != before) {
      ++growths;
      int64_t needed = record->length + 1;  // with the terminator
      int64_t expected = needed <= 10240 ? 10240 : needed + 10240;
      ASSERT_EQ(record->capacity, expected) << "at length " << record->length;
    }
    ASSERT_GE(record->allocated, record->capacity);
  }
  EXPECT_EQ(growths, 1 + (200000 - 10240) / 10241 + 1);
  EXPECT_EQ(record->data[199999], 7);
  EXPECT_EQ(record->data[200000], 0);
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
  OwnedRecord record = NewRecord();
  record->max_capacity = 20000;
  EXPECT_TRUE(Append(record.get(), std::string(15000, 'a')));
  EXPECT_EQ(record->capacity, 20000);  // 15001 + 10240 would pass the maximum
  EXPECT_TRUE(Append(record.get(), std::string(4999, 'b')));
  EXPECT_FALSE(Append(record.get(), "c"));
  EXPECT_EQ(record->length, 19999);
  EXPECT_EQ(record->capacity, 20000);
  EXPECT_EQ(record->data[14999], 'a');
  EXPECT_EQ(record->data[19998], 'b');
  EXPECT_EQ(record->data[19999], 0);

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
  EXPECT_FALSE(ReserveBuffer(record, kDefaultMaxCapacity + 1));
  EXPECT_FALSE(ReserveBuffer(record, -1));
  EXPECT_TRUE(ReserveBuffer(record, 0));
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
  OwnedRecord record = NewRecord();
  Append(record.get(), std::string(8000, 'x') + "y");
  // 16002 bytes: the storage moves while copying
  EXPECT_TRUE(AppendToBuffer(record.get(), record->data, record->length));
  ASSERT_EQ(record->length, 16002);
  EXPECT_EQ(record->data[8000], 'y');
  EXPECT_EQ(record->data[16001], 'y');
  EXPECT_EQ(record->data[8001], 'x');
  EXPECT_EQ(record->data[16002], 0);
}

}  // namespace
}  // namespace vx
