// The ways to the commands beside a right click, as a user meets them: Shift+F10 and the menu key
// open the popup menu (idle or busy) at the focused row or at the list's corner, and the arrows
// and Enter choose from it; typing a number finds its row; Ctrl+C copies the selected row, also
// while the MD5 pass writes digests; a file dropped on the window is imported. Every key goes
// through the system's input queue, every drop is the shell's HDROP made inside the program, and
// the clipboard is read back byte for byte.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/actions.h"
#include "tests/e2e/pass_freeze.h"
#include "tests/e2e/program_texts.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

namespace {

constexpr int kNumberedRows = 200;
// The pass file: short rows, one long row, short rows. The long row keeps the pass busy long
// after the rows before it have their digests, whatever the speed of the digest. The worker
// digests the first block of 4096 rows alone, and then takes four blocks at a time while a helper
// takes the four after them, where there are rows for it: the long row lies past the first
// block, and the last rows in blocks after the long row's, which the worker digests once it is
// done with the long row.
constexpr int kPassRows = 12001;
constexpr int kLongRow = 6000;
constexpr size_t kLongRowLength = size_t{64} << 20;
constexpr int kLastPassRow = kPassRows - 1;
constexpr DWORD kSearchPause = 1000;  // longer than the list view's type-to-find delay
constexpr int kFileNameId = 0x47C;
constexpr POINT kDropPoint = {300, 200};  // on the list, in the window's client coordinates

const std::string kMarker = "on the clipboard before Vextorin copied anything";
const std::string kImportFailed = "导入失败！文件无法读取：";

// The text of row `row` of the numbered file: GBK and plain by turns.
std::string NumberedText(int row) {
  return (row % 2 == 0 ? "号码" : "number") + std::to_string(13800000000LL + row);
}

std::string PassText(int row) {
  if (row == kLongRow) return std::string(kLongRowLength, 'x');
  return (row < kLongRow ? "a" : "b") + std::to_string(row);
}

std::string Lines(int rows, std::string (*text)(int)) {
  std::string lines;
  for (int row = 0; row < rows; ++row) lines += text(row) + "\r\n";
  return lines;
}

bool WaitForTitle(HWND window, const std::string& title, DWORD timeout_ms) {
  return WaitUntil([&] { return FrameTitle(window) == title; }, timeout_ms);
}

bool StepTitle(HWND window, const std::string& title, DWORD timeout_ms, const char* name) {
  return Step(WaitForTitle(window, title, timeout_ms), name, "title %s",
              Hex(FrameTitle(window)).c_str());
}

// --- The menu from the keyboard --------------------------------------------------------------

// Opens the menu with Shift+F10 (or the menu key) and reads it; null when none opens.
HWND OpenMenuWithKey(Program& program, bool menu_key, std::vector<MenuEntry>* entries) {
  if (menu_key) {
    TypeKey(VK_APPS);
  } else {
    TypeKey(VK_F10, /*shift=*/true);
  }
  HWND menu = WaitForPopupMenu(program.target, 3000);
  if (menu && !ReadPopupMenu(program.target, program.settings->probe_dll, menu, entries)) {
    DismissPopupMenu(menu);
    return nullptr;
  }
  return menu;
}

// Chooses `entries[index]` with typed Down keys and Enter; true when the menu closed.
bool ChooseWithKeys(HWND menu, const std::vector<MenuEntry>& entries, int index) {
  for (int i = 0; i <= index && i < static_cast<int>(entries.size()); ++i) {
    if (!entries[i].separator) TypeKey(VK_DOWN);
  }
  TypeKey(VK_RETURN);
  return WaitUntilHidden(menu, 3000);
}

int IndexOf(const std::vector<MenuEntry>& entries, const std::string& caption) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].separator && entries[i].caption == caption) return static_cast<int>(i);
  }
  return -1;
}

bool IsIdleMenu(const std::vector<MenuEntry>& entries) {
  return entries.size() == 9 && IndexOf(entries, "1导入文本") == 0 &&
         IndexOf(entries, "清空列表") == 8 && IndexOf(entries, "菜单暂时不可用") < 0;
}

