// Pending window events for commands that run for seconds on the UI thread (duplicate removal
// and export of tens of millions of rows), so that the window keeps answering meanwhile.
#pragma once

#include <cstdint>

namespace vx {

// How long a command goes on between two rounds of pending events, in milliseconds: well
// within the quarter of a second after which a window starts to feel stuck.
inline constexpr int32_t kEventIntervalMs = 100;

class EventPacer {
 public:
  EventPacer();
  // Processes the window's pending events when kEventIntervalMs have passed since the last time
  // (or since the pacer was made). Cheap enough to call every few thousand rows.
  void Between();

 private:
  int32_t last_;
};

// Makes every Between process the pending events, for tests that watch a command's events.
void SetEventPacingForTesting(bool every_call);

}  // namespace vx
