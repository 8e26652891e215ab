#include "runtime/date_time.h"

#include <cmath>
#include <cstdio>

#include "runtime/messages.h"

namespace vx {

namespace {

// Day 0 of a date-time, 1899-12-30, counted from 1970-01-01.
constexpr int64_t kDateTimeEpoch = -25569;
constexpr double kSecondsPerDay = 86400;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back (the
// era-based algorithms of H. Hinnant's "chrono-compatible low-level date algorithms").
int64_t DaysFromCivil(int64_t year, int32_t month, int32_t day) {
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t year_of_era = year - era * 400;
  int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

void CivilFromDays(int64_t days, CalendarTime* time) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t day_of_era = days - era * 146097;
  int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t month_from_march = (5 * day_of_year + 2) / 153;
  time->day = static_cast<int32_t>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
  time->month =
      static_cast<int32_t>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
  time->year = static_cast<int32_t>(year_of_era + era * 400 + (time->month <= 2));
}

}  // namespace

CalendarTime SplitDateTime(DateTime value) {
  double days = value.days;
  if (!(days >= kEarliestDateTime)) days = kEarliestDateTime;  // NaN too
  if (days > kLatestDateTime) days = kLatestDateTime;
  // Half a second away from zero, so that the truncations below round to the nearest second.
  days += (days >= 0 ? 0.5 : -0.5) / kSecondsPerDay;
  double whole_days = std::trunc(days);
  auto seconds = static_cast<int32_t>(std::fabs(days - whole_days) * kSecondsPerDay);
  if (seconds > 86399) seconds = 86399;

  CalendarTime time;
  CivilFromDays(static_cast<int64_t>(whole_days) + kDateTimeEpoch, &time);
  time.hour = seconds / 3600;
  time.minute = seconds / 60 % 60;
  time.second = seconds % 60;
  return time;
}

DateTime MakeDateTime(const CalendarTime& time) {
  double days =
      static_cast<double>(DaysFromCivil(time.year, time.month, time.day) - kDateTimeEpoch);
  double fraction = (time.hour * 3600 + time.minute * 60 + time.second) / kSecondsPerDay;
  return DateTime{days >= 0 ? days + fraction : days - fraction};
}

int32_t FormatDateTime(DateTime value, char text[kDateTimeTextSize]) {
  CalendarTime time = SplitDateTime(value);
  int length = std::snprintf(text, kDateTimeTextSize, kDateFormat, time.year, time.month, time.day);
  char* rest = text + length;
  size_t room = static_cast<size_t>(kDateTimeTextSize - length);
  if (time.second != 0) {
    length +=
        std::snprintf(rest, room, kHourMinuteSecondFormat, time.hour, time.minute, time.second);
  } else if (time.minute != 0) {
    length += std::snprintf(rest, room, kHourMinuteFormat, time.hour, time.minute);
  } else if (time.hour != 0) {
    length += std::snprintf(rest, room, kHourFormat, time.hour);
  }
  return length;
}

}  // namespace vx
