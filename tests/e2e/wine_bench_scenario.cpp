// A benchmark through the real window, not a test run by CTest: phone numbers, one in ten
// repeated, imported, cleared of repeats, digested and exported as a user does it; a million of
// them, or as many as VX_WINE_BENCH_LINES says. Prints
//   wine <stage> <lines> <seconds>   from choosing the menu entry to the title that closes it
//   wine menu <rows> <seconds>       from the right click to the popup menu being shown
//   wine left_click <rows> <seconds> from a left click on another row to that row selected
//   wine key_down <rows> <seconds>   from the Down arrow to the next row selected
//   wine end_key <rows> <seconds>    from End to the last row selected
//   wine last_row_click <rows> <seconds>, wine last_row_menu <rows> <seconds>
//                                    a left and a right click on the last row, to it selected
//                                    and to the menu
//   wine event_gap_max_ms <stage> <ms> (from <seconds> s on)
//                                    the longest round trip of a message sent to the window
//                                    every 10 ms while the command runs: the longest time the
//                                    window went without handling its events, and when it began
//   wine repaint_max_ms <ms>, wine repaint_median_ms <ms>
//                                    how long the list takes to repaint after the driver
//                                    invalidates it, every 10 ms over the MD5 pass
// The steps still check the titles and the exported file, so the figures are of a job that
// worked.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/input_lines.h"
#include "pipeline/pipeline_texts.h"
#include "tests/e2e/actions.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

namespace {

constexpr double kRepaintEverySeconds = 0.010;
constexpr double kRepaintTimeoutSeconds = 30;

int64_t BenchLines() {
  static const int64_t lines = [] {
    const char* given = std::getenv("VX_WINE_BENCH_LINES");
    long long count = given ? std::atoll(given) : 0;
    return count > 0 ? static_cast<int64_t>(count) : int64_t{1000000};
  }();
  return lines;
}

// Three minutes, and more for lists above a million lines.
double CommandTimeoutSeconds() {
  return 180 + static_cast<double>(BenchLines()) / 1e6 * 10;
}

double Seconds() {
  static const double frequency = [] {
    LARGE_INTEGER ticks;
    QueryPerformanceFrequency(&ticks);
    return static_cast<double>(ticks.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency;
}

// The soak repeats the commands fifty times and prints its own figures instead.
bool print_command_figures = true;

// The figure lines start at the left margin, so that scripts can pick them out of the steps.
void Figure(const char* stage, size_t lines, double seconds) {
  if (!print_command_figures) return;
  std::printf("wine %s %llu %.3f\n", stage, static_cast<unsigned long long>(lines), seconds);
  std::fflush(stdout);
}

std::string CountTitle(const char* before, size_t rows, const char* after) {
  return before + std::to_string(rows) + after;
}

// Polls the frame title every millisecond until it is `title`; returns the moment it was first
// seen, or a negative value when it was not seen in time.
double WaitForTitleSeen(HWND window, const std::string& title, double timeout_seconds) {
  for (double start = Seconds();;) {
    double now = Seconds();
    if (FrameTitle(window) == title) return now;
    if (now - start > timeout_seconds) return -1;
    Sleep(1);
  }
}

// Right-clicks the list, prints how long the menu took to show, and chooses the entry `caption`.
// `chosen_at` gets the moment the entry was chosen.
bool Choose(Program& program, const std::string& caption, double* chosen_at) {
  POINT at = program.NextClickPoint();
  int rows = ListRowCount(program.list);
  double clicked = Seconds();
  PostRightClick(program.list, at);
  HWND menu = nullptr;
  while (!(menu = WaitForPopupMenu(program.target, 0)) && Seconds() - clicked < 30) Sleep(1);
  if (!menu) return false;
  Figure("menu", static_cast<size_t>(std::max(rows, 0)), Seconds() - clicked);
  std::vector<MenuEntry> entries;
  if (!ReadPopupMenu(program.target, program.settings->probe_dll, menu, &entries)) {
    DismissPopupMenu(menu);
    return false;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].separator && entries[i].caption == caption) {
      *chosen_at = Seconds();
      return ChoosePopupMenuEntry(menu, entries, static_cast<int>(i));
    }
  }
  DismissPopupMenu(menu);
  return false;
}

// The bench's input, and which of its numbers have been met: the kept rows are each number's
// first line, in the order of the file. Phone numbers are 13000000000 to 19999999999, so one bit
// per number tells them apart without a set of strings (a hundred million lines fit).
struct Input {
  std::string bytes;
  size_t distinct = 0;
  std::vector<uint64_t> seen;  // a bit per number

