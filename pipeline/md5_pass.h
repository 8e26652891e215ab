// The MD5 pass: the command "3开始加密" and the threads that fill the two digest columns.
#pragma once

#include <cstdint>

namespace vx {

// The handler of "3开始加密": unless a pass is running, shows the running title, switches to the
// busy menu and starts Md5Launcher on a thread of its own; returns at once.
void StartMd5Pass();

// Thread routine: sets worker_count to 1 and starts that many Md5Worker threads. The argument
// is not used.
int32_t Md5Launcher(int32_t unused);

// Thread routine: takes rows a block at a time from next_row and writes each row's digest into
// its "32位MD5" and "16位MD5" cells, while run_state says the pass is running, and shows how far
// it has come on the task-bar button. The worker that finishes the pass resets next_row, sets
// run_state to stopped, switches to the idle menu and shows the completion title. The argument
// is not used.
int32_t Md5Worker(int32_t unused);

}  // namespace vx
