#include "runtime/runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "runtime/message_box.h"
#include "runtime/threads.h"
#include "runtime/ui_thread.h"
#include "runtime/values.h"
#include "tests/test_support.h"

namespace vx {
namespace {

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;  // -1 as a POSIX exit status
#endif

TEST(Runtime, ProgramDirectoryIsTheCurrentDirectory) {
  EXPECT_GT(std::strlen(ProgramDirectory()), 0u);
  EXPECT_NE(std::string(ProgramFileName()).find("runtime_tests"), std::string::npos);
  EXPECT_TRUE(IsUiThread());
  // Asked of the C++ library, not of the runtime; CTest starts the tests elsewhere.
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), ProgramDirectory()))
      << std::filesystem::current_path() << " " << ProgramDirectory();
}

TEST(RuntimeErrorText, NamesTheWindowAndUnitOfAWindowLocation) {
  SetUnitNameLookup([](int32_t window, int32_t unit) -> UnitNames {
    if (window != 0x02000001) return {nullptr, nullptr};
    return {"启动窗口", unit == 5 ? "超级列表框1" : nullptr};
  });
  OwnedText named(BuildRuntimeErrorText(0, "指定窗口或窗口组件不存在或尚未载入", 0x02000001, 5));
  EXPECT_STREQ(named.get(),
               "运行时出错!\r\n\r\n错误信息：指定窗口或窗口组件不存在或尚未载入\r\n"
               "\r\n33554433, 5\r\n\"启动窗口\"\r\n\"超级列表框1\"\r\n");
  OwnedText no_unit(BuildRuntimeErrorText(0, nullptr, 0x02000001, 6));
  EXPECT_STREQ(no_unit.get(),
               "运行时出错!\r\n\r\n33554433, 6\r\n\"启动窗口\"\r\n未找到所指定的窗口组件\r\n");
  OwnedText no_window(BuildRuntimeErrorText(3, "", 0x02000002, 6));
  EXPECT_STREQ(no_window.get(),
               "运行时出错!\r\n\r\n错误代码：3\r\n\r\n33554434, 6\r\n未找到所指定的窗口\r\n");
  OwnedText plain(BuildRuntimeErrorText(0, "x", 0x01000001, 6));  // not a window id
  EXPECT_STREQ(plain.get(), "运行时出错!\r\n\r\n错误信息：x\r\n\r\n16777217, 6\r\n");
  SetUnitNameLookup(nullptr);
}

void WriteFirst() {
  std::fputs("[first]", stderr);
}
void WriteSecond() {
  std::fputs(IsUiThread() ? "[second on ui]" : "[second elsewhere]", stderr);
}

using ExitProgramDeathTest = ::testing::Test;

TEST(ExitProgramDeathTest, RunsExitRoutinesOnceInOrderAndEndsWithTheCode) {
  EXPECT_EXIT(
      {
        RegisterExitRoutine(WriteFirst);
        RegisterExitRoutine(WriteSecond);
        RegisterExitRoutine(WriteFirst);  // already registered: still runs once
        ExitProgram(3);
      },
      ::testing::ExitedWithCode(3), "^\\[first\\]\\[second on ui\\]$");
}

int32_t ExitFromWorker(int32_t code) {
  ExitProgram(code);
  std::fputs("[worker went on]", stderr);
  return 0;
}

TEST(ExitProgramDeathTest, HandsTheExitFromAWorkerToTheUiThread) {
  EXPECT_EXIT(
      {
        RegisterExitRoutine(WriteFirst);
        RegisterExitRoutine(WriteSecond);
        StartThread(ExitFromWorker, 42);
        for (;;) RunUiThreadTasks();
      },
      ::testing::ExitedWithCode(42), "^\\[first\\]\\[second on ui\\]$");
}

// A worker's fatal report leaves the window usable; closing it meanwhile still ends with -1.
std::atomic<bool> fatal_box_shown{false};

int32_t HoldFatalBox(const char*, const char*, uint32_t style) {
  std::fprintf(stderr, "[box style %u]", style);
  fatal_box_shown = true;
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

int32_t FailOnWorker(int32_t) {
  ReportRuntimeError(0, "worker", 0, 0);
}

TEST(ExitProgramDeathTest, AnExitDuringAFatalReportEndsWithMinusOne) {
  EXPECT_EXIT(
      {
        SetMessageBoxHandler(HoldFatalBox);
        StartThread(FailOnWorker);
        while (!fatal_box_shown) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ExitProgram(0);  // "Yes" to the close question
      },
      ::testing::ExitedWithCode(kFatalExitCode),
      "^\\[box style " + std::to_string(kMbIconError | kMbTaskModal) + "\\]$");
}

}  // namespace
}  // namespace vx
