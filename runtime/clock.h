// Time commands.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace vx {

// Milliseconds since the system started, as a signed 32-bit value: it wraps after about 49.7
// days. Durations are differences of two readings.
int32_t TickCount();

// The current local time in whole seconds.
DateTime CurrentDateTime();

}  // namespace vx