bool IsBusyMenu(const std::vector<MenuEntry>& entries) {
  return entries.size() == 2 && entries[0].separator && IndexOf(entries, "菜单暂时不可用") == 1 &&
         entries[1].greyed;
}

// Opens the menu from the keyboard and chooses `caption` with the keys; false when either fails.
bool ChooseFromKeyboardMenu(Program& program, const std::string& caption) {
  std::vector<MenuEntry> entries;
  HWND menu = OpenMenuWithKey(program, false, &entries);
  if (!menu) return false;
  int index = IndexOf(entries, caption);
  if (index < 0) {
    DismissPopupMenu(menu);
    return false;
  }
  return ChooseWithKeys(menu, entries, index);
}

POINT TopLeftOf(HWND window) {
  RECT place = {};
  GetWindowRect(window, &place);
  return {place.left, place.top};
}

POINT ListCorner(HWND list) {
  POINT corner = {0, 0};
  ClientToScreen(list, &corner);
  return corner;
}

// Where the menu of the focused `row` belongs: the middle of the row's left end, on the screen.
POINT RowMenuPoint(Program& program, int row) {
  RECT rect = {};
  if (!ReadListRowRect(program.target, program.list, row, &rect)) return {-1, -1};
  POINT at = {std::max(rect.left, 0L), (rect.top + rect.bottom) / 2};
  ClientToScreen(program.list, &at);
  return at;
}

// Opens the menu from the keyboard and checks that it is the idle one and where it opened.
void CheckKeyboardMenuAt(Program& program, bool menu_key, POINT expected, const char* name) {
  std::vector<MenuEntry> entries;
  HWND menu = OpenMenuWithKey(program, menu_key, &entries);
  POINT place = menu ? TopLeftOf(menu) : POINT{-1, -1};
  Step(menu && IsIdleMenu(entries) && place.x == expected.x && place.y == expected.y, name,
       "menu %p with %d entries at %ld, %ld, expected %ld, %ld", static_cast<void*>(menu),
       static_cast<int>(entries.size()), place.x, place.y, expected.x, expected.y);
  if (menu) DismissPopupMenu(menu);
}

// --- The list's selection and the clipboard ----------------------------------------------------

LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}

