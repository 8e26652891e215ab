// Vextorin's list and its popup menu as a user meets them before any import: the owner-data
// report list with its four columns, and the menu that a right click on the list opens, wherever
// in the list it lands; closing the menu runs nothing.
#include <windows.h>

#include <commctrl.h>

#include <iterator>

#include "tests/e2e/actions.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

namespace {

constexpr RECT kListPlace = {5, 2, 5 + 618, 2 + 448};
constexpr LONG kListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                            WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA;
constexpr DWORD kListExtendedStyle =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct ExpectedColumn {
  const char* header;
  int width;
};
constexpr ExpectedColumn kColumns[] = {
    {"序号", 68}, {"文本", 150}, {"32位MD5", 220}, {"16位MD5", 160}};

// The idle menu, top to bottom; null for a separator.
constexpr const char* kIdleMenu[] = {"1导入文本", nullptr,     "2去重复项", nullptr,   "3开始加密",
                                     nullptr,     "4导出结果", nullptr,     "清空列表"};

LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wparam, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result);
  return static_cast<LRESULT>(result);
}

void CheckList(TargetProcess& target, const RunSettings& settings, HWND window, HWND list) {
  RECT place = {};
  GetWindowRect(list, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
  Step(EqualRect(&place, &kListPlace) != FALSE, "list at 5, 2, 618 x 448 in the client area",
       "%ld, %ld, %ld x %ld", place.left, place.top, place.right - place.left,
       place.bottom - place.top);

  auto style = GetWindowLongA(list, GWL_STYLE);
  auto extended = GetWindowLongA(list, GWL_EXSTYLE);
  Step(style == kListStyle && !(extended & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)),
       "owner-data report list, one selected row at most, thin border, in the Tab order",
       "style %08lx, extended %08lx", style, extended);
  auto list_extended = static_cast<DWORD>(Ask(list, LVM_GETEXTENDEDLISTVIEWSTYLE));
  Step(list_extended == kListExtendedStyle,
       "full-row selection, grid lines, info tips, sub-item images, no header dragging", "%08lx",
       list_extended);
  auto text = static_cast<COLORREF>(Ask(list, LVM_GETTEXTCOLOR));
  auto text_background = static_cast<COLORREF>(Ask(list, LVM_GETTEXTBKCOLOR));
  auto background = static_cast<COLORREF>(Ask(list, LVM_GETBKCOLOR));
  Step(text == RGB(0, 0, 0) && text_background == kWhite && background == kWhite,
       "black text on white", "text %06lx on %06lx, background %06lx", text, text_background,
       background);

  auto header = reinterpret_cast<HWND>(Ask(list, LVM_GETHEADER));
  auto header_style = header ? GetWindowLongA(header, GWL_STYLE) : 0;
  Step(header && (header_style & HDS_BUTTONS), "header items are push buttons",
       "header style %08lx", header_style);
  int count = header ? static_cast<int>(Ask(header, HDM_GETITEMCOUNT)) : -1;
  bool same = count == static_cast<int>(std::size(kColumns));
  std::string seen;
  for (int i = 0; same && i < count; ++i) {
    ListColumn column = {};
    same = ReadListColumn(target, list, i, &column) && column.header == kColumns[i].header &&
           column.width == kColumns[i].width && (column.format & LVCFMT_JUSTIFYMASK) == 0;
    seen += column.header + " " + std::to_string(column.width) + "; ";
  }
  Step(same, "four left-aligned columns: 序号 68, 文本 150, 32位MD5 220, 16位MD5 160",
       "%d columns: %s", count, seen.c_str());

  // Press the middle of "文本" and drag it past "32位MD5": a list that allowed it would now show
  // the columns in another order. Clicking a header sorts nothing either.
  RECT header_place = {};
  GetWindowRect(header, &header_place);
  POINT press = {header_place.left + 68 + 75, (header_place.top + header_place.bottom) / 2};
  DragWithMouse(press, 260, 0);
  std::vector<int> order;
  bool read = ReadColumnOrder(target, list, 4, &order);
  Step(read && order == std::vector<int>{0, 1, 2, 3},
       "dragging a header item leaves the columns in their order", "%d %d %d %d", order[0],
       order[1], order[2], order[3]);
  ListColumn text_column = {};
  bool text_column_read = ReadListColumn(target, list, 1, &text_column);
  Step(text_column_read && text_column.width == 150 && ListRowCount(list) == 0,
       "clicking and dragging the header changes nothing else", "文本 %d wide", text_column.width);

  WindowDetails details = {};
  Step(ReadWindowDetails(target, settings.probe_dll, list, &details) && details.default_gui_font,
       "list font is DEFAULT_GUI_FONT");
  Step(ListRowCount(list) == 0, "no rows before an import", "%d", ListRowCount(list));
  Step(FocusedWindowOf(window) == list, "the list has the keyboard focus");
}

