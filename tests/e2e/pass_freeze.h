// The MD5 pass held still in the middle of its rows, so that a scenario can look at the window
// while the pass runs, however fast the pass is.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/e2e/target_process.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

// The threads that the target started after `known` was taken, suspended until Thaw or the end of
// this object. The MD5 pass's threads among them stop where they are, so the pass keeps running
// with its cells as they are.
class FrozenThreads {
 public:
  FrozenThreads() = default;
  FrozenThreads(const FrozenThreads&) = delete;
  FrozenThreads& operator=(const FrozenThreads&) = delete;
  ~FrozenThreads() { Thaw(); }

  size_t Freeze(const TargetProcess& target, const std::vector<DWORD>& known);
  // Suspends the one thread `id` of the target.
  bool FreezeThread(DWORD id);
  void Thaw();

 private:
  std::vector<HANDLE> threads_;
};

// Freezes the pass over `rows` rows, started after `known` was taken, at a moment when row 0 has
// its digest and the last row does not, and the window answers. False when the pass ended or no
// such moment came.
bool FreezePassMidway(Program& program, int rows, const std::vector<DWORD>& known,
                      FrozenThreads* frozen);

// Freezes the window's thread while the import that was just started reads its file: what
// arrives meanwhile (a drop, a key) waits in the queue, for the import's next round of events.
// False when the import's title did not come or went before the thread was held.
bool FreezeImportWhileReading(Program& program, FrozenThreads* frozen);

}  // namespace vx::e2e
