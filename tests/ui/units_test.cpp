#include "ui/units.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "runtime/message_box.h"
#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "tests/ui/test_window.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"
#include "ui/window_headless.h"

namespace vx {
namespace {

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;
#endif

std::vector<std::string> events;

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override { events.clear(); }
  testing::TestWindow window;
};

TEST_F(UnitsTest, CreatedIsRaisedOnceWithTheUnitsInPlaceBeforeTheWindowShows) {
  window.layout.created = [] {
    OwnedText title(ReadWindowTitle(启动窗口));
    events.push_back(std::string("created ") + title.get() +
                     (headless::WindowShown() ? " shown" : " hidden"));
  };
  window.Load();
  EXPECT_EQ(events, std::vector<std::string>{"created Vextorin hidden"});
  EXPECT_TRUE(headless::WindowShown());
  EXPECT_TRUE(UnitIsVisible(启动窗口));
  EXPECT_TRUE(UnitIsVisible(超级列表框1));
  EXPECT_EQ(GetRowCount(超级列表框1), 0);

  // Loading again starts afresh: the created event once more, the records and rows anew.
  SetWindowTitle(启动窗口, "changed");
  window.Load();
  EXPECT_EQ(events.size(), 2u);
  EXPECT_TRUE(headless::TitleChanges().empty());
  EXPECT_EQ(testing::TextOf(ReadWindowTitle(启动窗口)), "Vextorin");
}

TEST_F(UnitsTest, TitleIsKeptAndShownAtOnce) {
  window.Load();
  std::string title = "Vextorin     成功导入：12条   请去重后再加密";
  SetWindowTitle(启动窗口, title.c_str());
  title[0] = 'X';  // the window keeps its own copy
  EXPECT_EQ(testing::TextOf(ReadWindowTitle(启动窗口)),
            "Vextorin     成功导入：12条   请去重后再加密");
  SetWindowTitle(启动窗口, "");
  EXPECT_EQ(ReadWindowTitle(启动窗口), nullptr);
  auto titles = headless::TitleChanges();
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0].title, "Vextorin     成功导入：12条   请去重后再加密");
  EXPECT_EQ(titles[1].title, "");
}

TEST_F(UnitsTest, TitleAndMenuWritesFromAWorkerAreCarriedOutOnTheUiThread) {
  window.Load();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    SetWindowTitle(启动窗口, "Vextorin     加密完成：3条   请右键导出结果");
    SetMenuEntryVisible(kUnavailableEntry, true);
    done = true;
  });
  while (!done.load()) headless::Pump();
  worker.join();
  auto titles = headless::TitleChanges();
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].title, "Vextorin     加密完成：3条   请右键导出结果");
  EXPECT_TRUE(titles[0].on_ui_thread);
  auto changes = headless::MenuVisibilityChanges();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_TRUE(changes[0].on_ui_thread);
  EXPECT_EQ(MenuEntryFlags(kUnavailableEntry), kEntryDisabled);
}

TEST_F(UnitsTest, MenuVisibilityWritesChangeOnlyTheHiddenBitAndOnlyWhenItDiffers) {
  window.Load();
  EXPECT_EQ(MenuEntryFlags(kUnavailableEntry), kEntryHidden | kEntryDisabled);
  SetMenuEntryVisible(kUnavailableEntry, false);  // already hidden
  SetMenuEntryVisible(kImportEntry, true);        // already visible
  EXPECT_TRUE(headless::MenuVisibilityChanges().empty());

  SetMenuEntryVisible(kSeparatorAfterImport, false);
  SetUnitVisible(kSeparatorAfterImport, true);  // the common visible property of an entry
  EXPECT_EQ(MenuEntryFlags(kSeparatorAfterImport), kEntryDisabled);
  EXPECT_TRUE(UnitIsVisible(kSeparatorAfterImport));
  std::vector<std::string> expected = {"menu 6 0", "menu 6 1"};
  std::vector<std::string> requests = headless::Requests();
  EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()), expected);
}

TEST_F(UnitsTest, ListVisibilityReachesTheWindowEveryTime) {
  window.Load();
  SetUnitVisible(超级列表框1, false);
  EXPECT_FALSE(UnitIsVisible(超级列表框1));
  SetUnitVisible(超级列表框1, true);
  SetUnitVisible(超级列表框1, true);
  auto changes = headless::UnitVisibilityChanges();
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_FALSE(changes[0].visible);
  EXPECT_TRUE(changes[2].visible);
  EXPECT_TRUE(changes[2].unit == 超级列表框1);
}

TEST_F(UnitsTest, DialogsKeepTheirModeAndFileName) {
  window.Load();
  EXPECT_EQ(DialogMode(通用对话框1), kOpenFileMode);
  EXPECT_EQ(DialogMode(通用对话框_txt), kSaveFileMode);
  EXPECT_EQ(ReadDialogFileName(通用对话框_txt), nullptr);
  SetDialogMode(通用对话框_txt, kOpenFileMode);
  SetDialogFileName(通用对话框_txt, "2024年3月5日导出的MD5加密结果.txt");
  EXPECT_EQ(DialogMode(通用对话框_txt), kOpenFileMode);
  EXPECT_EQ(testing::TextOf(ReadDialogFileName(通用对话框_txt)),
            "2024年3月5日导出的MD5加密结果.txt");
  EXPECT_EQ(ReadDialogFileName(通用对话框1), nullptr);
}

