#include "runtime/threads.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "runtime/runtime_platform.h"
#include "runtime/threads_platform.h"

namespace vx {

namespace {

struct LockRecord {
  PlatformLock lock;
  LockRecord* next;
  int depth;                     // times the holder has entered; written only by the holder
  std::atomic<uint64_t> holder;  // the holding thread's id, 0 when free
};

std::atomic<LockRecord*> lock_list{nullptr};  // newest first

// A worker may still be inside EnterLock or LeaveLock, or hold a lock, when the program-end
// notice runs on the UI thread. Every lock call counts itself in flight before it looks at
// `program_ending` (both sequentially consistent), so the notice either sees the call in flight
// or the call sees the end. A lock that is in use is left in place until the process ends.
std::atomic<bool> program_ending{false};
std::atomic<int> lock_calls_in_flight{0};

LockRecord* FindLock(LockHandle handle) {
  if (handle == 0) return nullptr;
  for (LockRecord* record = lock_list.load(); record; record = record->next) {
    if (reinterpret_cast<LockHandle>(record) == handle) return record;
  }
  return nullptr;
}

}  // namespace

bool StartThread(ThreadRoutine routine, int32_t argument, ThreadHandle* handle) {
  ThreadHandle started = StartPlatformThread(routine, argument);
  if (handle) {
    *handle = started;
  } else if (started) {
    ClosePlatformThreadHandle(started);
  }
  return started != 0;
}

void CloseThreadHandle(ThreadHandle handle) {
  if (handle) ClosePlatformThreadHandle(handle);
}

LockHandle CreateLock() {
  auto* record = static_cast<LockRecord*>(std::malloc(sizeof(LockRecord)));
  if (!record) return 0;
  std::memset(static_cast<void*>(record), 0, sizeof *record);
  InitializePlatformLock(&record->lock);
  record->next = lock_list.load();
  lock_list.store(record);
  return reinterpret_cast<LockHandle>(record);
}

void EnterLock(LockHandle handle) {
  lock_calls_in_flight.fetch_add(1);
  if (!program_ending.load()) {
    if (LockRecord* record = FindLock(handle)) {
      EnterPlatformLock(&record->lock);
      if (record->depth++ == 0) record->holder = PlatformCurrentThreadId();
    }
  }
  lock_calls_in_flight.fetch_sub(1);
}

void LeaveLock(LockHandle handle) {
  lock_calls_in_flight.fetch_add(1);
  if (!program_ending.load()) {
    // Only the holder's leave counts: a thread that does not hold the lock must not touch the
    // holder's count, let alone release its lock.
    LockRecord* record = FindLock(handle);
    if (record && record->holder.load() == PlatformCurrentThreadId()) {
      if (--record->depth == 0) record->holder = 0;
      LeavePlatformLock(&record->lock);
    }
  }
  lock_calls_in_flight.fetch_sub(1);
}

void NotifyLocksOfProgramEnd() {
  program_ending.store(true);
  LockRecord* record = lock_list.exchange(nullptr);
  if (lock_calls_in_flight.load() != 0) return;  // a worker is inside a lock call
  while (record) {
    LockRecord* next = record->next;
    if (record->depth == 0) {  // held locks stay for the holder until the process ends
      DeletePlatformLock(&record->lock);
      std::free(record);
    }
    record = next;
  }
}

}  // namespace vx
