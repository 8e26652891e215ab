#include "pipeline/event_pacer.h"

#include <atomic>

#include "runtime/clock.h"
#include "ui/window_commands.h"

namespace vx {

namespace {
std::atomic<bool> pacing_every_call{false};
}  // namespace

EventPacer::EventPacer() : last_(TickCount()) {}

void EventPacer::Between() {
  int32_t now = TickCount();
  // The difference of two readings, as the tick count wraps.
  auto elapsed = static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(last_));
  if (elapsed < kEventIntervalMs && !pacing_every_call.load(std::memory_order_relaxed)) return;
  ProcessPendingEvents();
  last_ = TickCount();
}

void SetEventPacingForTesting(bool every_call) {
  pacing_every_call = every_call;
}

}  // namespace vx
