// Work split between the calling thread and one more, for the commands that go through millions
// of rows on the UI thread: the machine's second core takes half of it.
#pragma once

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace vx {

// Runs `beside` on a thread of its own and `here` on the calling thread, then waits for
// `beside`, calling `while_waiting` every millisecond meanwhile. Where the system gives no
// thread, or `split` is false, `beside` runs after `here` on the calling thread.
template <typename Beside, typename Here, typename WhileWaiting>
void InTwoThreads(bool split, Beside&& beside, Here&& here, WhileWaiting&& while_waiting) {
  std::atomic<bool> done{false};
  std::thread thread;
  if (split) {
    try {
      thread = std::thread([&] {
        beside();
        done = true;
      });
    } catch (const std::system_error&) {
    }
  }
  here();
  if (!thread.joinable()) {
    beside();
    return;
  }
  while (!done) {
    while_waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread.join();
}

}  // namespace vx
