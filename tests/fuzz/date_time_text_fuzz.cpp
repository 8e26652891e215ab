// The date-time text of arbitrary doubles. Every 8 bytes of input give three date-times: the
// double they hold, one spread over the years 100 to 9999 and a little beyond, and one on a
// whole second with a small offset, where the rounding to seconds is decided.
//
// The text is parsed with the same literals the runtime uses, compiled the same way, so the
// properties hold whatever bytes the build gives "年" and the others.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "runtime/rapid_string.h"
#include "tests/fuzz/fuzz_support.h"

namespace vx {
namespace {

using fuzzing::Hex;

constexpr double kHalfSecond = 0.5 / 86400;

struct ParsedText {
  int64_t year = 0, month = 0, day = 0;
  int64_t hour = 0, minute = 0, second = 0;
  int parts = 0;  // 0: the date alone; 1: hours; 2: and minutes; 3: and seconds
};

// Reads decimal digits without a sign or a needless leading zero.
bool ReadNumber(const std::string& text, size_t* at, int64_t* number) {
  size_t start = *at;
  *number = 0;
  while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9' && *at - start < 6) {
    *number = *number * 10 + (text[*at] - '0');
    ++*at;
  }
  return *at > start && !(text[start] == '0' && *at - start > 1);
}

bool ReadWord(const std::string& text, size_t* at, const char* word) {
  size_t length = std::strlen(word);
  if (text.compare(*at, length, word) != 0) return false;
  *at += length;
  return true;
}

// "Y年M月D日", then "H时", "H时M分" or "H时M分S秒" or nothing, and the end.
bool ParseDateTimeText(const std::string& text, ParsedText* parsed) {
  size_t at = 0;
  if (!ReadNumber(text, &at, &parsed->year) || !ReadWord(text, &at, "年") ||
      !ReadNumber(text, &at, &parsed->month) || !ReadWord(text, &at, "月") ||
      !ReadNumber(text, &at, &parsed->day) || !ReadWord(text, &at, "日")) {
    return false;
  }
  const char* units[] = {"时", "分", "秒"};
  int64_t* fields[] = {&parsed->hour, &parsed->minute, &parsed->second};
  while (at < text.size() && parsed->parts < 3) {
    if (!ReadNumber(text, &at, fields[parsed->parts]) ||
        !ReadWord(text, &at, units[parsed->parts])) {
      return false;
    }
    ++parsed->parts;
  }
  return at == text.size();
}

bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int64_t DaysInMonth(int64_t year, int64_t month) {
  static const int64_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return days[month - 1] + (month == 2 && IsLeapYear(year));
}

// Days from 0001-01-01 to the date, counted by whole years and months.
int64_t DaysSinceYearOne(int64_t year, int64_t month, int64_t day) {
  static const int64_t before_month[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int64_t years = year - 1;
  return years * 365 + years / 4 - years / 100 + years / 400 + before_month[month - 1] +
         (month > 2 && IsLeapYear(year)) + day - 1;
}

// The date-time value the text names. Before 1899-12-30 the whole days count back and the
// time of day forward; so does a negative value within that day itself.
double NamedValue(const ParsedText& parsed, double value) {
  int64_t days =
      DaysSinceYearOne(parsed.year, parsed.month, parsed.day) - DaysSinceYearOne(1899, 12, 30);
  double time_of_day = (parsed.hour * 3600 + parsed.minute * 60 + parsed.second) / 86400.0;
  bool counts_back = days < 0 || (days == 0 && value < 0);
  return static_cast<double>(days) + (counts_back ? -time_of_day : time_of_day);
}

void CheckDateTimeText(double value) {
  char formatted[kDateTimeTextSize];
  int32_t length = FormatDateTime(DateTime{value}, formatted);
  std::string text(formatted, length > 0 ? static_cast<size_t>(length) : 0);
  auto detail = [&] {
    char shown[64];
    std::snprintf(shown, sizeof shown, "%.17g (%a)", value, value);
    return "value " + std::string(shown) + "\ntext " + Hex(text) + " length " +
           std::to_string(length);
  };
  VX_FUZZ_CHECK(length > 0 && length < kDateTimeTextSize && std::strlen(formatted) == text.size(),
                detail());

  // ToText and a text buffer write the same text.
  OwnedText as_text(ToText(Value(DateTime{value})));
  VX_FUZZ_CHECK(as_text && text == as_text.get(), detail());
  RapidString buffer;
  VX_FUZZ_CHECK(buffer.SetText({Value(DateTime{value})}) && text == buffer.text(), detail());

  ParsedText parsed;
  VX_FUZZ_CHECK(ParseDateTimeText(text, &parsed), detail());
  VX_FUZZ_CHECK(parsed.year >= 100 && parsed.year <= 9999, detail());
  VX_FUZZ_CHECK(parsed.month >= 1 && parsed.month <= 12, detail());
  VX_FUZZ_CHECK(parsed.day >= 1 && parsed.day <= DaysInMonth(parsed.year, parsed.month), detail());
  VX_FUZZ_CHECK(parsed.hour <= 23 && parsed.minute <= 59 && parsed.second <= 59, detail());
  // The text stops at its last part that is not zero.
  int last_part = parsed.second ? 3 : parsed.minute ? 2 : parsed.hour ? 1 : 0;
  VX_FUZZ_CHECK(parsed.parts == last_part, detail());

  if (std::isnan(value) || value < kEarliestDateTime) {
    if (!std::isnan(value)) VX_FUZZ_CHECK(text == "100年1月1日", detail());
    return;
  }
  if (value > kLatestDateTime) {
    VX_FUZZ_CHECK(text == "9999年12月31日", detail());
    return;
  }
  // Within the range the text names the value to the nearest second.
  double distance = std::fabs(NamedValue(parsed, value) - value);
  VX_FUZZ_CHECK(distance <= kHalfSecond * 1.001,
                detail() + "\noff by " + std::to_string(distance * 86400) + " s");
}

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  constexpr double kSpan = kLatestDateTime - kEarliestDateTime + 4;
  for (size_t at = 0; at + 8 <= size; at += 8) {
    uint64_t bits;
    std::memcpy(&bits, data + at, sizeof bits);
    double raw;
    std::memcpy(&raw, &bits, sizeof raw);
    CheckDateTimeText(raw);
    CheckDateTimeText(kEarliestDateTime - 2 + std::ldexp(static_cast<double>(bits), -64) * kSpan);
    auto whole_seconds = static_cast<int64_t>(bits >> 16) % static_cast<int64_t>(kSpan * 86400);
    double offset = (static_cast<int>(bits & 0xFFFF) - 0x8000) / 32768.0 / 86400;  // +-1 s
    CheckDateTimeText(kEarliestDateTime - 2 + whole_seconds / 86400.0 + offset);
  }
  return 0;
}
