// The typical run, as a user does it through the real window: import a GBK file with repeated
// and empty lines, remove the repeats, run the MD5 pass, export, and compare the exported bytes
// with digests that this driver computes itself (with the system's CryptoAPI). Then the same
// commands on two million lines, where the titles that show while a command works can be seen
// and No to the close question lets the pass run on to correct digests, and a pass over long
// rows, during which the popup menu is the busy one; last, Yes in the middle of a pass over two
// million lines ends the program with exit code 0. Every title is checked byte for byte.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/actions.h"
#include "tests/e2e/pass_freeze.h"
#include "tests/e2e/program_texts.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

namespace {

constexpr int kFileNameBox = 0x47C;  // cmb13: the file name of the explorer-style dialogs

const std::string kTitle = "Vextorin";
const std::string kClearing = "Vextorin     数据清除中...";
const std::string kImporting = "Vextorin     导入中...";
const std::string kRemoving = "Vextorin     重复数据去重中...";
const std::string kSaved = "导出的MD5加密结果.txt";
const std::vector<std::string> kExportTypes = {"文本文件(*.txt)", "仅32位MD5，每行一个(*.txt)",
                                               "仅16位MD5，每行一个(*.txt)",
                                               "仅SHA-256，每行一个(*.txt)"};

// Every title the window shows, recorded by a thread that looks every millisecond. A title
// shown for less than that may be missed; the commands on many lines show theirs far longer.
class TitleRecorder {
 public:
  explicit TitleRecorder(HWND window) : window_(window) {
    thread_ = std::thread([this] {
      while (!stop_) {
        std::string title = FrameTitle(window_);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (titles_.empty() || titles_.back() != title) titles_.push_back(title);
        }
        Sleep(1);
      }
    });
  }
  ~TitleRecorder() {
    stop_ = true;
    thread_.join();
  }

  // The titles recorded since the last call, once the title shown now is among them.
  std::vector<std::string> Take() {
    WaitUntil(
        [&] {
          std::lock_guard<std::mutex> lock(mutex_);
          return !titles_.empty() && titles_.back() == FrameTitle(window_);
        },
        1000);
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken(titles_.begin() + static_cast<ptrdiff_t>(taken_), titles_.end());
    taken_ = titles_.size();
    return taken;
  }

 private:
  HWND window_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> titles_;
  size_t taken_ = 0;
};

// The titles seen during a command: each one must be one of `expected`, in that order (the
// title shown before the command may come first), and each of `required` must be among them.
void CheckTitles(const char* command, const std::vector<std::string>& seen,
                 const std::string& before, const std::vector<std::string>& expected,
                 const std::vector<std::string>& required) {
  size_t next = 0;
  bool in_order = true;
  std::string detail;
  for (size_t i = 0; i < seen.size(); ++i) {
    detail += Hex(seen[i]) + " | ";
    if (i == 0 && seen[i] == before) continue;
    while (next < expected.size() && expected[next] != seen[i]) ++next;
    if (next == expected.size()) {
      in_order = false;
    } else {
      ++next;
    }
  }
  for (const std::string& title : required) {
    bool found = false;
    for (const std::string& shown : seen) found = found || shown == title;
    in_order = in_order && found;
  }
  std::string name = std::string("titles during ") + command + ", byte for byte, in order";
  Step(in_order, name.c_str(), "%s", detail.c_str());
}

// Right-clicks the list and reads the menu that opens.
HWND OpenMenu(Program& program, std::vector<MenuEntry>* entries) {
  POINT at = program.NextClickPoint();
  PostRightClick(program.list, at);
  HWND menu = WaitForPopupMenu(program.target);
  if (!menu) return nullptr;
  return ReadPopupMenu(program.target, program.settings->probe_dll, menu, entries) ? menu : nullptr;
}

// Chooses the entry with `caption` from the list's popup menu.
bool Choose(Program& program, const std::string& caption) {
  std::vector<MenuEntry> entries;
  HWND menu = OpenMenu(program, &entries);
  for (size_t i = 0; menu && i < entries.size(); ++i) {
    if (!entries[i].separator && entries[i].caption == caption) {
      return ChoosePopupMenuEntry(menu, entries, static_cast<int>(i));
    }
  }
  if (menu) DismissPopupMenu(menu);
  return false;
}

bool WaitForTitle(HWND window, const std::string& title, DWORD timeout_ms) {
  return WaitUntil([&] { return FrameTitle(window) == title; }, timeout_ms);
}

