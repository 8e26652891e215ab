#include "ui/window_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "runtime/message_box.h"
#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "tests/ui/test_window.h"
#include "ui/window_headless.h"

namespace vx {
namespace {

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;
#endif

class WindowCommandsTest : public ::testing::Test {
 protected:
  testing::TestWindow window;
};

TEST_F(WindowCommandsTest, MessageBoxesAreTaskModalUnlessSystemModal) {
  window.Load();
  ShowMessageBox("您确定要关闭本程序吗？\r\n软件官网：", 0x24, "询问");
  ShowMessageBox("system", 0x1010, "x");
  ShowMessageBox("already task-modal", 0x2030, "x");
  ShowMessageBox(nullptr, 0x40);
  ShowMessageBox("no caption text", 0, nullptr);
  auto boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].style, 0x2024u);
  EXPECT_EQ(boxes[0].caption, "询问");
  EXPECT_EQ(boxes[0].text, "您确定要关闭本程序吗？\r\n软件官网：");
  EXPECT_EQ(boxes[1].style, 0x1010u);
  EXPECT_EQ(boxes[2].style, 0x2030u);
  EXPECT_EQ(boxes[3].caption, "信息：");
  EXPECT_EQ(boxes[3].text, "");
  EXPECT_EQ(boxes[4].caption, "");
}

TEST_F(WindowCommandsTest, PendingEventsAreProcessedOnlyOnTheUiThread) {
  window.Load();
  for (int i = 0; i < 3; ++i) ProcessPendingEvents();
  std::thread worker([] { ProcessPendingEvents(); });
  worker.join();
  EXPECT_EQ(headless::PendingEventRuns(), 3);
}

TEST_F(WindowCommandsTest, RedrawIsForbiddenForOneWindowAtATime) {
  window.Load();
  ForbidRedraw(超级列表框1);
  ForbidRedraw(启动窗口);  // another window is locked: no effect
  ASSERT_TRUE(headless::RedrawForbiddenUnit().has_value());
  EXPECT_TRUE(*headless::RedrawForbiddenUnit() == 超级列表框1);
  AllowRedraw(超级列表框1);
  EXPECT_FALSE(headless::RedrawForbiddenUnit().has_value());
  ForbidRedraw(通用对话框1);  // no window of its own
  EXPECT_FALSE(headless::RedrawForbiddenUnit().has_value());
}

TEST_F(WindowCommandsTest, PopupMenuShowsNothingForMenusItCannotUse) {
  window.Load();
  PopupMenu(启动窗口, kImportEntry);             // an entry: nothing one level deeper
  PopupMenu(启动窗口, {0x02000002, 菜单.unit});  // another window's menu
  PopupMenu(启动窗口, {kMainWindowId, 77});      // no such unit
  EXPECT_TRUE(headless::Popups().empty());
  PopupMenu(启动窗口, 菜单, 10, 20);
  auto popups = headless::Popups();
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].x, 10);
  EXPECT_EQ(popups[0].y, 20);

  // A menu without entries shows nothing.
  window.entries.clear();
  window.Load();
  PopupMenu(启动窗口, 菜单);
  EXPECT_TRUE(headless::Popups().empty());
}

TEST_F(WindowCommandsTest, PopupKeepsEveryVisibleSeparatorAndTheEntryBits) {
  window.Entry(kImportEntry).flags = kEntryChecked;
  window.Entry(kRemoveDuplicatesEntry).flags = kEntryHidden;
  window.Entry(kStartPassEntry).flags = kEntryHidden;
  window.Load();
  PopupMenu(启动窗口, 菜单);
  auto popups = headless::Popups();
  ASSERT_EQ(popups.size(), 1u);
  auto& lines = popups[0].lines;
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_TRUE(lines[0].checked);
  EXPECT_FALSE(lines[0].greyed);
  // The separators after the two hidden commands meet, and neither is dropped.
  EXPECT_TRUE(lines[1].separator && lines[2].separator && lines[3].separator);
  EXPECT_FALSE(lines[1].greyed);  // a separator's stored disabled bit shows nothing
  EXPECT_EQ(lines[4].caption, "4导出结果");
  EXPECT_TRUE(lines[5].separator);
  EXPECT_EQ(lines[6].caption, "清空列表");
}

