// Threads and locks: program routines on new threads, and recursive locks handed out as
// integer handles that are checked against the list of locks this service created.
#pragma once

#include <cstdint>

namespace vx {

using ThreadRoutine = int32_t (*)(int32_t argument);
using ThreadHandle = intptr_t;
using LockHandle = intptr_t;  // 0 is no lock

// Starts `routine(argument)` at once. With `handle` the caller receives the thread handle (0 on
// failure) and closes it with CloseThreadHandle; otherwise it is closed at once.
bool StartThread(ThreadRoutine routine, int32_t argument = 0, ThreadHandle* handle = nullptr);
void CloseThreadHandle(ThreadHandle handle);

// A new lock (a critical section), valid until the program ends.
LockHandle CreateLock();
// Enter and leave a lock; a thread may enter a lock it holds again. Handles that are not
// locks of this service, 0 included, are ignored.
void EnterLock(LockHandle lock);
void LeaveLock(LockHandle lock);

// The program-end notice: deletes the locks. Later calls with old handles do nothing.
void NotifyLocksOfProgramEnd();

}  // namespace vx