  static constexpr uint64_t kFirstNumber = 13000000000ULL;
  static constexpr uint64_t kNumbers = 7000000000ULL;

  void ForgetSeen() { seen.assign(kNumbers / 64 + 1, 0); }
  // True the first time a line of this number comes.
  bool FirstTime(std::string_view line) {
    uint64_t number = 0;
    for (char digit : line) number = number * 10 + static_cast<uint64_t>(digit - '0');
    uint64_t bit = number - kFirstNumber;
    if (line.size() != 11 || bit >= kNumbers) return false;
    uint64_t& word = seen[bit / 64];
    uint64_t mask = uint64_t{1} << (bit % 64);
    bool first = !(word & mask);
    word |= mask;
    return first;
  }
};

// Calls `line(text)` for each CR LF line of `bytes`.
template <typename Line>
void ForEachLine(std::string_view bytes, Line&& line) {
  while (!bytes.empty()) {
    size_t end = bytes.find("\r\n");
    line(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 2);
  }
}

void MakeInput(Input* input) {
  input->bytes = bench::PhoneLines(BenchLines());
  input->ForgetSeen();
  ForEachLine(input->bytes,
              [&](std::string_view line) { input->distinct += input->FirstTime(line); });
}

// Reads a file a block at a time and hands over its CR LF lines, for exports larger than memory
// would like to hold twice.
class FileLines {
 public:
  explicit FileLines(const std::string& path)
      : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                          nullptr)) {}
  ~FileLines() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  bool opened() const { return file_ != INVALID_HANDLE_VALUE; }

  // The next line without its CR LF; false at the end of the file.
  bool Next(std::string* line) {
    for (;;) {
      size_t end = buffer_.find("\r\n", position_);
      if (end != std::string::npos) {
        line->assign(buffer_, position_, end - position_);
        position_ = end + 2;
        return true;
      }
      buffer_.erase(0, position_);
      position_ = 0;
      char block[1 << 20];
      DWORD read = 0;
      if (!ReadFile(file_, block, sizeof block, &read, nullptr) || read == 0) {
        if (buffer_.empty()) return false;
        *line = buffer_;
        buffer_.clear();
        return true;
      }
      buffer_.append(block, read);
    }
  }

 private:
  HANDLE file_;
  std::string buffer_;
  size_t position_ = 0;
};

// The list is invalidated from this process, and the time runs until the list has begun to
// paint: Wine keeps update regions in its server, so GetUpdateRect here sees the list's region,
// and BeginPaint in the list's WM_PAINT empties it. `pending` tells whether the region was seen
// before it emptied, which shows that the driver really sees it.
double RepaintMilliseconds(HWND list, bool* pending) {
  RECT region;
  double start = Seconds();
  InvalidateRect(list, nullptr, FALSE);
  *pending = GetUpdateRect(list, &region, FALSE);
  while (GetUpdateRect(list, &region, FALSE) && Seconds() - start < kRepaintTimeoutSeconds) {
    Sleep(1);
  }
  return (Seconds() - start) * 1000;
}

