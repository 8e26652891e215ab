// The driver's actions proven on the stand-in program, where the real program cannot show them
// yet (it has no rows and no commands before the pipeline is wired): reading owner-data list
// cells, choosing popup menu entries (a greyed entry cannot be chosen), filling the open dialog,
// Esc and the exit code.
#include "tests/e2e/actions.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"

namespace vx::e2e {

namespace {

struct ExpectedEntry {
  const char* caption;  // null for a separator
  bool greyed;
  bool checked;
};

constexpr ExpectedEntry kMenu[] = {
    {"1打开文件", false, false}, {nullptr, false, false},  {"2改标题", false, false},
    {nullptr, false, false},     {"3不可用", true, false}, {"4已勾选", false, true},
};
constexpr int kOpenFileEntry = 0;
constexpr int kGreyedEntry = 4;
constexpr int kCheckedEntry = 5;

// Right-clicks the list and reads the menu that opens; null when no menu opens or it cannot
// be read.
HWND OpenMenu(TargetProcess& target, const RunSettings& settings, HWND list,
              std::vector<MenuEntry>* entries, POINT at) {
  PostRightClick(list, at);
  HWND menu = WaitForPopupMenu(target);
  if (!Step(menu != nullptr, "right click opens the popup menu")) return nullptr;
  DWORD started = GetTickCount();
  bool read = ReadPopupMenu(target, settings.probe_dll, menu, entries);
  Step(read, "probe reads the menu", "in %lu ms", GetTickCount() - started);
  return read ? menu : nullptr;
}

void CheckMenu(const std::vector<MenuEntry>& entries) {
  bool same = entries.size() == std::size(kMenu);
  for (size_t i = 0; same && i < entries.size(); ++i) {
    const MenuEntry& entry = entries[i];
    const ExpectedEntry& expected = kMenu[i];
    // Separators are stored greyed; that flag means nothing for them.
    same = entry.separator == !expected.caption &&
           entry.caption == (expected.caption ? expected.caption : "") &&
           (entry.separator || entry.greyed == expected.greyed) &&
           entry.checked == expected.checked &&
           (entry.separator || entry.rect.bottom > entry.rect.top);
  }
  std::string seen;
  for (const MenuEntry& entry : entries) {
    seen += entry.separator ? "-" : entry.caption;
    seen += entry.separator ? " " : entry.greyed ? "(greyed) " : entry.checked ? "(checked) " : " ";
  }
  Step(same, "menu entries, separators, greyed and checked states", "%s", seen.c_str());
}

void CheckListCells(TargetProcess& target, HWND list) {
  const char* expected[3][2] = {{"1", "13800138000"}, {"2", "张三"}, {"3", ""}};
  Step(ListRowCount(list) == 3, "list row count", "%d", ListRowCount(list));
  bool same = true;
  std::string detail;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 2; ++column) {
      std::string text;
      same =
          ReadListCell(target, list, row, column, &text) && text == expected[row][column] && same;
      detail += Hex(text) + " ";
    }
  }
  Step(same, "owner-data list cells read back byte for byte", "%s", detail.c_str());
}

}  // namespace

void StandInScenario(const RunSettings& settings) {
  std::string stand_in = settings.program;
  TargetProcess target;
  if (!Step(target.Start(stand_in), "stand-in starts", "%s", stand_in.c_str())) return;
  WindowQuery query;
  query.pid = target.pid();
  query.class_name = "VxStandIn";
  HWND window = WaitForWindow(query);
  HWND list = window ? FindDescendant(window, 0, "SysListView32") : nullptr;
  if (!Step(list != nullptr, "stand-in window and its list appear")) return;
  CheckListCells(target, list);

  std::vector<MenuEntry> entries;
  HWND menu = OpenMenu(target, settings, list, &entries, {40, 60});
  if (!menu) return;
  CheckMenu(entries);
  // Enter on a greyed entry closes Wine's menu but runs nothing; Windows keeps the menu open.
  if (!ChoosePopupMenuEntry(menu, entries, kGreyedEntry)) {
    Step(DismissPopupMenu(menu), "Esc closes the menu");
  }
  Sleep(100);  // a command would have retitled the window by now
  Step(WindowText(window) == "Stand-in", "a greyed entry runs no command");

  // Clicks at different places, so that two clicks never make a double click.
  menu = OpenMenu(target, settings, list, &entries, {80, 90});
  if (!menu) return;
  Step(DismissPopupMenu(menu), "Esc closes the menu");
  Sleep(100);
  Step(WindowText(window) == "Stand-in", "closing the menu runs no command");

  // The arrow keys pass the separators and stop on the greyed entry on their way.
  menu = OpenMenu(target, settings, list, &entries, {60, 120});
  if (!menu) return;
  Step(ChoosePopupMenuEntry(menu, entries, kCheckedEntry), "choose the last entry");
  Step(WaitUntil([&] { return WindowText(window) == "已勾选"; }, 2000),
       "the chosen entry's command runs", "title %s", Hex(WindowText(window)).c_str());

  // A file with a Chinese name, to be chosen in the open dialog.
  std::string file = settings.output_dir + "\\对话框样本.txt";
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  Step(handle != INVALID_HANDLE_VALUE, "sample file with a GBK name created", "%s", file.c_str());
  CloseHandle(handle);
  menu = OpenMenu(target, settings, list, &entries, {120, 40});
  if (!menu) return;
  Step(ChoosePopupMenuEntry(menu, entries, kOpenFileEntry), "choose the first entry");
  HWND dialog = WaitForFileDialog(target, window);
  if (!Step(dialog != nullptr, "open dialog appears, owned by the window")) return;
  Step(FillFileDialog(dialog, file), "file name typed and confirmed");
  Step(WaitUntil([&] { return WindowText(window) == file; }, 2000),
       "the program received the chosen path", "title %s", WindowText(window).c_str());
  DeleteFileA(file.c_str());

  PressEscape(window);
  DWORD exit_code = 0;
  bool ended = target.WaitForExit(5000, &exit_code);
  Step(ended && exit_code == 7, "Esc to the focused list ends it with its exit code",
       "%s, code %lu", ended ? "ended" : "still running", exit_code);
}

}  // namespace vx::e2e