TEST_F(UnitsTest, ChosenIsRaisedFromTheQueueAfterThePopupHasReturned) {
  window.layout.list.right_click = [] {
    events.push_back("right click");
    PopupMenu(启动窗口, 菜单);
    events.push_back("popup returned");
  };
  window.Entry(kExportEntry).chosen = [] { events.push_back("export"); };
  window.Entry(kImportEntry).chosen = [] { events.push_back("import"); };
  window.Load();

  headless::RightClick(超级列表框1);
  EXPECT_FALSE(headless::ChooseFromPopup(kSeparatorAfterExport));
  EXPECT_FALSE(headless::ChooseFromPopup(kUnavailableEntry));  // hidden: not in the popup
  ASSERT_TRUE(headless::ChooseFromPopup(kExportEntry));
  EXPECT_FALSE(headless::ChooseFromPopup(kImportEntry));  // the popup has closed
  std::vector<std::string> before_pump = {"right click", "popup returned"};
  EXPECT_EQ(events, before_pump);
  headless::Pump();
  std::vector<std::string> after_pump = {"right click", "popup returned", "export"};
  EXPECT_EQ(events, after_pump);

  // A popup dismissed without a choice runs no handler.
  headless::RightClick(超级列表框1);
  headless::Pump();
  EXPECT_EQ(events.size(), 5u);
  EXPECT_EQ(headless::Popups().size(), 2u);
}

TEST_F(UnitsTest, CloseQueryRefusalKeepsTheWindowAndItsRows) {
  window.layout.close_query = [] {
    events.push_back("close query");
    return false;
  };
  window.Load();
  WriteListItems(超级列表框1, testing::AsByteData(testing::ImportedRow(1, "a")).get());
  EXPECT_FALSE(headless::RequestClose());
  EXPECT_FALSE(headless::WindowClosed());
  EXPECT_EQ(events, std::vector<std::string>{"close query"});
  EXPECT_EQ(GetRowCount(超级列表框1), 1);
  EXPECT_EQ(testing::TextOf(ReadWindowTitle(启动窗口)), "Vextorin");
}

TEST_F(UnitsTest, CloseGoesOnWhenTheHandlerAgreesOrThereIsNone) {
  window.layout.close_query = [] { return true; };
  window.Load();
  EXPECT_TRUE(headless::RequestClose());
  EXPECT_TRUE(headless::WindowClosed());

  window.layout.close_query = nullptr;
  window.Load();
  EXPECT_TRUE(headless::RequestClose());
}

TEST_F(UnitsTest, TheMessageLoopRunsWorkOfOtherThreadsUntilTheWindowCloses) {
  window.Load();
  std::thread worker([] {
    SetWindowTitle(启动窗口, "from the worker");
    headless::QuitMessageLoop();
  });
  RunMessageLoop();
  worker.join();
  EXPECT_EQ(testing::TextOf(ReadWindowTitle(启动窗口)), "from the worker");
}

// The box that the test handler records for a fatal error with `message` at the list.
std::string FatalBox(const std::string& message, const std::string& location) {
  return testing::FatalBoxRecord("运行时出错!\r\n\r\n错误信息：" + message + "\r\n\r\n" + location);
}

using UnitsDeathTest = UnitsTest;

TEST_F(UnitsDeathTest, UnitsThatAreNotLoadedAreFatalErrors) {
  window.Load();
  EXPECT_EXIT(SetWindowTitle({0x02000002, 0}, "x"), ::testing::ExitedWithCode(kFatalExitCode),
              FatalBox("未载入欲访问窗口组件所在的窗口", "33554434, 0\r\n未找到所指定的窗口\r\n"));
  EXPECT_EXIT(SetDialogMode(超级列表框1, kSaveFileMode), ::testing::ExitedWithCode(kFatalExitCode),
              FatalBox("修改组件属性时发现指定窗口尚未载入",
                       "33554433, 3\r\n\"启动窗口\"\r\n\"超级列表框1\"\r\n"));
  EXPECT_EXIT(ReadDialogFileName({kMainWindowId, 99}), ::testing::ExitedWithCode(kFatalExitCode),
              FatalBox("读取组件属性时发现指定窗口尚未载入",
                       "33554433, 99\r\n\"启动窗口\"\r\n未找到所指定的窗口组件\r\n"));
  EXPECT_EXIT(MenuEntryFlags(超级列表框1), ::testing::ExitedWithCode(kFatalExitCode),
              FatalBox("读取组件属性时发现指定窗口尚未载入",
                       "33554433, 3\r\n\"启动窗口\"\r\n\"超级列表框1\"\r\n"));
}

TEST_F(UnitsDeathTest, AWindowThatCannotBeBuiltIsAFatalError) {
  EXPECT_EXIT(
      {
        headless::FailNextWindowCreation();
        window.Load();
      },
      ::testing::ExitedWithCode(kFatalExitCode), FatalBox("载入启动窗口失败", "0, 0\r\n"));
}

}  // namespace
}  // namespace vx
