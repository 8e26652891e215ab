// How far a command that runs for seconds has come, shown on the window's task-bar button, which
// the user sees even while working in another window.
#pragma once

#include <cstdint>

namespace vx {

// Commands that end sooner than this show nothing, so that the button does not flicker.
inline constexpr int32_t kProgressDelayMs = 500;
// The button shows new figures at most this often.
inline constexpr int32_t kProgressIntervalMs = 100;

// One command's progress, on the thread that runs the command. It shows once the command has run
// for kProgressDelayMs and is taken off the button when the object goes, on every path out of
// the command, failures included.
class CommandProgress {
 public:
  CommandProgress();
  ~CommandProgress();
  CommandProgress(const CommandProgress&) = delete;
  CommandProgress& operator=(const CommandProgress&) = delete;

  // The command has done `done` of `total` (rows, lines). Cheap enough to call every block of
  // rows: it looks at the clock and seldom goes further. Once shown, all of `total` done is
  // always shown.
  void Update(int64_t done, int64_t total);

 private:
  int32_t started_;
  int32_t last_shown_ = 0;
  bool shown_ = false;
};

// Makes every Update show at once, for tests that watch a command's progress.
void ShowProgressAtOnceForTesting(bool at_once);

}  // namespace vx
