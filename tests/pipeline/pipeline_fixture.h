// The pipeline's tests: the program's main window, loaded headless with the commands bound to its
// menu entries as the program binds them, and a user who right-clicks the list and chooses
// entries, confirms dialogs and waits for the MD5 pass.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/files.h"
#include "runtime/heap.h"
#include "runtime/message_box.h"
#include "runtime/runtime.h"
#include "runtime/threads.h"
#include "tests/pipeline/reference_md5.h"
#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "tests/ui/test_window.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"
#include "ui/window_headless.h"

namespace vx::testing {

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;  // -1 as a POSIX exit status
#endif

// Death tests make allocations of this size and more fail: the blocks of rows that a command
// needs, and none of the small texts that the window records.
constexpr size_t kLargeAllocation = size_t{64} << 10;

// Expects `command`, run with allocations of kLargeAllocation bytes and more failing, to end the
// program with the runtime's report of the failed allocation.
template <typename Command>
void ExpectLargeAllocationFailureToBeFatal(Command&& command) {
  EXPECT_EXIT(
      {
        RegisterExitRoutine(RemoveTemporaryDirectories);
        SetAllocationFailureForTesting(true, kLargeAllocation);
        command();
      },
      ::testing::ExitedWithCode(kFatalExitCode), FailedAllocationBox(kLargeAllocation));
}

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (row_lock == 0) {  // the shell's created handler makes them in the program
      row_lock = CreateLock();
      done_lock = CreateLock();
    }
    run_state = nullptr;
    next_row = 0;
    window.layout.list.right_click = [] { PopupMenu(启动窗口, 菜单); };
    window.Load();
    ClearShownBoxes();
    directory = TemporaryDirectory();
  }

  // A pass that a failed check left running is stopped and waited for, so that its worker does
  // not outlive the test.
  void TearDown() override {
    SimulateFullDiskAfter(-1);
    SetHeapLimitForTesting(-1);
    if (CompareText(run_state.load(), kRunStateWorking) == 0) {
      run_state = kRunStateStopped;
      WaitForPass();
    }
  }

  // Right-clicks the list and picks `entry` from the popup; its handler runs at once.
  void Choose(UnitRef entry) {
    headless::RightClick(超级列表框1);
    ASSERT_TRUE(headless::ChooseFromPopup(entry));
    headless::Pump();
  }

  std::string WriteInput(const std::string& bytes, const std::string& name = "input.txt") {
    std::string path = directory + "/" + name;
    WriteWholeFile(path, bytes);
    return path;
  }

  // "1导入文本" on a file holding `bytes`.
  void Import(const std::string& bytes) {
    headless::ConfirmNextFileDialog(WriteInput(bytes));
    Choose(kImportEntry);
  }

  // "3开始加密", then handles what the worker hands to the window until the pass is complete.
  void RunPass() {
    Choose(kStartPassEntry);
    WaitForPass();
  }

  void WaitForPass() {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!PassComplete() && std::chrono::steady_clock::now() < give_up) {
      headless::Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(PassComplete());
  }

  bool PassComplete() {
    std::vector<std::string> titles = Titles();
    return CompareText(run_state.load(), kRunStateStopped) == 0 && !titles.empty() &&
           titles.back().rfind(kTitlePassCompleteBefore, 0) == 0;
  }

  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (const headless::TitleChange& change : headless::TitleChanges()) {
      titles.push_back(change.title);
    }
    return titles;
  }

  static std::string Cell(int32_t row, int32_t column) {
    return TextOf(GetCellText(超级列表框1, row, column));
  }

  // Column `column` of every row.
  static std::vector<std::string> Column(int32_t column) {
    std::vector<std::string> cells;
    for (int32_t row = 0; row < GetRowCount(超级列表框1); ++row) cells.push_back(Cell(row, column));
    return cells;
  }

  static std::string Image() { return BytesOf(OwnedByteData(ReadListItems(超级列表框1)).get()); }

  // The image that importing these texts gives (an empty text: a row without a text column).
  static std::string ImageOf(const std::vector<std::string>& texts) {
    std::string image;
    for (size_t i = 0; i < texts.size(); ++i) {
      image += ImportedRow(static_cast<int32_t>(i + 1), texts[i]);
    }
    return image;
  }

  testing::TestWindow window;
  std::string directory;
};

// A title as the pipeline builds it from the texts around a count.
inline std::string CountTitle(const char* before, int64_t count, const char* after) {
  return before + std::to_string(count) + after;
}

}  // namespace vx::testing