// Waits for `title` and reports the step with the title then shown.
bool StepTitle(HWND window, const std::string& title, DWORD timeout_ms, const char* name) {
  bool shown = WaitForTitle(window, title, timeout_ms);
  return Step(shown, name, "title %s", Hex(FrameTitle(window)).c_str());
}

bool Import(Program& program, const std::string& path, size_t rows, DWORD timeout_ms) {
  if (!Step(Choose(program, "1导入文本"), "choose 1导入文本")) return false;
  HWND dialog = WaitForFileDialog(program.target, program.window);
  if (!Step(dialog != nullptr, "the open dialog appears")) return false;
  if (!Step(FillFileDialog(dialog, path), "the file is chosen", "%s", path.c_str())) return false;
  return StepTitle(program.window, Imported(rows), timeout_ms, "import done");
}

// Rows of the list, read cell by cell: every row's number, text and both digests.
void CheckRows(Program& program, const std::vector<std::string>& texts, bool digested) {
  bool same = ListRowCount(program.list) == static_cast<int>(texts.size());
  std::string detail = "rows " + std::to_string(ListRowCount(program.list));
  for (size_t row = 0; same && row < texts.size(); ++row) {
    std::string digest = digested ? SystemMd5(texts[row]) : "";
    std::string expected[4] = {std::to_string(row + 1), texts[row], digest,
                               digested ? digest.substr(8, 16) : ""};
    for (int column = 0; same && column < 4; ++column) {
      std::string cell;
      same = ReadListCell(program.target, program.list, static_cast<int>(row), column, &cell) &&
             cell == expected[column];
      if (!same)
        detail +=
            ", row " + std::to_string(row) + " column " + std::to_string(column) + ": " + Hex(cell);
    }
  }
  Step(same, digested ? "every row's number, text and digests" : "every row's number and text",
       "%s", detail.c_str());
}

// Right-clicks at `client` with the pointer there, as a mouse would; returns the menu that opens
// if it shows the five commands 3 pixels right of and below the pointer, else closes it.
HWND RightClickForMenu(Program& program, POINT client) {
  POINT screen = client;
  ClientToScreen(program.list, &screen);
  SetCursorPos(screen.x, screen.y);
  PostRightClick(program.list, client);
  HWND menu = WaitForPopupMenu(program.target);
  std::vector<MenuEntry> entries;
  RECT place = {};
  if (menu && ReadPopupMenu(program.target, program.settings->probe_dll, menu, &entries) &&
      entries.size() == 9 && entries[0].caption == "1导入文本" && GetWindowRect(menu, &place) &&
      place.left == screen.x + 3 && place.top == screen.y + 3) {
    return menu;
  }
  if (menu) DismissPopupMenu(menu);
  return nullptr;
}

// The selection as clicks and keys move it over the digested rows, ending at `last_row`: the
// list clears the row selected before by itself, and every move must still end where the list
// puts it.
void CheckSelectionMoves(Program& program, int last_row) {
  PostLeftClick(program.list, RowPoint(program, 1));
  Step(WaitUntil([&] { return IsOnlySelectedRow(program.list, 1); }, 5000),
       "a left click selects row 1 alone", "%d selected", ListSelectedCount(program.list));
  HWND menu = RightClickForMenu(program, RowPoint(program, last_row - 1));
  bool moved = IsOnlySelectedRow(program.list, last_row - 1);
  Step(menu && moved, "a right click on another row selects it alone and opens the menu there",
       "menu %p, %d selected", static_cast<void*>(menu), ListSelectedCount(program.list));
  if (menu) DismissPopupMenu(menu);

  bool down = SendKey(program.list, VK_DOWN) && IsOnlySelectedRow(program.list, last_row);
  Step(down, "Down selects the last row alone", "%d selected", ListSelectedCount(program.list));
  // Keys that move nowhere leave the row selected.
  bool kept = SendKey(program.list, VK_DOWN) && SendKey(program.list, VK_END) &&
              IsOnlySelectedRow(program.list, last_row);
  Step(kept, "Down and End on the last row keep it selected", "%d selected",
       ListSelectedCount(program.list));

  RECT last = {};
  ReadListRowRect(program.target, program.list, last_row, &last);
  menu = RightClickForMenu(program, {last.left + 100, last.bottom + 40});
  int selected = ListSelectedCount(program.list);
  Step(menu && selected == 0,
       "a right click below the rows clears the selection and opens the menu",
       "menu %p, %d selected", static_cast<void*>(menu), selected);
  if (menu) DismissPopupMenu(menu);
  PostLeftClick(program.list, RowPoint(program, 0));
  Step(WaitUntil([&] { return IsOnlySelectedRow(program.list, 0); }, 5000),
       "with none selected a left click selects row 0 alone", "%d selected",
       ListSelectedCount(program.list));
}

