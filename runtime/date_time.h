// Date-times (days since 1899-12-30 00:00, the fraction being the time of day) and their text.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace vx {

// A calendar date and time of day; months and days count from 1.
struct CalendarTime {
  int32_t year, month, day;
  int32_t hour, minute, second;
};

// The earliest and latest days a date-time is clamped to: 100-01-01 and 9999-12-31.
inline constexpr double kEarliestDateTime = -657434;
inline constexpr double kLatestDateTime = 2958465;

// The calendar time of `value`, clamped to the years 100 to 9999 and rounded to the nearest
// second. Before 1899-12-30 the whole days count back while the time of day counts forward.
CalendarTime SplitDateTime(DateTime value);
// The date-time of a calendar time (the inverse of SplitDateTime within its range).
DateTime MakeDateTime(const CalendarTime& time);

// Bytes that a date-time text needs at most, terminator included.
inline constexpr int kDateTimeTextSize = 48;
// Writes "2024年3月5日" followed by the time down to its last non-zero part ("14时",
// "14时7分", "14时7分9秒"; nothing at midnight) and returns the length.
int32_t FormatDateTime(DateTime value, char text[kDateTimeTextSize]);

}  // namespace vx
