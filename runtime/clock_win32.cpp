#include <windows.h>

#include "runtime/clock_platform.h"

namespace vx {

uint32_t PlatformTickCount() {
  return GetTickCount();
}

CalendarTime PlatformLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace vx