// A round trip of a message sent to the list, for comparison: the list's thread answers sent
// messages while it waits for its queue, even when painting is held back.
double MessageMilliseconds(HWND list) {
  double start = Seconds();
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(list, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
  return (Seconds() - start) * 1000;
}

struct Sampled {
  std::vector<double> repaint_ms;
  std::vector<double> message_ms;
  int seen_pending = 0;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Samples the list's repaint every 10 ms until `done` is set.
void SampleRepaints(HWND list, const std::atomic<bool>& done, Sampled* sampled) {
  while (!done) {
    double start = Seconds();
    bool pending = false;
    sampled->repaint_ms.push_back(RepaintMilliseconds(list, &pending));
    sampled->seen_pending += pending;
    sampled->message_ms.push_back(MessageMilliseconds(list));
    double left = kRepaintEverySeconds - (Seconds() - start);
    if (left > 0) Sleep(static_cast<DWORD>(left * 1000));
  }
}

// Sends the window a message every 10 ms on a thread of its own, from its making to Stop, and
// keeps the longest round trip: the window handles sent messages whenever it handles its events.
class EventGaps {
 public:
  explicit EventGaps(HWND window)
      : thread_([this, window] {
          double began = Seconds();
          while (!done_) {
            double start = Seconds();
            double milliseconds = MessageMilliseconds(window);
            if (milliseconds > longest_) {
              longest_ = milliseconds;
              longest_at_ = start - began;
            }
            double left = kRepaintEverySeconds - (Seconds() - start);
            if (left > 0) Sleep(static_cast<DWORD>(left * 1000));
          }
        }) {}
  ~EventGaps() { Stop(); }
  // Stops the sampling and prints the longest gap as `stage`'s.
  void Report(const char* stage) {
    Stop();
    std::printf("wine event_gap_max_ms %s %.1f (from %.2f s on)\n", stage, longest_.load(),
                longest_at_.load());
    std::fflush(stdout);
  }

 private:
  void Stop() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<bool> done_{false};
  std::atomic<double> longest_{0};
  std::atomic<double> longest_at_{0};  // seconds after the sampling began
  std::thread thread_;
};

// `stage` names the figures: an import into the empty list, or over the digested one.
bool Import(Program& program, const std::string& path, const char* stage = "import") {
  double chosen = 0;
  if (!Step(Choose(program, "1导入文本", &chosen), "choose 1导入文本")) return false;
  HWND dialog = WaitForFileDialog(program.target, program.window);
  if (!Step(dialog != nullptr && FillFileDialog(dialog, path), "the file is chosen", "%s",
            path.c_str())) {
    return false;
  }
  double dialog_closed = Seconds();
  EventGaps gaps(program.window);
  std::string title =
      CountTitle(kTitleImportedBefore, static_cast<size_t>(BenchLines()), kTitleImportedAfter);
  double done = WaitForTitleSeen(program.window, title, CommandTimeoutSeconds());
  gaps.Report(stage);
  if (!Step(done > 0, "import done", "title %s", Hex(FrameTitle(program.window)).c_str())) {
    return false;
  }
  Note("%s: %.3f s in the open dialog, %.3f s after it closed", stage, dialog_closed - chosen,
       done - dialog_closed);
  Figure(stage, static_cast<size_t>(BenchLines()), done - chosen);
  return true;
}

bool RemoveDuplicates(Program& program, size_t distinct) {
  double chosen = 0;
  if (!Step(Choose(program, "2去重复项", &chosen), "choose 2去重复项")) return false;
  EventGaps gaps(program.window);
  double done = WaitForTitleSeen(program.window,
                                 CountTitle(kTitleRemainingBefore, distinct, kTitleRemainingAfter),
                                 CommandTimeoutSeconds());
  gaps.Report("remove_duplicates");
  int rows = ListRowCount(program.list);
  if (!Step(done > 0 && rows == static_cast<int>(distinct),
            "duplicate removal leaves each number once", "%d rows, %llu expected, title %s", rows,
            static_cast<unsigned long long>(distinct), Hex(FrameTitle(program.window)).c_str())) {
    return false;
  }
  Figure("remove_duplicates", static_cast<size_t>(BenchLines()), done - chosen);
  return true;
}

bool Md5Pass(Program& program, size_t rows) {
  Sampled idle;
  for (int i = 0; i < 50; ++i) {
    bool pending = false;
    idle.repaint_ms.push_back(RepaintMilliseconds(program.list, &pending));
    idle.seen_pending += pending;
  }
  Note("idle list: repaint median %.1f ms, max %.1f ms", Median(idle.repaint_ms),
       Max(idle.repaint_ms));

  double chosen = 0;
  if (!Step(Choose(program, "3开始加密", &chosen), "choose 3开始加密")) return false;
  std::string title = CountTitle(kTitlePassCompleteBefore, rows, kTitlePassCompleteAfter);
  std::atomic<bool> complete{false};
  double done = -1;
  std::thread watcher([&] {
    done = WaitForTitleSeen(program.window, title, CommandTimeoutSeconds());
    complete = true;
  });
  Sampled pass;
  SampleRepaints(program.list, complete, &pass);
  watcher.join();
  if (!Step(done > 0, "MD5 pass done", "title %s", Hex(FrameTitle(program.window)).c_str())) {
    return false;
  }
  // Under load the list may paint before the first look; the region must be seen pending at
  // least once, or the driver does not see it at all and the figures would mean nothing.
  Step(idle.seen_pending + pass.seen_pending > 0,
       "the driver sees the list's update region before the list paints",
       "idle %d of %d, pass %d of %d samples", idle.seen_pending,
       static_cast<int>(idle.repaint_ms.size()), pass.seen_pending,
       static_cast<int>(pass.repaint_ms.size()));
  Note("pass: %d repaint samples; sent message round trip median %.1f ms, max %.1f ms",
       static_cast<int>(pass.repaint_ms.size()), Median(pass.message_ms), Max(pass.message_ms));
  Figure("md5", rows, done - chosen);
  std::printf("wine event_gap_max_ms md5 %.1f\n", Max(pass.message_ms));
  std::printf("wine repaint_max_ms %.1f\nwine repaint_median_ms %.1f\n", Max(pass.repaint_ms),
              Median(pass.repaint_ms));
  std::fflush(stdout);
  return true;
}

// Waits until `row` is the selected row; returns the moment that was seen, or a negative value.
double WaitForSelectedRow(HWND list, int row) {
  for (double start = Seconds();;) {
    if (IsOnlySelectedRow(list, row)) return Seconds();
    if (Seconds() - start > 10) return -1;
    Sleep(1);
  }
}

// Moving the selection on the digested list, where a row is already selected: a left click on
// another row, the Down arrow, and right clicks on other rows that open the menu. The rows are
// picked from those in view (the pass scrolls the list as it goes).
bool MoveSelection(Program& program, size_t rows) {
  auto top = static_cast<int>(SendMessageA(program.list, LVM_GETTOPINDEX, 0, 0));
  int row = top + 2;
  POINT at = RowPoint(program, row);
  double clicked = Seconds();
  PostLeftClick(program.list, at);
  double selected = WaitForSelectedRow(program.list, row);
  if (!Step(selected > 0, "a left click selects the row", "row %d at %ld, %ld, %d selected", row,
            at.x, at.y, ListSelectedCount(program.list))) {
    return false;
  }
  Figure("left_click", rows, selected - clicked);
  for (int i = 0; i < 3; ++i) {
    double pressed = Seconds();
    PostKey(program.list, VK_DOWN);
    selected = WaitForSelectedRow(program.list, ++row);
    if (!Step(selected > 0, "Down selects the next row", "row %d, %d selected", row,
              ListSelectedCount(program.list))) {
      return false;
    }
    Figure("key_down", rows, selected - pressed);
  }
  for (int target : {top + 9, top + 1, top + 14}) {
    double right_clicked = Seconds();
    PostRightClick(program.list, RowPoint(program, target));
    HWND menu = nullptr;
    while (!(menu = WaitForPopupMenu(program.target, 0)) && Seconds() - right_clicked < 30) {
      Sleep(1);
    }
    if (!Step(menu != nullptr, "a right click on another row opens the menu")) return false;
    Figure("menu", rows, Seconds() - right_clicked);
    bool selected_there = IsOnlySelectedRow(program.list, target);
    DismissPopupMenu(menu);
    if (!Step(selected_there, "the right-clicked row is the selected one", "row %d", target)) {
      return false;
    }
  }
  return true;
}

// The last row of the digested list: End selects it, and a left and a right click on it (after a
// click on a row above it) select it and open the menu.
bool LastRow(Program& program, size_t rows) {
  int last = static_cast<int>(rows) - 1;
  double pressed = Seconds();
  PostKey(program.list, VK_END);
  double selected = WaitForSelectedRow(program.list, last);
  if (!Step(selected > 0, "End selects the last row", "row %d, %d selected", last,
            ListSelectedCount(program.list))) {
    return false;
  }
  Figure("end_key", rows, selected - pressed);
  auto top = static_cast<int>(SendMessageA(program.list, LVM_GETTOPINDEX, 0, 0));
  PostLeftClick(program.list, RowPoint(program, top));
  if (!Step(WaitForSelectedRow(program.list, top) > 0, "a click selects a row above")) return false;
  double clicked = Seconds();
  PostLeftClick(program.list, RowPoint(program, last));
  selected = WaitForSelectedRow(program.list, last);
  if (!Step(selected > 0, "a click selects the last row")) return false;
  Figure("last_row_click", rows, selected - clicked);
  PostLeftClick(program.list, RowPoint(program, top));
  if (!Step(WaitForSelectedRow(program.list, top) > 0, "a click selects a row above")) return false;
  double right_clicked = Seconds();
  PostRightClick(program.list, RowPoint(program, last));
  HWND menu = nullptr;
  while (!(menu = WaitForPopupMenu(program.target, 0)) && Seconds() - right_clicked < 30) Sleep(1);
  if (!Step(menu != nullptr, "a right click on the last row opens the menu")) return false;
  Figure("last_row_menu", rows, Seconds() - right_clicked);
  bool selected_there = IsOnlySelectedRow(program.list, last);
  DismissPopupMenu(menu);
  return Step(selected_there, "the last row is the selected one");
}

// Exports to `path`, with file type `type` (from 0) picked in the dialog, or the type the dialog
// shows when it is -1; the figures are named `stage`.
bool Export(Program& program, const std::string& path, size_t rows, int type = -1,
            const char* stage = "export") {
  DeleteFileA(path.c_str());
  double chosen = 0;
  if (!Step(Choose(program, "4导出结果", &chosen), "choose 4导出结果")) return false;
  HWND dialog = WaitForFileDialog(program.target, program.window);
  if (!Step(dialog != nullptr && (type < 0 || ChooseFileType(dialog, type)) &&
                FillFileDialog(dialog, path),
            "the export file is chosen", "%s", path.c_str())) {
    return false;
  }
  double dialog_closed = Seconds();
  EventGaps gaps(program.window);
  HWND box = WaitForMessageBox(program.target, nullptr, {IDOK},
                               static_cast<DWORD>(CommandTimeoutSeconds() * 1000));
  double reported = Seconds();
  gaps.Report(stage);
  if (!Step(box != nullptr, "a message box reports the export")) return false;
  Note("%s: %.3f s in the save dialog, %.3f s to the message \"%s\"", stage, dialog_closed - chosen,
       reported - dialog_closed, ReadMessageBox(box).text.c_str());
  if (!Step(AnswerMessageBox(box, IDOK), "OK closes the message")) return false;
  double done = WaitForTitleSeen(program.window,
                                 CountTitle(kTitleExportedBefore, rows, kTitleExportedAfter), 10);
  if (!Step(done > 0, "the title says exported", "title %s",
            Hex(FrameTitle(program.window)).c_str())) {
    return false;
  }
  Figure(stage, rows, done - chosen);
  return true;
}

// The export in each file type of the dialog, one after another, timed as the export is.
void ExportEachType(Program& program, const std::string& path, size_t rows) {
  static const char* const kStages[] = {"export-type1", "export-type2", "export-type3",
                                        "export-type4"};
  for (int type = 0; type < 4; ++type) {
    if (!Export(program, path, rows, type, kStages[type])) return;
  }
  DeleteFileA(path.c_str());
}

// Every line of the export is the kept text in order with two digests of the right form; a
// sample of lines, the first and the last among them, is checked against CryptoAPI's digests.
void CheckExport(const std::string& path, Input* input) {
  FileLines exported(path);
  if (!Step(exported.opened(), "the export file is opened")) return;
  size_t lines = 0, well_formed = 0, digests_right = 0, sampled = 0;
  size_t every = input->distinct / 1000 + 1;
  input->ForgetSeen();
  std::string line;
  ForEachLine(input->bytes, [&](std::string_view kept) {
    if (!input->FirstTime(kept) || !exported.Next(&line)) return;
    std::string_view view = line;
    size_t text_length = view.size() >= 56 ? view.size() - 56 : 0;
    std::string_view text = view.substr(0, text_length), digest, short_digest;
    if (text_length > 0 && view.substr(text_length, 4) == "----" &&
        view.substr(text_length + 36, 4) == "----") {
      digest = view.substr(text_length + 4, 32);
      short_digest = view.substr(text_length + 40);
    }
    if (text == kept && short_digest == digest.substr(8, 16) && !digest.empty()) ++well_formed;
    if (lines % every == 0 || lines + 1 == input->distinct) {
      ++sampled;
      digests_right += SystemMd5(std::string(text)) == digest;
    }
    ++lines;
  });
  bool more = exported.Next(&line);
  Step(lines == input->distinct && well_formed == lines && !more,
       "the export holds every kept number once, in order, with both digests", "%llu lines",
       static_cast<unsigned long long>(lines));
  Step(sampled > std::min<size_t>(1000, input->distinct) - 1 && digests_right == sampled,
       "sampled digests agree with CryptoAPI", "%llu of %llu",
       static_cast<unsigned long long>(digests_right), static_cast<unsigned long long>(sampled));
}

// The MD5 pass, without the repaint samples of the benchmark.
bool PlainMd5Pass(Program& program, size_t rows) {
  double chosen = 0;
  if (!Step(Choose(program, "3开始加密", &chosen), "choose 3开始加密")) return false;
  std::string title = CountTitle(kTitlePassCompleteBefore, rows, kTitlePassCompleteAfter);
  return Step(WaitForTitleSeen(program.window, title, CommandTimeoutSeconds()) > 0, "MD5 pass done",
              "title %s", Hex(FrameTitle(program.window)).c_str());
}

bool ClearList(Program& program) {
  double chosen = 0;
  if (!Step(Choose(program, "清空列表", &chosen), "choose 清空列表")) return false;
  bool cleared = WaitForTitleSeen(program.window, kTitle, CommandTimeoutSeconds()) > 0 &&
                 ListRowCount(program.list) == 0;
  return Step(cleared, "the list is empty and the title Vextorin", "%d rows",
              ListRowCount(program.list));
}

// Esc and Yes end the program with exit code 0; the scenario's files go.
void CloseAndRemove(Program& program, const std::string& input_path,
                    const std::string& export_path) {
  PressEscape(program.window);
  HWND box = WaitForMessageBox(program.target, nullptr, {IDYES, IDNO});
  if (Step(box != nullptr, "Esc asks the close question")) {
    Step(AnswerMessageBox(box, IDYES), "Yes closes the question");
  }
  DWORD exit_code = 1;
  Step(program.target.WaitForExit(30000, &exit_code) && exit_code == 0,
       "the program ends with exit code 0");
  DeleteFileA(input_path.c_str());
  DeleteFileA(export_path.c_str());
}

double Megabytes(size_t bytes) {
  return static_cast<double>(bytes) / (1 << 20);
}

// Makes the input and writes it to `path`; false, reported, when it cannot be written.
bool MakeAndWriteInput(const std::string& path, Input* input) {
  MakeInput(input);
  return Step(WriteFileBytes(path, input->bytes), "input written", "%lld lines, %llu distinct",
              static_cast<long long>(BenchLines()),
              static_cast<unsigned long long>(input->distinct));
}

}  // namespace

void WineSoakScenario(const RunSettings& settings) {
  constexpr int kRounds = 50;
  Input input;
  std::string input_path = settings.output_dir + "\\wine_soak_input.txt";
  std::string export_path = settings.output_dir + "\\wine_soak_export.txt";
  if (!MakeAndWriteInput(input_path, &input)) return;
  Program program;
  if (!StartProgram(settings, &program)) return;
  print_command_figures = false;

  size_t distinct = input.distinct;
  std::string first_export;
  std::vector<double> working_set_mb;
  int identical = 0;
  double started = Seconds();
  for (int round = 1; round <= kRounds; ++round) {
    double round_started = Seconds();
    if (!Import(program, input_path) || !RemoveDuplicates(program, distinct) ||
        !PlainMd5Pass(program, distinct) || !Export(program, export_path, distinct)) {
      break;
    }
    double full_mb = Megabytes(program.target.WorkingSetBytes());  // the digested list
    std::string exported;
    ReadFileBytes(export_path, &exported);
    if (round == 1) {
      CheckExport(export_path, &input);
      first_export = std::move(exported);
      ++identical;
    } else {
      identical += exported == first_export;
    }
    if (!ClearList(program)) break;
    working_set_mb.push_back(Megabytes(program.target.WorkingSetBytes()));
    std::printf("soak round %d working_set_mb %.1f with_list_mb %.1f seconds %.2f\n", round,
                working_set_mb.back(), full_mb, Seconds() - round_started);
    std::fflush(stdout);
  }
  int rounds = static_cast<int>(working_set_mb.size());
  if (Step(rounds == kRounds, "every round ran", "%d of %d", rounds, kRounds)) {
    double first = working_set_mb.front(), last = working_set_mb.back();
    double most = *std::max_element(working_set_mb.begin(), working_set_mb.end());
    std::printf("soak working_set_mb first %.1f last %.1f max %.1f\nsoak seconds %.1f\n", first,
                last, most, Seconds() - started);
    Step(last <= first * 1.1 && last >= first * 0.9,
         "the last round's working set is within 10% of the first's", "%.1f MB, then %.1f MB",
         first, last);
    Step(identical == rounds, "every export is byte-identical to the first", "%d of %d", identical,
         rounds);
  }

  CloseAndRemove(program, input_path, export_path);
}

void WineBenchScenario(const RunSettings& settings) {
  Input input;
  double started = Seconds();
  std::string input_path = settings.output_dir + "\\wine_bench_input.txt";
  std::string export_path = settings.output_dir + "\\wine_bench_export.txt";
  if (!MakeAndWriteInput(input_path, &input)) return;
  Note("input made and written in %.2f s", Seconds() - started);

  Program program;
  if (!StartProgram(settings, &program)) return;

  size_t distinct = input.distinct;
  if (Import(program, input_path) && RemoveDuplicates(program, distinct) &&
      Md5Pass(program, distinct) && MoveSelection(program, distinct) &&
      LastRow(program, distinct) && Export(program, export_path, distinct)) {
    CheckExport(export_path, &input);
    ExportEachType(program, export_path, distinct);
    // An import over the digested list clears it first, its memory given back meanwhile.
    Import(program, input_path, "import_over_list");
  }

  CloseAndRemove(program, input_path, export_path);
}

}  // namespace vx::e2e