// A GBK file with repeats, empty lines, a separator and blanks, through the whole run.
// The other file types, each picked in the real save dialog, which opens on the one picked
// before: one digest a line, 32 or 16 digits of the system's MD5, or the system's SHA-256.
void ExportEachType(Program& program, const std::vector<std::string>& kept) {
  int picked_before = 0;
  for (int type : {1, 2, 3}) {
    std::string expected;
    for (const std::string& text : kept) {
      std::string digest = type == 3 ? SystemSha256(text) : SystemMd5(text);
      expected += (type == 2 ? digest.substr(8, 16) : digest) + "\r\n";
    }
    std::string output =
        program.settings->output_dir + "\\导出类型" + std::to_string(type) + ".txt";
    DeleteFileA(output.c_str());
    if (!Step(Choose(program, "4导出结果"), "choose 4导出结果 again")) return;
    HWND dialog = WaitForFileDialog(program.target, program.window);
    std::vector<std::string> types;
    int shown = -1;
    bool read = dialog && ReadFileTypes(program.target, dialog, &types, &shown);
    if (!Step(read && shown == picked_before, "the save dialog opens on the type picked before",
              "%d shown, %d expected", shown, picked_before)) {
      return;
    }
    Step(ChooseFileType(dialog, type), "a file type is picked", "%s", kExportTypes[type].c_str());
    if (!Step(FillFileDialog(dialog, output), "the export file is chosen")) return;
    HWND box = WaitForMessageBox(program.target, nullptr, {IDOK}, 10000);
    std::string report = box ? ReadMessageBox(box).text : "";
    if (!Step(box && AnswerMessageBox(box, IDOK), "the export is reported", "%s",
              Hex(report).c_str())) {
      return;
    }
    std::string written;
    bool file_read = ReadFileBytes(output, &written);
    Step(file_read && written == expected, "the file holds one digest a line, byte for byte",
         "%s: %d bytes", kExportTypes[type].c_str(), static_cast<int>(written.size()));
    DeleteFileA(output.c_str());
    picked_before = type;
  }
}

