// The Win32 window in its own process (Windows and Wine only): the list view shows the row store
// through its owner-data requests, changed cells are repainted by the timer, the popup's choice
// arrives after the popup has returned, the dialogs hand back the chosen path, and the close
// request goes through the close query. A helper thread plays the user on the modal loops.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/export.h"
#include "pipeline/import.h"
#include "pipeline/md5_pass.h"
#include "pipeline/pipeline_state.h"
#include "tests/pipeline/reference_md5.h"
#include "tests/test_support.h"
#include "tests/ui/items_image.h"
#include "tests/ui/test_window.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"
#include "ui/window_win32.h"

namespace vx {
namespace {

std::vector<std::string> events;

HWND MainWindow() {
  return FindWindowA("VextorinWindow", nullptr);
}

HWND ListView() {
  return FindWindowExA(MainWindow(), nullptr, WC_LISTVIEWA, nullptr);
}

// Handles this thread's messages until `condition` holds; false after `timeout_ms`.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeout_ms = 5000) {
  for (DWORD start = GetTickCount();;) {
    ProcessPendingEvents();
    if (condition()) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// A visible top-level window of this process with `class_name` (and that owner, unless null).
HWND WaitForOwnWindow(const char* class_name, HWND owner = nullptr, DWORD timeout_ms = 5000) {
  struct Search {
    const char* class_name;
    HWND owner;
    HWND found;
  } search = {class_name, owner, nullptr};
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(10)) {
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
          auto* search = reinterpret_cast<Search*>(context);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          char name[64] = "";
          GetClassNameA(window, name, sizeof name);
          if (pid != GetCurrentProcessId() || !IsWindowVisible(window) ||
              lstrcmpA(name, search->class_name) != 0 ||
              (search->owner && GetWindow(window, GW_OWNER) != search->owner)) {
            return TRUE;
          }
          search->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
  }
  return nullptr;
}

// The first descendant of `parent` with this id and class, or null.
HWND FindDescendant(HWND parent, int id, const char* class_name) {
  struct Search {
    int id;
    const char* class_name;
    HWND found;
  } search = {id, class_name, nullptr};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (GetDlgCtrlID(window) != search->id || lstrcmpA(name, search->class_name) != 0) {
          return TRUE;
        }
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PostKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

std::string ListCell(int row, int column) {
  char text[1024] = "";
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(ListView(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int ListCount() {
  return static_cast<int>(SendMessageA(ListView(), LVM_GETITEMCOUNT, 0, 0));
}

std::string Rows(int count) {
  std::string image;
  for (int i = 1; i <= count; ++i) image += testing::ImportedRow(i, "text " + std::to_string(i));
  return image;
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { events.clear(); }
  testing::TestWindow window;
};

TEST_F(Win32WindowTest, TheListShowsTheRowStore) {
  window.Load();
  ASSERT_NE(ListView(), nullptr);
  EXPECT_EQ(ListCount(), 0);

  std::string long_text(600, 'x');
  WriteListItems(超级列表框1, testing::AsByteData(testing::ImportedRow(1, "13800138000") +
                                                  testing::ImportedRow(2, "张三") +
                                                  testing::ImportedRow(3, long_text))
                                  .get());
  EXPECT_EQ(ListCount(), 3);
  EXPECT_EQ(ListCell(0, 0), "1");
  EXPECT_EQ(ListCell(0, 1), "13800138000");
  EXPECT_EQ(ListCell(1, 1), "张三");  // GBK bytes as they are
  EXPECT_EQ(ListCell(2, 1), long_text);
  EXPECT_EQ(ListCell(2, 2), "");

  // A worker's cell writes reach the view without a round trip to the UI thread.
  std::thread worker([] { SetCellText(超级列表框1, 1, 2, "0123456789abcdef0123456789abcdef"); });
  worker.join();
  EXPECT_EQ(ListCell(1, 2), "0123456789abcdef0123456789abcdef");

  DeleteAllRows(超级列表框1);
  EXPECT_EQ(ListCount(), 0);
}

TEST_F(Win32WindowTest, ChangedCellsAreRepaintedByTheTimer) {
  window.Load();
  WriteListItems(超级列表框1, testing::AsByteData(Rows(50)).get());
  HWND list = ListView();
  UpdateWindow(list);
  ASSERT_FALSE(GetUpdateRect(list, nullptr, FALSE));

  // Only the timer may repaint here: dispatch nothing but its ticks.
  auto run_timer_ticks = [](DWORD milliseconds) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
      MSG message;
      while (PeekMessageA(&message, MainWindow(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
        DispatchMessageA(&message);
      }
      Sleep(5);
    }
  };
  run_timer_ticks(100);
  EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE)) << "repainted without a change";

  std::thread worker([] {
    for (int row = 0; row < 50; ++row) SetCellText(超级列表框1, row, 2, "digest");
  });
  worker.join();
  EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE)) << "a cell write repainted at once";
  run_timer_ticks(100);
  RECT invalid = {};
  EXPECT_TRUE(GetUpdateRect(list, &invalid, FALSE));
  EXPECT_EQ(ListCell(49, 2), "digest");
}

TEST_F(Win32WindowTest, EnsureRowVisibleScrollsTheWholeRowIntoView) {
  window.Load();
  WriteListItems(超级列表框1, testing::AsByteData(Rows(1000)).get());
  HWND list = ListView();
  EnsureRowVisible(超级列表框1, 999);
  auto top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  auto per_page = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(top, 0);
  EXPECT_LT(999, top + per_page);  // fully in view, not cut at the bottom

  EnsureRowVisible(超级列表框1, 1000);  // no such row: the list stays where it is
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), top);

