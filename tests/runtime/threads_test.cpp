#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace vx {
namespace {

std::atomic<int> started_with{-1};

int32_t RecordArgument(int32_t argument) {
  started_with = argument;
  return 0;
}

void WaitFor(const std::atomic<bool>& flag) {
  while (!flag.load()) std::this_thread::yield();
}

TEST(StartThread, RunsTheRoutineWithTheArgumentOrZero) {
  started_with = -1;
  ASSERT_TRUE(StartThread(RecordArgument));
  while (started_with.load() == -1) std::this_thread::yield();
  EXPECT_EQ(started_with.load(), 0);

  started_with = -1;
  ThreadHandle handle = 0;
  ASSERT_TRUE(StartThread(RecordArgument, 77, &handle));
  EXPECT_NE(handle, 0);
  while (started_with.load() == -1) std::this_thread::yield();
  EXPECT_EQ(started_with.load(), 77);
  CloseThreadHandle(handle);
}

TEST(Locks, HandlesAreDistinctAndUnknownHandlesAreIgnored) {
  LockHandle first = CreateLock();
  LockHandle second = CreateLock();
  EXPECT_NE(first, 0);
  EXPECT_NE(second, 0);
  EXPECT_NE(first, second);
  // None of these may block or crash.
  EnterLock(0);
  LeaveLock(0);
  EnterLock(first + 1);
  LeaveLock(first + 1);
  LeaveLock(second);  // not held
  EnterLock(second);
  LeaveLock(second);
}

struct Contender {
  LockHandle lock;
  std::atomic<bool> entered{false};
};
Contender* contender = nullptr;

int32_t EnterAndLeave(int32_t) {
  EnterLock(contender->lock);
  contender->entered = true;
  LeaveLock(contender->lock);
  return 0;
}

TEST(Locks, AHolderMayEnterAgainAndOthersWaitUntilItLeavesAsOften) {
  Contender waiting;
  waiting.lock = CreateLock();
  contender = &waiting;
  EnterLock(waiting.lock);
  EnterLock(waiting.lock);  // does not block itself
  ASSERT_TRUE(StartThread(EnterAndLeave));
  LeaveLock(waiting.lock);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(waiting.entered.load());  // still held once
  LeaveLock(waiting.lock);
  WaitFor(waiting.entered);
  EXPECT_TRUE(waiting.entered.load());
}

TEST(Locks, CountsAreExactUnderContention) {
  static LockHandle counter_lock = CreateLock();
  static int counter = 0;
  static std::atomic<int> finished{0};
  counter = 0;
  finished = 0;
  auto add = [](int32_t) -> int32_t {
    for (int i = 0; i < 20000; ++i) {
      EnterLock(counter_lock);
      ++counter;
      LeaveLock(counter_lock);
    }
    ++finished;
    return 0;
  };
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(StartThread(add));
  while (finished.load() < 4) std::this_thread::yield();
  EnterLock(counter_lock);
  EXPECT_EQ(counter, 80000);
  LeaveLock(counter_lock);
}

// A leave from a thread that does not hold the lock is ignored: the holder keeps it, and its own
// leave still counts.
LockHandle shared_lock = 0;
std::atomic<int> entries{0};

int32_t EnterCountAndLeave(int32_t) {
  EnterLock(shared_lock);
  ++entries;
  LeaveLock(shared_lock);
  return 0;
}

bool WaitFor(const std::atomic<int>& count, int value) {
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (count.load() < value && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::yield();
  }
  return count.load() >= value;
}

TEST(Locks, OnlyTheHoldersLeaveCounts) {
  shared_lock = CreateLock();
  entries = 0;
  EnterLock(shared_lock);
  std::thread stranger([] { LeaveLock(shared_lock); });
  stranger.join();
  ASSERT_TRUE(StartThread(EnterCountAndLeave));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(entries.load(), 0);  // still held
  LeaveLock(shared_lock);
  ASSERT_TRUE(WaitFor(entries, 1));
  ASSERT_TRUE(StartThread(EnterCountAndLeave));
  EXPECT_TRUE(WaitFor(entries, 2));
}

using LocksDeathTest = ::testing::Test;

std::atomic<bool> holder_inside{false};
std::atomic<bool> holder_may_leave{false};
LockHandle held_lock = 0;

int32_t HoldLock(int32_t) {
  EnterLock(held_lock);
  holder_inside = true;
  WaitFor(holder_may_leave);
  LeaveLock(held_lock);
  std::fputs("[holder left]", stderr);
  return 0;
}

TEST(LocksDeathTest, ProgramEndDeletesLocksWithoutHarmingAWorkerInsideOne) {
  EXPECT_EXIT(
      {
        held_lock = CreateLock();
        LockHandle idle = CreateLock();
        StartThread(HoldLock);
        WaitFor(holder_inside);
        NotifyLocksOfProgramEnd();
        EnterLock(held_lock);  // found no more: does not wait for the holder
        EnterLock(idle);
        LeaveLock(idle);
        holder_may_leave = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::fputs("[ended]", stderr);
        std::fflush(stderr);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "^\\[holder left\\]\\[ended\\]$");
}

}  // namespace
}  // namespace vx
