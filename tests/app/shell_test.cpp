// The shell as the program runs it: the entry, the locks made when the window is created, the
// popup on a right click, and the close question that is the only way out.
#include "app/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "pipeline/event_pacer.h"
#include "pipeline/import.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/message_box.h"
#include "runtime/runtime.h"
#include "runtime/ui_thread.h"
#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "ui/list_control.h"
#include "ui/units.h"
#include "ui/window_headless.h"

namespace vx {
namespace {

constexpr uint32_t kQuestionStyle = 0x2024;  // MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL

// Plays the user from another thread once the window is up; the UI thread runs ProgramMain. The
// window of an earlier test may still count as shown: the user waits for the next one.
template <typename Work>
std::thread UserOnceShown(Work work) {
  int64_t shown_before = headless::WindowsShownSoFar();
  return std::thread([work, shown_before] {
    while (headless::WindowsShownSoFar() == shown_before) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    work();
  });
}

TEST(ProgramMain, ShowsTheWindowWithItsLocksAndReturnsZeroWhenTheLoopEnds) {
  row_lock = 0;
  done_lock = 0;
  std::thread user = UserOnceShown([] { headless::QuitMessageLoop(); });
  EXPECT_EQ(ProgramMain(), 0);
  user.join();
  EXPECT_EQ(testing::TextOf(ReadWindowTitle(启动窗口)), "Vextorin");
  EXPECT_NE(row_lock, 0);
  EXPECT_NE(done_lock, 0);
  EXPECT_NE(row_lock, done_lock);
  // Real locks of the lock service: entering and leaving them works.
  EnterLock(row_lock);
  EnterLock(done_lock);
  LeaveLock(done_lock);
  LeaveLock(row_lock);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadStartWindow(MainWindowLayout()); }
};

TEST_F(ShellTest, RightClickShowsTheMenuAtTheCursor) {
  headless::RightClick(超级列表框1);
  std::vector<headless::ShownPopup> popups = headless::Popups();
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].lines.size(), 9u);
  EXPECT_EQ(popups[0].lines[0].caption, "1导入文本");
  EXPECT_FALSE(popups[0].x.has_value());
  EXPECT_FALSE(popups[0].y.has_value());
}

TEST_F(ShellTest, NoToTheCloseQuestionRefusesAndChangesNothing) {
  next_row = 17;
  run_state = kRunStateWorking;
  headless::AnswerNextMessageBox(kButtonNo);
  EXPECT_FALSE(headless::RequestClose());
  EXPECT_FALSE(headless::WindowClosed());
  EXPECT_EQ(next_row, 17);
  EXPECT_EQ(run_state.load(), kRunStateWorking);

  std::vector<headless::ShownMessageBox> boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  // Byte for byte, with nothing after the colon.
  EXPECT_EQ(testing::HexOf(boxes[0].text), testing::HexOf("您确定要关闭本程序吗？\r\n软件官网："));
  EXPECT_EQ(boxes[0].caption, "询问");
  EXPECT_EQ(boxes[0].style, kQuestionStyle);

  // A box closed without Yes (no scripted answer: the test handler says OK) refuses as well.
  EXPECT_FALSE(headless::RequestClose());
  EXPECT_EQ(headless::MessageBoxes().size(), 2u);
  next_row = 0;
  run_state = nullptr;
}

// Exit routines that show, in the order they run, what the program left behind.
void WriteStateBeforeRelease() {
  std::fprintf(stderr, "[before: next_row %d, state %s]", next_row.load(),
               testing::HexOf(run_state.load() ? run_state.load() : "(empty)").c_str());
}
void WriteStateAfterRelease() {
  std::fprintf(stderr, "[after: state %s]", run_state.load() ? "kept" : "released");
}

using ShellDeathTest = ::testing::Test;

TEST(ShellDeathTest, YesStopsThePassAndEndsWithExitCodeZero) {
  std::string stopped = testing::HexOf(kRunStateStopped);
  EXPECT_EXIT(
      {
        next_row = 42;
        run_state = kRunStateWorking;
        RegisterExitRoutine(WriteStateBeforeRelease);
        std::thread user = UserOnceShown([] {
          headless::AnswerNextMessageBox(kButtonYes);
          CallOnUiThread(
              [](void*) {
                // After ProgramMain's own ReleaseRunState, so it shows whether that ran.
                RegisterExitRoutine(WriteStateAfterRelease);
                headless::RequestClose();
              },
              nullptr);
        });
        user.detach();  // it waits on the UI thread when the process ends
        ProgramMain();
        std::fputs("[the loop ended]", stderr);
      },
      ::testing::ExitedWithCode(0),
      "^\\[before: next_row 0, state " + stopped + "\\]\\[after: state released\\]$");
}

