#include "runtime/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vx {
namespace {

constexpr double kMarch5th2024 = 45356;  // 2024-03-05 00:00

double At(double day, int hour, int minute, double second) {
  return day + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string TextOf(double days) {
  char text[kDateTimeTextSize];
  int32_t length = FormatDateTime(DateTime{days}, text);
  EXPECT_EQ(length, static_cast<int32_t>(std::string(text).size()));
  return text;
}

TEST(DateTimeText, LeavesOutTheTrailingZeroParts) {
  EXPECT_EQ(TextOf(kMarch5th2024), "2024年3月5日");
  EXPECT_EQ(TextOf(At(kMarch5th2024, 0, 0, 5)), "2024年3月5日0时0分5秒");
  EXPECT_EQ(TextOf(At(kMarch5th2024, 0, 5, 0)), "2024年3月5日0时5分");
  EXPECT_EQ(TextOf(At(kMarch5th2024, 14, 0, 0)), "2024年3月5日14时");
  EXPECT_EQ(TextOf(At(kMarch5th2024, 14, 7, 0)), "2024年3月5日14时7分");
  EXPECT_EQ(TextOf(At(46363, 14, 8, 25)), "2026年12月7日14时8分25秒");
  EXPECT_EQ(TextOf(46363), "2026年12月7日");
}

TEST(DateTimeText, RoundsToTheNearestSecond) {
  EXPECT_EQ(TextOf(At(kMarch5th2024, 14, 6, 59.6)), "2024年3月5日14时7分");
  EXPECT_EQ(TextOf(At(kMarch5th2024, 14, 7, 0.4)), "2024年3月5日14时7分");
  EXPECT_EQ(TextOf(At(kMarch5th2024, 23, 59, 59.7)), "2024年3月6日");
}

TEST(DateTimeText, ClampsToTheYears100To9999) {
  EXPECT_EQ(TextOf(-657434), "100年1月1日");
  EXPECT_EQ(TextOf(-1e9), "100年1月1日");
  EXPECT_EQ(TextOf(NAN), "100年1月1日");
  EXPECT_EQ(TextOf(2958465), "9999年12月31日");
  EXPECT_EQ(TextOf(2958465.75), "9999年12月31日");  // the clamp drops the time of day
  EXPECT_EQ(TextOf(1e12), "9999年12月31日");
}

TEST(DateTimeText, CalendarAroundDayZeroAndLeapYears) {
  EXPECT_EQ(TextOf(0), "1899年12月30日");
  EXPECT_EQ(TextOf(-1.25), "1899年12月29日6时");  // whole days back, the time forward
  EXPECT_EQ(TextOf(61), "1900年3月1日");
  EXPECT_EQ(TextOf(36585), "2000年2月29日");
  EXPECT_EQ(TextOf(-109512), "1600年2月29日");
}

TEST(MakeDateTime, InvertsSplitDateTime) {
  const CalendarTime times[] = {
      {2024, 3, 5, 0, 0, 0},   {2024, 3, 5, 23, 59, 59}, {1899, 12, 30, 0, 0, 1},
      {1899, 12, 29, 6, 0, 0}, {100, 1, 2, 12, 30, 0},   {9999, 12, 31, 0, 0, 0},
  };
  for (const CalendarTime& time : times) {
    CalendarTime back = SplitDateTime(MakeDateTime(time));
    EXPECT_EQ(back.year, time.year);
    EXPECT_EQ(back.month, time.month);
    EXPECT_EQ(back.day, time.day);
    EXPECT_EQ(back.hour, time.hour);
    EXPECT_EQ(back.minute, time.minute);
    EXPECT_EQ(back.second, time.second);
  }
  EXPECT_EQ(MakeDateTime({2024, 3, 5, 12, 0, 0}).days, kMarch5th2024 + 0.5);
}

}  // namespace
}  // namespace vx
