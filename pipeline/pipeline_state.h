// The program-wide state that the pipeline's commands share, and the menu and title changes they
// all make.
#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/threads.h"

namespace vx {

// Index of the next row an MD5 worker takes; 0 whenever no pass runs. Workers advance it under
// row_lock; clearing and the close confirmation reset it from the UI thread.
extern std::atomic<int32_t> next_row;
extern LockHandle row_lock;   // guards the fetch-and-increment of next_row
extern LockHandle done_lock;  // guards workers_done
// The MD5 pass: null before the first pass, else kRunStateWorking or kRunStateStopped. Always
// replaced whole, so a reader sees one state or the other.
extern std::atomic<const char*> run_state;
// Set by the launcher before it starts the workers. Atomic: the launcher of a finished pass may
// still be reading it when the next pass's launcher sets it.
extern std::atomic<int32_t> worker_count;
extern int32_t workers_done;  // under done_lock

// The popup menu while a pass runs (only "菜单暂时不可用" and one separator) and otherwise.
void ShowBusyMenu();
void ShowIdleMenu();

// Sets the main window's title to `before` + `count` in decimal + `after`.
void SetCountTitle(const char* before, int32_t count, const char* after);
void SetTitle(const char* title);

}  // namespace vx