// The program on this thread, and `user` playing the user on another, left to end with the
// process.
template <typename User>
void RunTheProgramWith(User user) {
  std::thread thread = UserOnceShown(user);
  thread.detach();
  ProgramMain();
  std::fputs("[the loop ended]", stderr);
}

// Asks the window to close and answers Yes, from the user's thread.
void CloseWithYes() {
  headless::AnswerNextMessageBox(kButtonYes);
  CallOnUiThread([](void*) { headless::RequestClose(); }, nullptr);
}

// Closes with Yes once the title is `title`: in the middle of the command that shows it.
void CloseWithYesOnceTitleIs(const std::string& title) {
  while (testing::TextOf(ReadWindowTitle(启动窗口)) != title) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  CloseWithYes();
}

constexpr int32_t kRowsForTheClose = 1000000;

// The exit routine of the close below: how far the pass got.
void WriteHowFarThePassGot() {
  OwnedText first(GetCellText(超级列表框1, 0, 2));
  OwnedText last(GetCellText(超级列表框1, kRowsForTheClose - 1, 2));
  std::fprintf(stderr, "[rows %d, first %s, last %s]", GetRowCount(超级列表框1),
               first ? "digested" : "empty", last ? "digested" : "empty");
}

// A close would rather fail the test than hang it.
void EndIfStillRunningAfter(std::chrono::seconds limit) {
  std::thread([limit] {
    std::this_thread::sleep_for(limit);
    std::fputs("[still running: hung]", stderr);
    std::fflush(stderr);
    std::_Exit(3);
  }).detach();
}

