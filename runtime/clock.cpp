#include "runtime/clock.h"

#include "runtime/clock_platform.h"
#include "runtime/date_time.h"

namespace vx {

int32_t TickCount() {
  return static_cast<int32_t>(PlatformTickCount());
}

DateTime CurrentDateTime() {
  return MakeDateTime(PlatformLocalTime());
}

}  // namespace vx
