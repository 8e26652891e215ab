// The platform's clocks behind clock.cpp.
#pragma once

#include <cstdint>

#include "runtime/date_time.h"

namespace vx {

// Milliseconds since the system started, wrapping at 2^32.
uint32_t PlatformTickCount();
// The current local calendar time, to the second.
CalendarTime PlatformLocalTime();

}  // namespace vx
