#include "pipeline/command_progress.h"

#include <atomic>

#include "runtime/clock.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

std::atomic<bool> progress_at_once{false};

// The milliseconds from `earlier` to `now`, as the tick count wraps.
int32_t Since(int32_t earlier, int32_t now) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(earlier));
}

}  // namespace

CommandProgress::CommandProgress() : started_(TickCount()) {}

CommandProgress::~CommandProgress() {
  if (shown_) ClearTaskbarProgress();
}

void CommandProgress::Update(int64_t done, int64_t total) {
  int32_t now = TickCount();
  if (!progress_at_once.load(std::memory_order_relaxed)) {
    if (!shown_ && Since(started_, now) < kProgressDelayMs) return;
    if (shown_ && done < total && Since(last_shown_, now) < kProgressIntervalMs) return;
  }
  ShowTaskbarProgress(done, total);
  shown_ = true;
  last_shown_ = now;
}

void ShowProgressAtOnceForTesting(bool at_once) {
  progress_at_once = at_once;
}

}  // namespace vx