TEST_F(WindowCommandsTest, ConfirmedDialogsKeepThePathAndCancelledOnesLeaveIt) {
  window.Load();
  headless::ConfirmNextFileDialog("C:\\data\\phones.txt");
  EXPECT_EQ(ShowFileDialog(通用对话框1), 1);
  EXPECT_EQ(testing::TextOf(ReadDialogFileName(通用对话框1)), "C:\\data\\phones.txt");

  headless::CancelNextFileDialog();
  EXPECT_EQ(ShowFileDialog(通用对话框1), 0);
  EXPECT_EQ(testing::TextOf(ReadDialogFileName(通用对话框1)), "C:\\data\\phones.txt");
  EXPECT_EQ(ShowFileDialog(通用对话框1), 0);  // no answer scripted: cancelled as well

  auto dialogs = headless::FileDialogs();
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[0].file_name, "");
  EXPECT_EQ(dialogs[1].file_name, "C:\\data\\phones.txt");  // proposes the file chosen before
}

TEST_F(WindowCommandsTest, SaveModeAndTheProposedName) {
  window.Load();
  SetDialogMode(通用对话框_txt, kSaveFileMode);
  SetDialogFileName(通用对话框_txt, "2024年3月5日导出的MD5加密结果.txt");
  headless::ConfirmNextFileDialog("C:\\out\\2024年3月5日导出的MD5加密结果.txt");
  EXPECT_EQ(ShowFileDialog(通用对话框_txt), 1);
  auto dialogs = headless::FileDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(dialogs[0].save);
  EXPECT_EQ(dialogs[0].file_name, "2024年3月5日导出的MD5加密结果.txt");

  // A name longer than the path buffer is cut, and never inside a two-byte character.
  std::string long_name = std::string(258, 'a') + "\xb5\xbc" + "rest.txt";
  SetDialogFileName(通用对话框_txt, long_name.c_str());
  ShowFileDialog(通用对话框_txt);
  EXPECT_EQ(headless::FileDialogs()[1].file_name, std::string(258, 'a'));
  long_name = std::string(257, 'a') + "\xb5\xbc" + "rest.txt";
  SetDialogFileName(通用对话框_txt, long_name.c_str());
  ShowFileDialog(通用对话框_txt);
  EXPECT_EQ(headless::FileDialogs()[2].file_name, std::string(257, 'a') + "\xb5\xbc");

  // The font and help kinds are not file dialogs: nothing shows.
  SetDialogMode(通用对话框_txt, 2);
  EXPECT_EQ(ShowFileDialog(通用对话框_txt), 0);
  EXPECT_EQ(headless::FileDialogs().size(), 3u);
}

// The filter list and index that a dialog with `filter` and `initial_filter` asks for.
std::pair<std::string, int32_t> FilterOf(testing::TestWindow& window, const char* filter,
                                         int32_t initial_filter) {
  window.Dialog(通用对话框1).filter = filter;
  window.Dialog(通用对话框1).initial_filter = initial_filter;
  window.Load();
  ShowFileDialog(通用对话框1);
  FileDialogRequest request = headless::FileDialogs().at(0);
  return {request.filter, request.filter_index};
}

TEST_F(WindowCommandsTest, FiltersBecomeThePlatformsListOfPairs) {
  using namespace std::string_literals;
  EXPECT_EQ(FilterOf(window, "文本文件(*.txt)|*.txt", 0),
            std::pair("文本文件(*.txt)\0*.txt\0\0"s, 1));
  EXPECT_EQ(FilterOf(window, "a|*.a|b|*.b||", 1), std::pair("a\0*.a\0b\0*.b\0\0"s, 2));
  EXPECT_EQ(FilterOf(window, "a|*.a \t\r\n", -1), std::pair("a\0*.a\0\0"s, 1));
  EXPECT_EQ(FilterOf(window, "", 3), std::pair(""s, 0));
  EXPECT_EQ(FilterOf(window, "  ", 3), std::pair(""s, 0));
  // 0x81 0x7C is one character whose trail byte is a vertical bar's.
  EXPECT_EQ(FilterOf(window, "desc\x81|x|*.x", 0), std::pair("desc\x81|x\0*.x\0\0"s, 1));
}

using WindowCommandsDeathTest = WindowCommandsTest;

TEST_F(WindowCommandsDeathTest, CommandsOnAWindowThatIsNotLoadedAreFatalErrors) {
  window.Load();
  std::string box = testing::FatalBoxRecord(
      "运行时出错!\r\n\r\n错误信息：未载入欲访问窗口组件所在的窗口\r\n\r\n33554434, 3\r\n"
      "未找到所指定的窗口\r\n");
  EXPECT_EXIT(ForbidRedraw({0x02000002, 3}), ::testing::ExitedWithCode(kFatalExitCode), box);
  EXPECT_EXIT(PopupMenu({0x02000002, 3}, 菜单), ::testing::ExitedWithCode(kFatalExitCode), box);
  EXPECT_EXIT(ShowFileDialog({0x02000002, 3}), ::testing::ExitedWithCode(kFatalExitCode), box);
}

}  // namespace
}  // namespace vx
