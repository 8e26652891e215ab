#include <time.h>

#include "runtime/clock_platform.h"

namespace vx {

uint32_t PlatformTickCount() {
  timespec now;
#ifdef CLOCK_BOOTTIME
  clock_gettime(CLOCK_BOOTTIME, &now);  // counts suspended time too, as GetTickCount does
#else
  clock_gettime(CLOCK_MONOTONIC, &now);
#endif
  uint64_t milliseconds =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(milliseconds);
}

CalendarTime PlatformLocalTime() {
  time_t now = time(nullptr);
  tm local;
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace vx