void SmallRun(Program& program, TitleRecorder& titles) {
  const std::vector<std::string> lines = {"13800138000", "张三", "", "13800138000", "李四----备注",
                                          " 王五 ",      "张三", "", "abc",         "ABC"};
  const std::vector<std::string> imported = {"13800138000", "张三", "", "13800138000", "李四",
                                             " 王五 ",      "张三", "", "abc",         "ABC"};
  const std::vector<std::string> kept = {"13800138000", "张三", "李四", " 王五 ", "abc", "ABC"};
  std::string input;
  for (const std::string& line : lines) input += line + "\r\n";
  std::string path = program.settings->output_dir + "\\重复与空行.txt";
  if (!Step(WriteFileBytes(path, input), "GBK input file written", "%s", path.c_str())) return;

  titles.Take();
  if (!Import(program, path, lines.size(), 10000)) return;
  CheckTitles("the import", titles.Take(), kTitle,
              {kImporting, kClearing, kTitle, kImporting, Imported(lines.size())},
              {Imported(lines.size())});
  CheckRows(program, imported, false);

  Step(Choose(program, "2去重复项"), "choose 2去重复项");
  StepTitle(program.window, Remaining(kept.size()), 10000, "duplicate removal done");
  CheckTitles("the duplicate removal", titles.Take(), Imported(lines.size()),
              {kRemoving, Remaining(kept.size())}, {Remaining(kept.size())});
  CheckRows(program, kept, false);

  Step(Choose(program, "3开始加密"), "choose 3开始加密");
  StepTitle(program.window, PassComplete(kept.size()), 10000, "MD5 pass done");
  CheckTitles("the MD5 pass", titles.Take(), Remaining(kept.size()),
              {PassRunning(kept.size()), PassComplete(kept.size())}, {PassComplete(kept.size())});
  CheckRows(program, kept, true);
  CheckSelectionMoves(program, static_cast<int>(kept.size()) - 1);

  std::string output = program.settings->output_dir + "\\导出结果.txt";
  DeleteFileA(output.c_str());
  Step(Choose(program, "4导出结果"), "choose 4导出结果");
  HWND dialog = WaitForFileDialog(program.target, program.window);
  if (!Step(dialog != nullptr, "the save dialog appears")) return;
  HWND name_box = FindDescendant(dialog, kFileNameBox);
  std::string proposed = name_box ? WindowText(name_box) : "";
  bool dated = proposed.size() > kSaved.size() &&
               proposed.compare(proposed.size() - kSaved.size(), kSaved.size(), kSaved) == 0 &&
               proposed.find("年") != std::string::npos && proposed.find("日") != std::string::npos;
  Step(dated, "the proposed name is the date and time and 导出的MD5加密结果.txt", "%s",
       Hex(proposed).c_str());
  std::vector<std::string> types;
  int shown = -1;
  bool types_read = ReadFileTypes(program.target, dialog, &types, &shown);
  std::string offered;
  for (const std::string& type : types) offered += Hex(type) + " ";
  Step(types_read && types == kExportTypes && shown == 0,
       "the save dialog offers the four file types and shows the first", "%s, %d shown",
       offered.c_str(), shown);
  if (!Step(FillFileDialog(dialog, output), "the export file is chosen", "%s", output.c_str())) {
    return;
  }
  HWND box = WaitForMessageBox(program.target, nullptr, {IDOK}, 10000);
  if (!Step(box != nullptr, "a message box reports the export")) return;
  MessageBoxContent content = ReadMessageBox(box);
  const std::string before = "导出成功！共耗时:", after = "毫秒";
  bool reported =
      content.caption == "温馨提示" && content.text.size() > before.size() + after.size() &&
      content.text.compare(0, before.size(), before) == 0 &&
      content.text.compare(content.text.size() - after.size(), after.size(), after) == 0;
  for (size_t i = before.size(); reported && i < content.text.size() - after.size(); ++i) {
    reported = content.text[i] >= '0' && content.text[i] <= '9';
  }
  Step(reported, "导出成功！共耗时: with the milliseconds, captioned 温馨提示", "%s / %s",
       Hex(content.caption).c_str(), Hex(content.text).c_str());
  Step(AnswerMessageBox(box, IDOK), "OK closes the message");
  StepTitle(program.window, Exported(kept.size()), 5000, "the title says exported");
  CheckTitles("the export", titles.Take(), PassComplete(kept.size()), {Exported(kept.size())},
              {Exported(kept.size())});

  std::string written, expected;
  for (const std::string& text : kept) expected += ExportLine(text);
  bool read = ReadFileBytes(output, &written);
  Step(read && written == expected,
       "the export file holds the lines with the system's digests, byte for byte", "%d bytes",
       static_cast<int>(written.size()));
  DeleteFileA(output.c_str());
  DeleteFileA(path.c_str());
  ExportEachType(program, kept);
}

// Starts the pass over `rows` and holds it in the middle of its rows (it takes a fraction of a
// second), presses Esc and answers the close question with `answer`, checking that the pass still
// ran when the answer was given (the title still says it runs and the last row has no digest
// yet); then lets the pass go on. False when there was no question to answer.
bool StartPassAndAnswerClose(Program& program, size_t rows, int answer) {
  std::vector<DWORD> known = program.target.ThreadIds();
  if (!Step(Choose(program, "3开始加密"), "choose 3开始加密")) return false;
  FrozenThreads frozen;
  if (!Step(FreezePassMidway(program, static_cast<int>(rows), known, &frozen),
            "the pass is held in the middle of its rows")) {
    return false;
  }
  DWORD started = GetTickCount();
  PressEscape(program.window);
  HWND box = WaitForMessageBox(program.target, nullptr, {IDYES, IDNO});
  if (!Step(box != nullptr, "Esc during the pass asks the close question")) return false;
  std::string last_digest = "unread";
  bool running =
      FrameTitle(program.window) == PassRunning(rows) &&
      ReadListCell(program.target, program.list, static_cast<int>(rows) - 1, 2, &last_digest) &&
      last_digest.empty();
  DWORD answered_at = GetTickCount() - started;
  bool answered = AnswerMessageBox(box, answer);
  Step(running && answered,
       answer == IDYES ? "Yes is answered in the middle of the pass"
                       : "No is answered in the middle of the pass",
       "%lu ms after Esc, last digest %s", answered_at, Hex(last_digest).c_str());
  return answered;
}

constexpr size_t kLargeLines = 2000000;

