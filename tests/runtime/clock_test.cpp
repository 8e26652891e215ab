#include "runtime/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "runtime/date_time.h"

namespace vx {
namespace {

TEST(TickCount, CountsMilliseconds) {
  int32_t start = TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  double elapsed = static_cast<double>(TickCount()) - start;  // as handlers subtract
  EXPECT_GE(elapsed, 90);
  EXPECT_LT(elapsed, 60000);
}

TEST(CurrentDateTime, IsTheLocalTimeInWholeSeconds) {
  DateTime now = CurrentDateTime();
  double seconds = now.days * 86400;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);

  std::time_t clock = std::time(nullptr);
  std::tm local = *std::localtime(&clock);
  DateTime expected = MakeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                    local.tm_hour, local.tm_min, local.tm_sec});
  EXPECT_NEAR(now.days, expected.days, 2 / 86400.0);
}

}  // namespace
}  // namespace vx
