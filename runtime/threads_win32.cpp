#include <cstdlib>

#include "runtime/threads_platform.h"

namespace vx {

namespace {
struct ThreadStart {
  ThreadRoutine routine;
  int32_t argument;
};

DWORD WINAPI RunThread(void* start_record) {
  ThreadStart start = *static_cast<ThreadStart*>(start_record);
  std::free(start_record);
  return static_cast<DWORD>(start.routine(start.argument));
}
}  // namespace

void InitializePlatformLock(PlatformLock* lock) {
  InitializeCriticalSection(lock);
}
void EnterPlatformLock(PlatformLock* lock) {
  EnterCriticalSection(lock);
}
void LeavePlatformLock(PlatformLock* lock) {
  LeaveCriticalSection(lock);
}
void DeletePlatformLock(PlatformLock* lock) {
  DeleteCriticalSection(lock);
}

ThreadHandle StartPlatformThread(ThreadRoutine routine, int32_t argument) {
  auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
  if (!start) return 0;
  *start = {routine, argument};
  HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
  if (!thread) {
    std::free(start);
    return 0;
  }
  return reinterpret_cast<ThreadHandle>(thread);
}

void ClosePlatformThreadHandle(ThreadHandle handle) {
  CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace vx