  // New rows start again at the top.
  WriteListItems(超级列表框1, testing::AsByteData(Rows(1000)).get());
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(Win32WindowTest, TheInfoTipComesFromTheStoredImage) {
  window.Load();
  WriteListItems(超级列表框1, testing::AsByteData(testing::RowEntry("1", "提示")).get());
  char tip[16] = "as filled";
  NMLVGETINFOTIPA request = {};
  request.hdr.hwndFrom = ListView();
  request.hdr.idFrom = 超级列表框1.unit;
  request.hdr.code = LVN_GETINFOTIPA;
  request.pszText = tip;
  request.cchTextMax = sizeof tip;
  request.iItem = 0;
  SendMessageA(MainWindow(), WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
  EXPECT_STREQ(tip, "提示");

  std::strcpy(tip, "as filled");
  request.iItem = 1;  // no such row entry: the buffer stays as the list filled it
  SendMessageA(MainWindow(), WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
  EXPECT_STREQ(tip, "as filled");
}

// Right-clicks the list at `at`; the helper picks an entry with `keys` once the menu shows. Two
// clicks at one place within the double-click time would make a double click, which opens no
// menu.
void RightClickAndPick(POINT at, std::vector<WPARAM> keys) {
  std::thread user([keys] {
    HWND menu = WaitForOwnWindow("#32768");
    if (!menu) return;
    for (WPARAM key : keys) PostKey(menu, key);
  });
  PostMessageA(ListView(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageA(ListView(), WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  PumpUntil([] { return events.size() >= 2; });
  user.join();
}

TEST_F(Win32WindowTest, TheChosenEntryIsRaisedAfterThePopupHasReturned) {
  window.layout.list.right_click = [] {
    events.push_back("right click");
    PopupMenu(启动窗口, 菜单);
    events.push_back("popup returned");
  };
  window.Entry(kImportEntry).chosen = [] { events.push_back("import"); };
  window.Entry(kRemoveDuplicatesEntry).chosen = [] { events.push_back("remove duplicates"); };
  window.Load();

  // The second command, past the separator under the first.
  RightClickAndPick({100, 200}, {VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(PumpUntil([] { return events.size() == 3; }, 2000));
  std::vector<std::string> picked = {"right click", "popup returned", "remove duplicates"};
  EXPECT_EQ(events, picked);

  events.clear();
  RightClickAndPick({300, 320}, {VK_ESCAPE});
  PumpUntil([] { return false; }, 200);
  std::vector<std::string> dismissed = {"right click", "popup returned"};
  EXPECT_EQ(events, dismissed);
}

TEST_F(Win32WindowTest, APopupOpensWhereItIsToldAndHoldsTheVisibleEntries) {
  window.Load();
  SetMenuEntryVisible(kImportEntry, false);
  SetMenuEntryVisible(kUnavailableEntry, true);
  struct Seen {
    RECT place;
    int count;
  };
  Seen seen = {{}, -1};
  std::thread user([&seen] {
    HWND menu = WaitForOwnWindow("#32768");
    if (!menu) return;
    GetWindowRect(menu, &seen.place);
    auto handle = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
    seen.count = handle ? GetMenuItemCount(handle) : -2;
    PostKey(menu, VK_ESCAPE);
  });
  PopupMenu(启动窗口, 菜单, 100, 120);
  user.join();
  EXPECT_EQ(seen.place.left, 100);
  EXPECT_EQ(seen.place.top, 120);
  EXPECT_EQ(seen.count, 9);  // one command hidden, the greyed notice shown
}

// Answers the next open or save dialog of the main window with `typed` and `button`.
std::thread AnswerFileDialog(std::string typed, int button) {
  HWND main_window = MainWindow();
  return std::thread([main_window, typed, button] {
    HWND dialog = WaitForOwnWindow("#32770", main_window);
    if (!dialog) return;
    // The explorer-style dialog nests ComboBoxEx32, ComboBox and Edit, all with id 0x47C; it
    // may still be filling them when it shows.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(20)) {
      HWND edit = FindDescendant(dialog, 0x47C, "Edit");
      if (!edit) continue;
      SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
      char back[MAX_PATH] = "";
      GetWindowTextA(edit, back, sizeof back);
      if (typed == back) break;
    }
    HWND ok = FindDescendant(dialog, button, "Button");  // the toolbar has id 1 too
    PostMessageA(ok, BM_CLICK, 0, 0);
  });
}

TEST_F(Win32WindowTest, TheOpenDialogHandsBackTheChosenPath) {
  window.Load();
  std::string path = testing::TemporaryDirectory() + "\\样本.txt";
  testing::WriteWholeFile(path, "1\r\n");

  std::thread user = AnswerFileDialog(path, IDOK);
  EXPECT_EQ(ShowFileDialog(通用对话框1), 1);
  user.join();
  EXPECT_EQ(testing::TextOf(ReadDialogFileName(通用对话框1)), path);

  user = AnswerFileDialog("", IDCANCEL);
  EXPECT_EQ(ShowFileDialog(通用对话框1), 0);
  user.join();
  EXPECT_EQ(testing::TextOf(ReadDialogFileName(通用对话框1)), path);
}

std::string MainTitle() {
  char title[256] = "";
  GetWindowTextA(MainWindow(), title, sizeof title);
  return title;
}

// The row that the list view's type-to-find asks the window for.
LRESULT FindTyped(const char* typed, UINT flags, int start = 0) {
  NMLVFINDITEMA request = {};
  request.hdr.hwndFrom = ListView();
  request.hdr.idFrom = 超级列表框1.unit;
  request.hdr.code = LVN_ODFINDITEMA;
  request.iStart = start;
  request.lvfi.flags = flags;
  request.lvfi.psz = typed;
  return SendMessageA(MainWindow(), WM_NOTIFY, request.hdr.idFrom,
                      reinterpret_cast<LPARAM>(&request));
}

// Type-to-find asks for a number's beginning with LVFI_PARTIAL, or with LVFI_SUBSTRING (0x4),
// which Windows documents as the same search from Vista on.
TEST_F(Win32WindowTest, TypeToFindAnswersPartialAndSubstringSearches) {
  window.Load();
  WriteListItems(超级列表框1, testing::AsByteData(Rows(30)).get());
  EXPECT_EQ(FindTyped("2", LVFI_PARTIAL | LVFI_WRAP), 1);
  EXPECT_EQ(FindTyped("25", 0x4 | LVFI_WRAP), 24);
  EXPECT_EQ(FindTyped("25", LVFI_STRING), -1);  // an exact search is never asked of this list
}

// An owner-data list view holds at most 100,000,000 rows, and a longer count would leave it
// empty. With that limit lowered: the view holds the first rows up to it, while the titles, the
// MD5 pass and the export cover every row.
TEST_F(Win32WindowTest, TheViewHoldsItsLimitWhileTheCommandsCoverEveryRow) {
  constexpr int kLimit = 1000, kRows = 1500;
  win32::SetListViewRowLimitForTesting(kLimit);
  if (row_lock == 0) {  // the shell's created handler makes them in the program
    row_lock = CreateLock();
    done_lock = CreateLock();
  }
  window.Load();
  std::string directory = testing::TemporaryDirectory();
  std::string lines;
  for (int row = 1; row <= kRows; ++row) lines += "text " + std::to_string(row) + "\r\n";
  testing::WriteWholeFile(directory + "\\rows.txt", lines);

  ImportDroppedFile((directory + "\\rows.txt").c_str());
  EXPECT_EQ(MainTitle(), "Vextorin     成功导入：1500条   请去重后再加密");
  EXPECT_EQ(GetRowCount(超级列表框1), kRows);
  EXPECT_EQ(ListCount(), kLimit);
  auto top = static_cast<int>(SendMessageA(ListView(), LVM_GETTOPINDEX, 0, 0));
  auto per_page = static_cast<int>(SendMessageA(ListView(), LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_EQ(top + per_page, kLimit);  // the last row of the view is the one scrolled into view
  EXPECT_EQ(FindTyped("1200", LVFI_PARTIAL | LVFI_WRAP), -1);  // not in the view
  EXPECT_EQ(FindTyped("12", LVFI_PARTIAL | LVFI_WRAP), 11);

  StartMd5Pass();
  const std::string complete = "Vextorin     加密完成：1500条   请右键导出结果";
  EXPECT_TRUE(PumpUntil([&] { return MainTitle() == complete; }, 30000)) << MainTitle();
  EXPECT_EQ(testing::TextOf(GetCellText(超级列表框1, kRows - 1, 2)),
            testing::ReferenceMd5("text 1500"));

  std::string exported = directory + "\\exported.txt";
  std::thread user = AnswerFileDialog(exported, IDOK);
  ExportResults();
  user.join();
  std::string file = testing::ReadWholeFile(exported);
  std::string digest = testing::ReferenceMd5("text 1500");
  std::string last = "text 1500----" + digest + "----" + digest.substr(8, 16) + "\r\n";
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), kRows);
  EXPECT_EQ(file.substr(file.size() - last.size()), last);
  EXPECT_EQ(MainTitle(), "Vextorin     加密完成：1500条   该数据已导出");
  win32::SetListViewRowLimitForTesting(0);
}

TEST_F(Win32WindowTest, EscAsksTheCloseQueryAndARefusalKeepsTheWindow) {
  window.layout.close_query = [] {
    events.push_back("close query");
    return false;
  };
  window.Load();
  PostKey(ListView(), VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([] { return !events.empty(); }));
  EXPECT_TRUE(IsWindow(MainWindow()));
  EXPECT_EQ(events, std::vector<std::string>{"close query"});
}

TEST_F(Win32WindowTest, PendingEventsAreHandledUpToAQuitWhichStaysQueued) {
  window.layout.close_query = [] {
    events.push_back("close query");
    return false;
  };
  window.Load();
  PostQuitMessage(3);
  PostKey(ListView(), VK_ESCAPE);  // handled as the message loop does: a close request
  ProcessPendingEvents();
  EXPECT_EQ(events, std::vector<std::string>{"close query"});
  MSG message = {};
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 3u);
}

TEST_F(Win32WindowTest, AnAgreedCloseDestroysTheWindowAndEndsTheLoop) {
  window.layout.close_query = [] {
    events.push_back("close query");
    return true;
  };
  window.Load();
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  RunMessageLoop();
  EXPECT_EQ(events, std::vector<std::string>{"close query"});
  EXPECT_EQ(MainWindow(), nullptr);

  // Logging off ends the session without the question.
  window.Load();
  events.clear();
  EXPECT_TRUE(SendMessageA(MainWindow(), WM_QUERYENDSESSION, 0, 0));
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace vx