// Yes while the worker is digesting a million rows: the process ends with 0 at once, the worker
// left in the middle of its rows.
TEST(ShellDeathTest, YesInTheMiddleOfThePassEndsWithExitCodeZero) {
  EXPECT_EXIT(
      {
        EndIfStillRunningAfter(std::chrono::seconds(120));
        RunTheProgramWith([] {
          CallOnUiThread(
              [](void*) {
                std::string lines;
                for (int32_t i = 0; i < kRowsForTheClose; ++i) {
                  lines += std::to_string(i) + "\r\n";
                }
                LoadLinesIntoList(超级列表框1, "", lines.c_str());
                RegisterExitRoutine(WriteHowFarThePassGot);
                headless::RightClick(超级列表框1);
                headless::ChooseFromPopup(kStartPassEntry);
              },
              nullptr);
          while (CompareText(OwnedText(GetCellText(超级列表框1, 0, 2)).get(), "") == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          CloseWithYes();
        });
      },
      ::testing::ExitedWithCode(0), "^\\[rows 1000000, first digested, last empty\\]$");
}

constexpr int32_t kRowsForTheLongCommands = 2000000;

// Lines with every second one a repeat, so that duplicate removal has rows to drop.
std::string LinesWithRepeats() {
  std::string lines;
  for (int32_t i = 0; i < kRowsForTheLongCommands; ++i) lines += std::to_string(i / 2) + "\r\n";
  return lines;
}

void WriteRowsAndTitle() {
  OwnedText title(ReadWindowTitle(启动窗口));
  std::fprintf(stderr, "[rows %d, %s]", GetRowCount(超级列表框1),
               title && std::string(title.get()).rfind(kTitleRemovingDuplicates, 0) == 0
                   ? "removing"
                   : "other title");
}

// Yes while duplicate removal works through two million rows, answering the window between
// blocks of rows: the process ends with 0 at once, the rows as they were.
TEST(ShellDeathTest, YesWhileDuplicatesAreRemovedEndsWithExitCodeZero) {
  EXPECT_EXIT(
      {
        EndIfStillRunningAfter(std::chrono::seconds(120));
        SetEventPacingForTesting(true);
        RunTheProgramWith([] {
          CallOnUiThread(
              [](void*) {
                LoadLinesIntoList(超级列表框1, "", LinesWithRepeats().c_str());
                RegisterExitRoutine(WriteRowsAndTitle);
                headless::RightClick(超级列表框1);
                headless::ChooseFromPopup(kRemoveDuplicatesEntry);
              },
              nullptr);
          CloseWithYesOnceTitleIs(kTitleRemovingDuplicates);
        });
      },
      ::testing::ExitedWithCode(0), "^\\[rows 2000000, removing\\]$");
}

void WriteRowsAndWhetherImporting() {
  OwnedText title(ReadWindowTitle(启动窗口));
  std::fprintf(stderr, "[rows %d, %s]", GetRowCount(超级列表框1),
               testing::TextOf(title.release()) == kTitleImporting ? "importing" : "other title");
}

// Yes while the import reads a file of several pieces (a sparse one of 256 MiB, read in pieces
// of 8 MiB, between which the window answers): the process ends with 0 at once, the list as it
// was before.
TEST(ShellDeathTest, YesWhileTheImportReadsEndsWithExitCodeZero) {
  static std::string path;
  path = testing::TemporaryDirectory() + "/large.txt";
  testing::WriteWholeFile(path, "");
  std::filesystem::resize_file(path, uint64_t{256} << 20);
  EXPECT_EXIT(
      {
        EndIfStillRunningAfter(std::chrono::seconds(120));
        RunTheProgramWith([] {
          CallOnUiThread(
              [](void*) {
                LoadLinesIntoList(超级列表框1, "", "a\r\nb\r\nc\r\n");
                RegisterExitRoutine(WriteRowsAndWhetherImporting);
                headless::ConfirmNextFileDialog(path);
                headless::RightClick(超级列表框1);
                headless::ChooseFromPopup(kImportEntry);
              },
              nullptr);
          CloseWithYesOnceTitleIs(kTitleImporting);
        });
      },
      ::testing::ExitedWithCode(0), "^\\[rows 3, importing\\]$");
}

// Yes while the export writes two million rows: the process ends with 0 at once, the export's
// temporary file is gone and the file it was to replace holds what it held.
TEST(ShellDeathTest, YesWhileTheExportWritesEndsAndKeepsTheOldFile) {
  // The process that ends is started anew for the death test and runs this test from its
  // beginning: the directory is handed to it, so that both look at the same files.
  static std::string directory, target;
  const char* handed = std::getenv("VX_EXPORT_CLOSE_DIRECTORY");
  directory = handed ? handed : testing::TemporaryDirectory();
  target = directory + "/export.txt";
  if (!handed) {
#if defined(_WIN32)
    _putenv_s("VX_EXPORT_CLOSE_DIRECTORY", directory.c_str());
#else
    setenv("VX_EXPORT_CLOSE_DIRECTORY", directory.c_str(), 1);
#endif
    testing::WriteWholeFile(target, "the old export\r\n");
  }
  EXPECT_EXIT(
      {
        EndIfStillRunningAfter(std::chrono::seconds(120));
        SetEventPacingForTesting(true);
        RunTheProgramWith([] {
          CallOnUiThread(
              [](void*) {
                LoadLinesIntoList(超级列表框1, "", LinesWithRepeats().c_str());
                headless::RightClick(超级列表框1);
                headless::ChooseFromPopup(kStartPassEntry);
              },
              nullptr);
          while (testing::TextOf(ReadWindowTitle(启动窗口)).rfind(kTitlePassCompleteBefore, 0) !=
                 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          CallOnUiThread(
              [](void*) {
                headless::ConfirmNextFileDialog(target);
                headless::RightClick(超级列表框1);
                headless::ChooseFromPopup(kExportEntry);
              },
              nullptr);
          // The export has begun once its temporary file is there.
          auto temporary_there = [] {
            for (const auto& entry : std::filesystem::directory_iterator(directory)) {
              if (entry.path().extension() == ".tmp") return true;
            }
            return false;
          };
          while (!temporary_there()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          CloseWithYes();
        });
      },
      ::testing::ExitedWithCode(0), "^$");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"export.txt"});
  EXPECT_EQ(testing::ReadWholeFile(target), "the old export\r\n");
#if defined(_WIN32)
  _putenv_s("VX_EXPORT_CLOSE_DIRECTORY", "");
#else
  unsetenv("VX_EXPORT_CLOSE_DIRECTORY");
#endif
}
}  // namespace
}  // namespace vx
