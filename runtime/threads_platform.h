// The platform's recursive lock and thread start behind threads.cpp.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
namespace vx {
using PlatformLock = CRITICAL_SECTION;
}
#else
#include <pthread.h>
namespace vx {
using PlatformLock = pthread_mutex_t;
}
#endif

#include "runtime/threads.h"

namespace vx {

void InitializePlatformLock(PlatformLock* lock);
void EnterPlatformLock(PlatformLock* lock);
void LeavePlatformLock(PlatformLock* lock);
void DeletePlatformLock(PlatformLock* lock);

// Starts the thread; returns its handle, or 0 when it could not be started.
ThreadHandle StartPlatformThread(ThreadRoutine routine, int32_t argument);
void ClosePlatformThreadHandle(ThreadHandle handle);

}  // namespace vx