// Two million phone numbers: long enough for the working titles and the busy menu to show, and
// for the close question to be answered No in the middle of the pass, which then goes on to its
// end. Returns the input's path, kept for the close in the middle of the last pass.
std::string LargeRun(Program& program, TitleRecorder& titles) {
  const size_t kLines = kLargeLines;
  DWORD started = GetTickCount();
  std::string input;
  input.reserve(kLines * 13);
  std::vector<std::string> kept;
  uint64_t state = 88172645463325252ULL;
  for (size_t i = 0; i < kLines; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    // Every tenth line repeats the line nine places before it.
    std::string number = i % 10 == 9 ? input.substr(input.size() - 13 * 9, 11)
                                     : std::to_string(13000000000ULL + state % 7000000000ULL);
    if (i % 10 != 9) kept.push_back(number);
    input += number + "\r\n";
  }
  // Random numbers may also meet by chance: the rows that stay are the distinct numbers.
  std::vector<std::string> sorted = kept;
  std::sort(sorted.begin(), sorted.end());
  const int distinct = static_cast<int>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
  Note("%d distinct numbers among %d lines, made in %lu ms", distinct, static_cast<int>(kLines),
       GetTickCount() - started);
  std::string path = program.settings->output_dir + "\\两百万行.txt";
  if (!Step(WriteFileBytes(path, input), "input of two million lines written")) return "";

  std::string shown_before = FrameTitle(program.window);
  titles.Take();
  if (!Import(program, path, kLines, 60000)) return path;
  CheckTitles("a large import", titles.Take(), shown_before,
              {kImporting, kClearing, kTitle, kImporting, Imported(kLines)},
              {kImporting, Imported(kLines)});

  std::string first_text;
  ReadListCell(program.target, program.list, 0, 1, &first_text);
  Step(Choose(program, "2去重复项"), "choose 2去重复项");
  bool removed = WaitUntil(
      [&] {
        std::string title = FrameTitle(program.window);
        return title.rfind("Vextorin     剩余数据：", 0) == 0;
      },
      60000);
  std::string remaining = FrameTitle(program.window);
  Step(removed, "duplicate removal done", "title %s", Hex(remaining).c_str());
  int rows = ListRowCount(program.list);
  Step(rows == distinct && remaining == Remaining(static_cast<size_t>(rows)),
       "every distinct number stays once, and the title gives their count", "%d rows", rows);
  CheckTitles("a large duplicate removal", titles.Take(), Imported(kLines), {kRemoving, remaining},
              {kRemoving, remaining});

  DWORD started_pass = GetTickCount();
  StartPassAndAnswerClose(program, static_cast<size_t>(rows), IDNO);
  StepTitle(program.window, PassComplete(static_cast<size_t>(rows)), 120000, "MD5 pass done");
  Note("the pass was seen complete after %lu ms", GetTickCount() - started_pass);
  CheckTitles("a large MD5 pass", titles.Take(), remaining,
              {PassRunning(static_cast<size_t>(rows)), PassComplete(static_cast<size_t>(rows))},
              {PassRunning(static_cast<size_t>(rows)), PassComplete(static_cast<size_t>(rows))});
  // A hundred rows spread over the list, and the last one.
  bool digests = true;
  int checked = 0;
  for (int i = 0; digests && i <= 100; ++i) {
    int row = i < 100 ? static_cast<int>(static_cast<int64_t>(rows) * i / 100) : rows - 1;
    std::string text, digest, short_digest;
    digests = ReadListCell(program.target, program.list, row, 1, &text) &&
              ReadListCell(program.target, program.list, row, 2, &digest) &&
              ReadListCell(program.target, program.list, row, 3, &short_digest) &&
              digest == SystemMd5(text) && short_digest == digest.substr(8, 16);
    ++checked;
  }
  Step(digests && first_text == kept.front(), "rows spread over the list have their digests",
       "%d rows checked", checked);

  Step(Choose(program, "清空列表"), "choose 清空列表");
  Step(WaitUntil([&] { return ListRowCount(program.list) == 0; }, 10000) &&
           WaitForTitle(program.window, kTitle, 10000),
       "the list is empty and the title Vextorin");
  CheckTitles("clearing", titles.Take(), PassComplete(static_cast<size_t>(rows)),
              {kClearing, kTitle}, {kTitle});
  return path;
}