// The visible menu of the target after a right click, read through the probe; null when none
// opens or it cannot be read.
HWND ReadOpenedMenu(TargetProcess& target, const RunSettings& settings, const char* how,
                    std::vector<MenuEntry>* entries) {
  HWND menu = WaitForPopupMenu(target);
  if (!Step(menu != nullptr, "right click opens the popup menu", "%s", how)) return nullptr;
  if (!Step(ReadPopupMenu(target, settings.probe_dll, menu, entries), "probe reads the menu")) {
    return nullptr;
  }
  return menu;
}

void CheckIdleMenu(const std::vector<MenuEntry>& entries) {
  bool same = entries.size() == std::size(kIdleMenu);
  std::string seen;
  for (size_t i = 0; i < entries.size(); ++i) {
    const MenuEntry& entry = entries[i];
    seen += entry.separator ? "-" : entry.caption;
    seen += entry.greyed && !entry.separator ? "(greyed) " : entry.checked ? "(checked) " : " ";
    if (!same) continue;
    // Separators are stored greyed; that flag means nothing for them.
    same = entry.separator == !kIdleMenu[i] &&
           entry.caption == (kIdleMenu[i] ? kIdleMenu[i] : "") &&
           (entry.separator || !entry.greyed) && !entry.checked;
  }
  Step(same, "five commands and four separators, nothing greyed or checked, no notice", "%s",
       seen.c_str());
}

// Waits long enough for a command to show: a retitled window, a dialog or a message box.
void CheckNothingRan(TargetProcess& target, HWND window, HWND list) {
  WindowQuery dialog;
  dialog.pid = target.pid();
  dialog.class_name = "#32770";
  HWND shown = WaitForWindow(dialog, 500);
  Step(!shown && target.IsRunning() && WindowText(window) == "Vextorin" && ListRowCount(list) == 0,
       "closing the menu runs no command", "dialog %p, title %s, rows %d",
       static_cast<void*>(shown), Hex(WindowText(window)).c_str(), ListRowCount(list));
}

void Screenshot(const RunSettings& settings, const char* name) {
  std::string path = settings.output_dir + "\\" + name;
  std::string error;
  Step(TakeScreenshot(settings.import_tool, path, &error), "screenshot", "%s %s", path.c_str(),
       error.c_str());
}

}  // namespace

void ListMenuScenario(const RunSettings& settings) {
  Program program;
  if (!StartProgram(settings, &program)) return;
  TargetProcess& target = program.target;
  HWND window = program.window;
  HWND list = program.list;
  CheckList(target, settings, window, list);

  // A real click, so that the pointer's moves and the buttons reach the list in the order they
  // were made. A click posted beside moves still queued from the header drag could be taken for
  // the start of a right-button drag, which opens no menu.
  POINT screen = {200, 150};
  ClientToScreen(list, &screen);
  DWORD started = GetTickCount();
  ClickRightWithMouse(screen);
  // Where the pointer landed: the mouse's absolute coordinates may round to a neighbouring pixel.
  POINT cursor = screen;
  GetCursorPos(&cursor);
  std::vector<MenuEntry> entries;
  HWND menu = ReadOpenedMenu(target, settings, "with the mouse, on the empty list", &entries);
  if (!menu) return;
  Note("menu read %lu ms after the click", GetTickCount() - started);
  CheckIdleMenu(entries);
  RECT place = {};
  GetWindowRect(menu, &place);
  Step(place.left == cursor.x + 3 && place.top == cursor.y + 3,
       "the menu opens 3 pixels right of and below the cursor", "at %ld, %ld for cursor %ld, %ld",
       place.left, place.top, cursor.x, cursor.y);
  Screenshot(settings, "popup-menu.png");
  Step(DismissPopupMenu(menu), "Esc closes the menu");
  CheckNothingRan(target, window, list);

  // A real right click elsewhere below the rows (far enough from the first one not to make a
  // double click).
  POINT below = {420, 380};
  ClientToScreen(list, &below);
  ClickRightWithMouse(below);
  menu = ReadOpenedMenu(target, settings, "with the mouse, lower in the list", &entries);
  if (!menu) return;
  CheckIdleMenu(entries);
  Step(DismissPopupMenu(menu), "Esc closes the menu again");
  CheckNothingRan(target, window, list);

  PressEscape(window);
  HWND box = WaitForMessageBox(target, nullptr, {IDYES, IDNO});
  if (!Step(box != nullptr, "Esc asks the close question")) return;
  Step(AnswerMessageBox(box, IDYES), "Yes closes the question");
  DWORD exit_code = 1;
  bool ended = target.WaitForExit(5000, &exit_code);
  Step(ended && exit_code == 0, "Yes ends the program with exit code 0", "%s, code %lu",
       ended ? "ended" : "still running", exit_code);
}

}  // namespace vx::e2e
