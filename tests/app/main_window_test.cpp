// What the main window's layout gives once it is loaded: the popup menu, the busy menu, the two
// dialogs and the state at creation.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "tests/ui/test_window.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"
#include "ui/window_headless.h"

namespace vx {
namespace {

// The popup's lines as text: "-" for a separator, "(greyed)" after a greyed caption.
std::vector<std::string> ShownLines() {
  std::vector<std::string> lines;
  std::vector<headless::ShownPopup> popups = headless::Popups();
  if (popups.empty()) return lines;
  for (const headless::PopupLine& line : popups.back().lines) {
    lines.push_back(line.separator ? "-" : line.caption + (line.greyed ? " (greyed)" : ""));
    EXPECT_FALSE(line.checked);
  }
  return lines;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.layout.list.right_click = [] { PopupMenu(启动窗口, 菜单); };
    window.Load();
  }
  testing::TestWindow window;
};

// The busy and idle menus as the MD5 pass switches them.
void ShowBusyMenu(bool busy) {
  for (UnitRef entry :
       {kImportEntry, kSeparatorAfterImport, kRemoveDuplicatesEntry, kStartPassEntry,
        kSeparatorAfterStartPass, kExportEntry, kSeparatorAfterExport, kClearListEntry}) {
    SetMenuEntryVisible(entry, !busy);
  }
  SetMenuEntryVisible(kUnavailableEntry, busy);
}

TEST_F(MainWindowTest, RightClickShowsFiveCommandsAndFourSeparators) {
  headless::RightClick(超级列表框1);
  std::vector<std::string> idle = {"1导入文本", "-",         "2去重复项", "-",       "3开始加密",
                                   "-",         "4导出结果", "-",         "清空列表"};
  EXPECT_EQ(ShownLines(), idle);
  EXPECT_FALSE(headless::Popups().back().x.has_value());  // at the mouse cursor
}

TEST_F(MainWindowTest, BusyMenuShowsOneSeparatorAndTheGreyedNotice) {
  ShowBusyMenu(true);
  headless::RightClick(超级列表框1);
  std::vector<std::string> busy = {"-", "菜单暂时不可用 (greyed)"};
  EXPECT_EQ(ShownLines(), busy);
  EXPECT_FALSE(headless::ChooseFromPopup(kUnavailableEntry));
  EXPECT_EQ(headless::MenuVisibilityChanges().size(), 9u);

  ShowBusyMenu(false);
  headless::RightClick(超级列表框1);
  EXPECT_EQ(ShownLines().size(), 9u);
  EXPECT_EQ(headless::MenuVisibilityChanges().size(), 18u);
}

// The user browses elsewhere in both dialogs, which the platform's dialog would make the current
// directory; it stays what it was, whether the dialog is confirmed or cancelled.
TEST_F(MainWindowTest, BothDialogsOfferTextFilesFirstAndKeepTheCurrentDirectory) {
  using namespace std::string_literals;
  std::filesystem::path before = std::filesystem::current_path();
  std::string elsewhere = testing::TemporaryDirectory();
  headless::EnterDirectoryInNextFileDialog(elsewhere);
  headless::ConfirmNextFileDialog(elsewhere + "/chosen.txt");
  EXPECT_EQ(ShowFileDialog(通用对话框1), 1);
  EXPECT_EQ(std::filesystem::current_path(), before);
  headless::EnterDirectoryInNextFileDialog(elsewhere);
  headless::CancelNextFileDialog();
  EXPECT_EQ(ShowFileDialog(通用对话框_txt), 0);
  EXPECT_EQ(std::filesystem::current_path(), before);
  auto dialogs = headless::FileDialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_FALSE(dialogs[0].save);
  EXPECT_TRUE(dialogs[1].save);
  // The export's offers its four file types after the one of the import.
  EXPECT_EQ(dialogs[0].filter, "文本文件(*.txt)\0*.txt\0\0"s);
  EXPECT_EQ(dialogs[1].filter.rfind("文本文件(*.txt)\0*.txt\0仅32位MD5"s, 0), 0u);
  for (const FileDialogRequest& dialog : dialogs) {
    EXPECT_EQ(dialog.filter_index, 1);
    EXPECT_EQ(dialog.default_extension, "txt");
    EXPECT_EQ(dialog.title, "");
    EXPECT_EQ(dialog.initial_directory, "");
    EXPECT_EQ(dialog.file_name, "");
    EXPECT_EQ(dialog.flags, kOfnHideReadOnly | kOfnExplorer | kOfnEnableSizing | kOfnFileMustExist |
                                kOfnOverwritePrompt | kOfnPathMustExist | kOfnNoChangeDir);
  }
}

}  // namespace
}  // namespace vx
