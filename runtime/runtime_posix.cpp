#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "runtime/runtime.h"
#include "runtime/runtime_platform.h"
#include "runtime/ui_thread.h"

namespace vx {

void PlatformProgramPath(char* buffer, size_t size) {
  ssize_t length = readlink("/proc/self/exe", buffer, size - 1);
  buffer[length > 0 ? length : 0] = '\0';
}

char PlatformPathSeparator() {
  return '/';
}

// Like SetCurrentDirectoryA, a failure leaves the current directory as it was.
bool PlatformSetCurrentDirectory(const char* directory) {
  return *directory && chdir(directory) == 0;
}

Text PlatformCurrentDirectory() {
  for (size_t size = 256;; size *= 2) {
    auto* directory = static_cast<char*>(AllocateBlock(size));
    if (getcwd(directory, size)) return directory;
    FreeBlock(directory);
    if (errno != ERANGE) return nullptr;
  }
}

uint64_t PlatformCurrentThreadId() {
  return static_cast<uint64_t>(syscall(SYS_gettid));
}

void PlatformCreateOwnerWindow() {}
void PlatformDestroyOwnerWindow() {}

void PlatformEndProcess(int32_t code) {
  std::fflush(nullptr);
  _exit(code);
}

void PlatformWaitForProcessEnd() {
  for (;;) pause();
}

// Without a message queue, tasks for the UI thread wait in a mailbox that the UI thread empties
// whenever it pumps its events. The waiting tasks are linked through the callers' own records:
// handing a task over allocates nothing, so that a worker that ran out of memory can still hand
// its exit over.
namespace {

struct PendingTask {
  UiThreadTask task;
  void* context;
  bool done;
  PendingTask* next;
};

std::mutex mailbox_mutex;
std::condition_variable mailbox_done;
PendingTask* mailbox_first = nullptr;
PendingTask* mailbox_last = nullptr;

// A thread waits for one task at a time, so one record per thread serves.
thread_local PendingTask waiting_task;

}  // namespace

void CallOnUiThread(UiThreadTask task, void* context) {
  if (IsUiThread()) {
    task(context);
    return;
  }
  PendingTask& pending = waiting_task;
  pending = {task, context, false, nullptr};
  std::unique_lock<std::mutex> lock(mailbox_mutex);
  (mailbox_last ? mailbox_last->next : mailbox_first) = &pending;
  mailbox_last = &pending;
  mailbox_done.wait(lock, [&] { return pending.done; });
}

void RunUiThreadTasks() {
  if (!IsUiThread()) return;
  std::unique_lock<std::mutex> lock(mailbox_mutex);
  while (PendingTask* pending = mailbox_first) {
    mailbox_first = pending->next;
    if (!mailbox_first) mailbox_last = nullptr;
    lock.unlock();
    pending->task(pending->context);
    lock.lock();
    pending->done = true;
    mailbox_done.notify_all();
  }
}

}  // namespace vx