// The two million lines once more, and Yes to the close question in the middle of their pass:
// the program ends at once with exit code 0, and no process of it is left.
void CloseDuringPass(Program& program, const std::string& path) {
  if (!Step(!path.empty(), "the input of two million lines is there")) return;
  bool imported = Import(program, path, kLargeLines, 60000) &&
                  StartPassAndAnswerClose(program, kLargeLines, IDYES);
  DeleteFileA(path.c_str());
  if (!imported) return;
  DWORD exit_code = 1;
  bool ended = program.target.WaitForExit(10000, &exit_code);
  Step(ended && exit_code == 0, "the program ends with exit code 0", "%s, code %lu",
       ended ? "ended" : "still running", exit_code);
  int left = -1;
  WaitUntil([&] { return (left = RunningProcessesOf(program.settings->program)) == 0; }, 5000);
  Step(left == 0, "no process of the program is left", "%d running", left);
}

// While a pass runs, the popup menu offers only the separator below "2去重复项" and the greyed
// notice. The rows are long, so that the pass lasts long after the menu has opened (a right
// click on a list of millions of rows takes Wine's list view seconds to answer).
void BusyMenuRun(Program& program, TitleRecorder& titles) {
  const size_t kLines = 16000, kLength = 8000;
  std::string input;
  input.reserve(kLines * (kLength + 2));
  for (size_t i = 0; i < kLines; ++i) {
    std::string number = std::to_string(i);
    input +=
        number + std::string(kLength - number.size(), static_cast<char>('a' + i % 26)) + "\r\n";
  }
  std::string path = program.settings->output_dir + "\\长行.txt";
  if (!Step(WriteFileBytes(path, input), "input of long lines written")) return;
  if (!Import(program, path, kLines, 60000)) return;

  titles.Take();
  Step(Choose(program, "3开始加密"), "choose 3开始加密");
  // The chosen command runs from the program's message queue after the menu has closed: a right
  // click posted at once could come before it.
  StepTitle(program.window, PassRunning(kLines), 10000, "the pass has started");
  DWORD pass_seen = GetTickCount();
  std::vector<MenuEntry> entries;
  HWND menu = OpenMenu(program, &entries);
  Note("the menu was read %lu ms after the pass was seen to start", GetTickCount() - pass_seen);
  bool busy = menu && entries.size() == 2 && entries[0].separator && !entries[1].separator &&
              entries[1].caption == "菜单暂时不可用" && entries[1].greyed;
  std::string seen;
  for (const MenuEntry& entry : entries) seen += (entry.separator ? "-" : entry.caption) + " ";
  Step(busy, "while the pass runs the menu offers one separator and the greyed notice", "%s",
       seen.c_str());
  if (menu && !ChoosePopupMenuEntry(menu, entries, 1)) DismissPopupMenu(menu);
  StepTitle(program.window, PassComplete(kLines), 60000, "MD5 pass done");
  Note("the pass was seen complete %lu ms after it was seen to start", GetTickCount() - pass_seen);
  CheckTitles("a pass over long rows", titles.Take(), Imported(kLines),
              {PassRunning(kLines), PassComplete(kLines)},
              {PassRunning(kLines), PassComplete(kLines)});
  std::vector<MenuEntry> idle;
  menu = OpenMenu(program, &idle);
  Step(menu && idle.size() == 9 && idle[0].caption == "1导入文本",
       "after the pass the menu offers the five commands again");
  if (menu) DismissPopupMenu(menu);
  // The driver reads at most 1023 bytes of a cell.
  std::string last = input.substr(input.size() - kLength - 2, kLength), text, digest;
  Step(ReadListCell(program.target, program.list, static_cast<int>(kLines) - 1, 1, &text) &&
           ReadListCell(program.target, program.list, static_cast<int>(kLines) - 1, 2, &digest) &&
           text == last.substr(0, text.size()) && text.size() >= 1000 && digest == SystemMd5(last),
       "the last long row's digest");
  DeleteFileA(path.c_str());
}

}  // namespace

void BatchRunScenario(const RunSettings& settings) {
  // Digested in vector lanes, two million rows take a tenth of a second under Wine, where the
  // worker spends much of its time holding the rows: with the scalar digest the pass lasts long
  // enough to be held in its middle. The lanes are checked end to end by the other scenarios.
  SetEnvironmentVariableA("VX_MD5_LEVEL", "scalar");
  Program program;
  if (!StartProgram(settings, &program)) return;

  std::string large_input;
  {
    TitleRecorder titles(program.window);
    SmallRun(program, titles);
    large_input = LargeRun(program, titles);
    BusyMenuRun(program, titles);
  }
  CloseDuringPass(program, large_input);
}

}  // namespace vx::e2e
