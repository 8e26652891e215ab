#include "tests/e2e/pass_freeze.h"

#include <algorithm>
#include <string>

#include "tests/e2e/actions.h"
#include "tests/e2e/program_texts.h"
#include "tests/e2e/report.h"

namespace vx::e2e {

size_t FrozenThreads::Freeze(const TargetProcess& target, const std::vector<DWORD>& known) {
  for (DWORD id : target.ThreadIds()) {
    if (std::find(known.begin(), known.end(), id) != known.end()) continue;
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
    if (!thread) continue;
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
      CloseHandle(thread);
      continue;
    }
    threads_.push_back(thread);
  }
  return threads_.size();
}

bool FrozenThreads::FreezeThread(DWORD id) {
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
  if (!thread) return false;
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
    CloseHandle(thread);
    return false;
  }
  threads_.push_back(thread);
  return true;
}

void FrozenThreads::Thaw() {
  for (HANDLE thread : threads_) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  threads_.clear();
}

bool FreezePassMidway(Program& program, int rows, const std::vector<DWORD>& known,
                      FrozenThreads* frozen) {
  const std::string running = PassRunning(static_cast<size_t>(rows));
  const std::string complete = PassComplete(static_cast<size_t>(rows));
  DWORD started = GetTickCount();
  while (GetTickCount() - started < 10000) {
    if (FrameTitle(program.window) == complete) return false;
    std::string first, last;
    // A worker stopped while it holds the rows keeps the list from answering: a short wait
    // tells, and the pass then runs on a little.
    if (frozen->Freeze(program.target, known) > 0 && FrameTitle(program.window) == running &&
        ReadListCell(program.target, program.list, 0, 2, &first, 100) && !first.empty() &&
        ReadListCell(program.target, program.list, rows - 1, 2, &last, 100) && last.empty()) {
      Note("the pass was held %lu ms after it was chosen", GetTickCount() - started);
      return true;
    }
    frozen->Thaw();
    Sleep(5);
  }
  return false;
}

bool FreezeImportWhileReading(Program& program, FrozenThreads* frozen) {
  // Looked at every millisecond: a file of some tens of megabytes is read in a fraction of a
  // second.
  DWORD started = GetTickCount();
  while (FrameTitle(program.window) != kImporting) {
    if (GetTickCount() - started > 10000) return false;
    Sleep(1);
  }
  if (!frozen->FreezeThread(GetWindowThreadProcessId(program.window, nullptr))) return false;
  if (FrameTitle(program.window) == kImporting) return true;
  frozen->Thaw();
  return false;
}

}  // namespace vx::e2e