// `row` alone is selected, has the focus and is in view.
bool IsFoundRow(HWND list, int row) {
  auto focused =
      static_cast<int>(Ask(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  auto top = static_cast<int>(Ask(list, LVM_GETTOPINDEX));
  auto page = static_cast<int>(Ask(list, LVM_GETCOUNTPERPAGE));
  return IsOnlySelectedRow(list, row) && focused == row && top <= row && row < top + page;
}

void StepFoundRow(HWND list, int row, const char* name) {
  bool found = WaitUntil([&] { return IsFoundRow(list, row); }, 3000);
  Step(found, name, "%d selected, focus on %d, rows %d to %d in view", ListSelectedCount(list),
       static_cast<int>(Ask(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)),
       static_cast<int>(Ask(list, LVM_GETTOPINDEX)),
       static_cast<int>(Ask(list, LVM_GETTOPINDEX) + Ask(list, LVM_GETCOUNTPERPAGE) - 1));
}

// Presses Ctrl+C and reads what the clipboard then holds; false when the clipboard does not
// change.
bool CopyWithKeys(std::string* copied) {
  DWORD before = GetClipboardSequenceNumber();
  TypeKey('C', false, /*control=*/true);
  return WaitUntil([&] { return GetClipboardSequenceNumber() != before; }, 3000) &&
         ReadClipboardText(copied);
}

void StepCopy(const std::string& expected, const char* name) {
  std::string copied;
  bool changed = CopyWithKeys(&copied);
  Step(changed && copied == expected, name, "%s: %s, expected %s",
       changed ? "copied" : "the clipboard did not change", Hex(copied.substr(0, 80)).c_str(),
       Hex(expected.substr(0, 80)).c_str());
}

// --- The steps ---------------------------------------------------------------------------------

// Shift+F10 on the empty list, then the arrows and Enter: the open dialog, and the import.
bool ImportWithKeyboardMenu(Program& program, const std::string& path) {
  std::vector<MenuEntry> entries;
  HWND menu = OpenMenuWithKey(program, false, &entries);
  POINT place = menu ? TopLeftOf(menu) : POINT{-1, -1};
  POINT corner = ListCorner(program.list);
  if (!Step(menu && IsIdleMenu(entries) && place.x == corner.x && place.y == corner.y,
            "Shift+F10 on the empty list opens the menu at the list's top-left corner",
            "menu %p with %d entries at %ld, %ld, corner %ld, %ld", static_cast<void*>(menu),
            static_cast<int>(entries.size()), place.x, place.y, corner.x, corner.y)) {
    if (menu) DismissPopupMenu(menu);
    return false;
  }
  if (!Step(ChooseWithKeys(menu, entries, 0), "Down and Enter choose 1导入文本")) return false;
  HWND dialog = WaitForFileDialog(program.target, program.window);
  if (!Step(dialog != nullptr, "the open dialog appears as after a mouse choice")) return false;
  if (!Step(FillFileDialog(dialog, path), "the file is chosen")) return false;
  return StepTitle(program.window, Imported(kNumberedRows), 10000, "the numbered file is imported");
}

// Typing numbers: quick characters accumulate, a new search after a pause starts past the focused
// row and wraps, and a number that no row has changes nothing. Ctrl+C before any row is selected
// copies nothing. The menu key then opens the menu at the found row, or at the corner once that
// row is scrolled out of view.
void FindRowsByTyping(Program& program) {
  DWORD clipboard = GetClipboardSequenceNumber();
  TypeKey('C', false, /*control=*/true);  // no row is selected after an import
  TypeCharacters("190");
  StepFoundRow(program.list, 189, "typing 1, 9, 0 quickly selects, focuses and shows row 190");
  std::string held;
  Step(GetClipboardSequenceNumber() == clipboard && ReadClipboardText(&held) && held == kMarker,
       "Ctrl+C with no row selected leaves the clipboard as it was", "%s", Hex(held).c_str());

  Sleep(kSearchPause);
  TypeCharacters("3");
  StepFoundRow(program.list, 2, "after a pause, 3 wraps past the last row to row 3 and scrolls up");
  Sleep(kSearchPause);
  TypeCharacters("0");
  // The keys after it show when it was handled: the menu opens at the row still found.
  CheckKeyboardMenuAt(program, false, RowMenuPoint(program, 2),
                      "Shift+F10 opens the menu at the focused row");
  Step(IsFoundRow(program.list, 2), "typing 0, which no number starts with, keeps row 3",
       "%d selected", ListSelectedCount(program.list));

  Ask(program.list, LVM_ENSUREVISIBLE, kNumberedRows - 1, FALSE);
  CheckKeyboardMenuAt(program, true, ListCorner(program.list),
                      "the menu key, the focused row out of view, opens it at the list's corner");
}

// Ctrl+C on the selected row before and after the pass, which is chosen with the keys.
void CopyRows(Program& program) {
  StepCopy(NumberedText(2) + "\r\n", "Ctrl+C copies the undigested row's text and CR LF");
  if (!Step(ChooseFromKeyboardMenu(program, "3开始加密"), "3开始加密 chosen with the keys")) return;
  if (!StepTitle(program.window, PassComplete(kNumberedRows), 30000,
                 "the pass runs and completes")) {
    return;
  }
  StepCopy(ExportLine(NumberedText(2)),
           "Ctrl+C copies the digested GBK row as the export writes it");
}

// A dropped file is imported. While it is read another drop and the menu key arrive: the drop
// does nothing and the menu is the busy one. While its pass is held midway the menu is the busy
// one, copying gives the cells as they are, and another drop does nothing. The open dialog then
// proposes the file dropped first.
void DropAndCopyDuringThePass(Program& program, const std::string& pass_path,
                              const std::string& other_path) {
  if (!Step(DropFiles(program.target, program.settings->probe_dll, program.window, kDropPoint,
                      {pass_path}, false),
            "a file is dropped on the window")) {
    return;
  }
  {
    FrozenThreads frozen;
    if (!Step(FreezeImportWhileReading(program, &frozen),
              "the window is held while the import reads the file")) {
      return;
    }
    Step(DropFiles(program.target, program.settings->probe_dll, program.window, kDropPoint,
                   {other_path}, false),
         "another file is dropped during the import");
    TypeKey(VK_APPS);
  }
  std::vector<MenuEntry> entries;
  HWND menu = WaitForPopupMenu(program.target, 5000);
  bool read = menu && ReadPopupMenu(program.target, program.settings->probe_dll, menu, &entries);
  Step(read && IsBusyMenu(entries) && FrameTitle(program.window) == kImporting,
       "the menu key during the import opens the busy menu", "%d entries, title %s",
       static_cast<int>(entries.size()), Hex(FrameTitle(program.window)).c_str());
  if (menu) DismissPopupMenu(menu);
  if (!StepTitle(program.window, Imported(kPassRows), 30000, "the dropped file is imported")) {
    return;
  }
  std::string first;
  Step(ReadListCell(program.target, program.list, 0, 1, &first) && first == PassText(0) &&
           ListRowCount(program.list) == kPassRows,
       "its rows are the file's lines", "%d rows, first %s", ListRowCount(program.list),
       first.c_str());

  menu = OpenMenuWithKey(program, false, &entries);
  int start = IndexOf(entries, "3开始加密");
  if (!Step(menu && start >= 0, "Shift+F10 opens the menu again")) return;
  std::vector<DWORD> known = program.target.ThreadIds();
  if (!Step(ChooseWithKeys(menu, entries, start), "3开始加密 chosen with the keys")) return;
  FrozenThreads frozen;
  if (!Step(FreezePassMidway(program, kPassRows, known, &frozen),
            "the pass is held with row 1 digested and the last row not")) {
    return;
  }

  menu = OpenMenuWithKey(program, false, &entries);
  Step(menu && IsBusyMenu(entries), "during the pass Shift+F10 opens the busy menu", "%d entries",
       static_cast<int>(entries.size()));
  if (menu) DismissPopupMenu(menu);
  Step(DropFiles(program.target, program.settings->probe_dll, program.window, kDropPoint,
                 {other_path}, false),
       "another file is dropped during the pass");

  TypeCharacters("1");
  StepFoundRow(program.list, 0, "typing 1 finds row 1");
  std::string text, digest, short_digest;
  bool cells = ReadListCell(program.target, program.list, 0, 1, &text) &&
               ReadListCell(program.target, program.list, 0, 2, &digest) &&
               ReadListCell(program.target, program.list, 0, 3, &short_digest);
  Step(cells && digest == SystemMd5(text) && short_digest == digest.substr(8, 16),
       "row 1 holds its digests during the pass");
  StepCopy(ExportLine(PassText(0)), "during the pass Ctrl+C copies a digested row with digests");
  TypeKey(VK_END);
  StepFoundRow(program.list, kLastPassRow, "End selects the last row");
  StepCopy(PassText(kLastPassRow) + "\r\n",
           "during the pass Ctrl+C copies a row not yet digested as its text");

  WindowQuery box;
  box.pid = program.target.pid();
  box.class_name = "#32770";
  HWND shown = WaitForWindow(box, 300);
  Step(!shown && FrameTitle(program.window) == PassRunning(kPassRows) &&
           ListRowCount(program.list) == kPassRows,
       "the drop during the pass did nothing", "box %p, %d rows, title %s",
       static_cast<void*>(shown), ListRowCount(program.list),
       Hex(FrameTitle(program.window)).c_str());
  frozen.Thaw();
  if (!StepTitle(program.window, PassComplete(kPassRows), 60000, "the pass completes")) return;

  if (!Step(ChooseFromKeyboardMenu(program, "1导入文本"), "1导入文本 chosen with the keys")) return;
  HWND dialog = WaitForFileDialog(program.target, program.window);
  if (!Step(dialog != nullptr, "the open dialog appears")) return;
  HWND name = nullptr;
  std::string proposed;
  WaitUntil([&] {
    name = FindDescendant(dialog, kFileNameId, "Edit");
    proposed = name ? WindowText(name) : "";
    return !proposed.empty();
  });
  // Given a full path, the dialog opens in the file's folder with the file's name filled in.
  std::string dropped_name = pass_path.substr(pass_path.find_last_of('\\') + 1);
  Step(proposed == dropped_name, "the open dialog proposes the file dropped, not those ignored",
       "%s", Hex(proposed).c_str());
  HWND cancel = FindDescendant(dialog, IDCANCEL, "Button");
  if (cancel) PostMessageA(cancel, BM_CLICK, 0, 0);
  Step(cancel && WaitUntilHidden(dialog) && FrameTitle(program.window) == PassComplete(kPassRows),
       "cancelling it changes nothing");
}

// Several files at once (in UTF-16, as Explorer drops them): only the first is imported. A
// folder and a file that cannot be read give the message of a file that cannot be read.
void DropOtherFiles(Program& program, const std::string& first, const std::string& second,
                    const std::string& folder, const std::string& locked) {
  Step(DropFiles(program.target, program.settings->probe_dll, program.window, kDropPoint,
                 {first, second}, true),
       "two files are dropped at once");
  StepTitle(program.window, Imported(3), 10000, "only the first of them is imported");
  std::string text;
  Step(ReadListCell(program.target, program.list, 2, 1, &text) && text == "第一个文件3" &&
           ListRowCount(program.list) == 3,
       "the rows are the first file's lines", "%s", Hex(text).c_str());

  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  Step(holder != INVALID_HANDLE_VALUE, "the locked file is held open without sharing");
  for (const std::string& path : {folder, locked}) {
    Step(DropFiles(program.target, program.settings->probe_dll, program.window, kDropPoint, {path},
                   false),
         "a folder or a locked file is dropped", "%s", path.c_str());
    HWND box = WaitForMessageBox(program.target, nullptr, {IDOK});
    MessageBoxContent content = box ? ReadMessageBox(box) : MessageBoxContent{};
    Step(box && content.caption == "温馨提示" && content.text == kImportFailed + path,
         "it gives the message of a file that cannot be read", "%s / %s",
         Hex(content.caption).c_str(), Hex(content.text).c_str());
    if (box) AnswerMessageBox(box, IDOK);
    Step(FrameTitle(program.window) == Imported(3) && ListRowCount(program.list) == 3,
         "the list and the title stay as they were");
  }
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
}

}  // namespace

void ConveniencesScenario(const RunSettings& settings) {
  const std::string numbered = settings.output_dir + "\\编号.txt";
  const std::string pass = settings.output_dir + "\\长行在中间.txt";
  const std::string first = settings.output_dir + "\\第一个.txt";
  const std::string second = settings.output_dir + "\\第二个.txt";
  const std::string folder = settings.output_dir + "\\一个文件夹";
  const std::string locked = settings.output_dir + "\\锁住的.txt";
  CreateDirectoryA(folder.c_str(), nullptr);
  if (!Step(WriteFileBytes(numbered, Lines(kNumberedRows, NumberedText)) &&
                WriteFileBytes(pass, Lines(kPassRows, PassText)) &&
                WriteFileBytes(first, "第一个文件1\r\n第一个文件2\r\n第一个文件3\r\n") &&
                WriteFileBytes(second, "第二个文件\r\n") && WriteFileBytes(locked, "锁住\r\n"),
            "input files written")) {
    return;
  }
  // Long before the first key: a clipboard written just before a key makes the key miss.
  Step(WriteClipboardText(kMarker), "the clipboard holds a text of its own");

  Program program;
  if (!StartProgram(settings, &program)) return;
  if (!Step(BringToForeground(program.window), "the program is the foreground window")) return;
  if (ImportWithKeyboardMenu(program, numbered)) {
    FindRowsByTyping(program);
    CopyRows(program);
  }
  DropAndCopyDuringThePass(program, pass, numbered);
  DropOtherFiles(program, first, second, folder, locked);

  PressEscape(program.window);
  HWND box = WaitForMessageBox(program.target, nullptr, {IDYES, IDNO});
  if (!Step(box != nullptr, "Esc asks the close question")) return;
  Step(AnswerMessageBox(box, IDYES), "Yes closes the question");
  DWORD exit_code = 1;
  bool ended = program.target.WaitForExit(10000, &exit_code);
  Step(ended && exit_code == 0, "the program ends with exit code 0", "%s, code %lu",
       ended ? "ended" : "still running", exit_code);
  for (const std::string& path : {numbered, pass, first, second, locked}) DeleteFileA(path.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace vx::e2e
