#include <cstdlib>

#include "runtime/threads_platform.h"

namespace vx {

namespace {
struct ThreadStart {
  ThreadRoutine routine;
  int32_t argument;
};

void* RunThread(void* start_record) {
  ThreadStart start = *static_cast<ThreadStart*>(start_record);
  std::free(start_record);
  start.routine(start.argument);
  return nullptr;
}
}  // namespace

void InitializePlatformLock(PlatformLock* lock) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(lock, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void EnterPlatformLock(PlatformLock* lock) {
  pthread_mutex_lock(lock);
}
void LeavePlatformLock(PlatformLock* lock) {
  pthread_mutex_unlock(lock);
}
void DeletePlatformLock(PlatformLock* lock) {
  pthread_mutex_destroy(lock);
}

ThreadHandle StartPlatformThread(ThreadRoutine routine, int32_t argument) {
  auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
  if (!start) return 0;
  *start = {routine, argument};
  pthread_t thread;
  if (pthread_create(&thread, nullptr, RunThread, start) != 0) {
    std::free(start);
    return 0;
  }
  return static_cast<ThreadHandle>(thread);
}

// The thread runs on until its routine returns; its handle only lets it go.
void ClosePlatformThreadHandle(ThreadHandle handle) {
  pthread_detach(static_cast<pthread_t>(handle));
}

}  // namespace vx
