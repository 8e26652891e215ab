#include "ui/window_headless.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "runtime/heap.h"
#include "runtime/message_box.h"
#include "runtime/runtime.h"
#include "runtime/ui_thread.h"
#include "ui/list_control.h"
#include "ui/units.h"

namespace vx {

namespace {

struct DialogAnswer {
  bool confirm;
  std::string path;
  int32_t filter;  // the filter pair chosen, from 1; 0: the one the dialog showed first
};

// What one loaded window recorded and what the test scripted for it.
struct HeadlessState {
  UnitRef window{0, 0};
  bool shown = false;
  bool closed = false;
  std::vector<headless::TitleChange> titles;
  std::vector<headless::MenuVisibilityChange> menu_changes;
  std::vector<headless::UnitVisibilityChange> visibility_changes;
  std::vector<headless::ShownPopup> popups;
  bool popup_open = false;
  std::vector<FileDialogRequest> file_dialogs;
  std::vector<headless::ShownMessageBox> message_boxes;
  std::vector<int32_t> rows_made_visible;
  std::vector<std::string> clipboard_texts;
  std::vector<headless::TaskbarProgressChange> taskbar_progress;
  int32_t selected_row = -1;
  std::vector<std::string> requests;
  std::optional<UnitRef> redraw_forbidden;
  std::deque<DialogAnswer> dialog_answers;
  std::optional<std::string> directory_entered;  // by the next dialog
  std::deque<int32_t> box_answers;
  std::deque<UnitRef> queued_choices;  // the message queue: chosen entries
};

std::mutex state_mutex;
HeadlessState state;
std::atomic<int64_t> pending_event_runs{0};
std::atomic<int64_t> windows_shown{0};
std::atomic<int64_t> rows_changed_notices{0};
std::atomic<bool> quit_requested{false};
std::atomic<bool> fail_next_creation{false};
MessageBoxHandler handler_before_window = nullptr;
bool message_box_handler_installed = false;

std::string UnitText(UnitRef unit) {
  return std::to_string(unit.unit);
}

int32_t AnswerMessageBox(const char* text, const char* caption, uint32_t style) {
  MessageBoxHandler next = handler_before_window;
  // While a test makes allocations fail, the box is the runtime's report of one, which may come
  // from inside this window's own records: it goes on unrecorded.
  if (AllocationFailsForTesting(1)) return next ? next(text, caption, style) : kButtonOk;
  {
    std::lock_guard<std::mutex> lock(state_mutex);
    state.message_boxes.push_back({text ? text : "", caption ? caption : "", style});
    state.requests.push_back("message box " + std::string(caption ? caption : ""));
    if (!state.box_answers.empty()) {
      int32_t answer = state.box_answers.front();
      state.box_answers.pop_front();
      return answer;
    }
  }
  return next ? next(text, caption, style) : kButtonOk;
}

template <typename T>
std::vector<T> Copy(const std::vector<T>& records) {
  std::lock_guard<std::mutex> lock(state_mutex);
  return records;
}

}  // namespace

// --- The backend ------------------------------------------------------------------------------

bool BackendCreateWindow(const WindowLayout& layout) {
  {
    std::lock_guard<std::mutex> lock(state_mutex);
    state = HeadlessState();
    state.window = layout.window;
    if (!message_box_handler_installed) {
      handler_before_window = SetMessageBoxHandler(AnswerMessageBox);
      message_box_handler_installed = true;
    }
  }
  pending_event_runs = 0;
  rows_changed_notices = 0;
  quit_requested = false;
  return !fail_next_creation.exchange(false);
}

void BackendShowWindow() {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.shown = true;
  state.requests.push_back("show");
  ++windows_shown;
}

void BackendRunMessageLoop() {
  for (;;) {
    headless::Pump();
    {
      std::lock_guard<std::mutex> lock(state_mutex);
      if (state.closed) return;
    }
    if (quit_requested.exchange(false)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void BackendProcessPendingEvents() {
  ++pending_event_runs;
  headless::Pump();
}

void BackendSetTitle(const char* title) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.titles.push_back({title, IsUiThread()});
  state.requests.push_back(std::string("title ") + title);
}

void BackendMenuEntryVisibilityChanged(UnitRef entry, bool visible) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.menu_changes.push_back({entry, visible, IsUiThread()});
  state.requests.push_back("menu " + UnitText(entry) + (visible ? " 1" : " 0"));
}

void BackendSetUnitVisible(UnitRef unit, bool visible) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.visibility_changes.push_back({unit, visible});
  state.requests.push_back("visible " + UnitText(unit) + (visible ? " 1" : " 0"));
}

// Like LockWindowUpdate: one window at a time; a second lock while one is held has no effect.
void BackendForbidRedraw(UnitRef unit) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.requests.push_back("forbid " + UnitText(unit));
  if (!state.redraw_forbidden) state.redraw_forbidden = unit;
}

void BackendAllowRedraw() {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.requests.push_back("allow");
  state.redraw_forbidden.reset();
}

void BackendListRowsReplaced(UnitRef list) {
  std::string request = "rows replaced " + std::to_string(GetRowCount(list));
  std::lock_guard<std::mutex> lock(state_mutex);
  state.requests.push_back(request);
  state.selected_row = -1;
}

void BackendListRowsChanged(UnitRef) {
  rows_changed_notices.fetch_add(1, std::memory_order_relaxed);
}

void BackendEnsureRowVisible(UnitRef, int32_t row) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.rows_made_visible.push_back(row);
  state.requests.push_back("ensure visible " + std::to_string(row));
}

int32_t BackendSelectedRow(UnitRef) {
  std::lock_guard<std::mutex> lock(state_mutex);
  return state.selected_row;
}

bool BackendSetClipboardText(const char* text, size_t length) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.clipboard_texts.emplace_back(text, length);
  state.requests.push_back("clipboard");
  return true;
}

void BackendSetTaskbarProgress(uint64_t done, uint64_t total) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.taskbar_progress.push_back({done, total});
}

void BackendPopupMenu(const PopupItem* items, int32_t count, std::optional<int32_t> x,
                      std::optional<int32_t> y) {
  headless::ShownPopup popup;
  for (int32_t i = 0; i < count; ++i) {
    popup.lines.push_back(
        {items[i].entry, items[i].caption, items[i].separator, items[i].greyed, items[i].checked});
  }
  popup.x = x;
  popup.y = y;
  std::lock_guard<std::mutex> lock(state_mutex);
  state.popups.push_back(std::move(popup));
  state.popup_open = true;
  state.requests.push_back("popup " + std::to_string(count));
}

bool BackendShowFileDialog(const FileDialogRequest& request, std::string* chosen_path,
                           int32_t* chosen_filter) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.file_dialogs.push_back(request);
  state.requests.push_back(request.save ? "dialog save" : "dialog open");
  if (state.directory_entered) ChangeCurrentDirectory(state.directory_entered->c_str());
  state.directory_entered.reset();
  if (state.dialog_answers.empty()) return false;
  DialogAnswer answer = state.dialog_answers.front();
  state.dialog_answers.pop_front();
  if (!answer.confirm) return false;
  *chosen_path = answer.path;
  *chosen_filter = answer.filter != 0 ? answer.filter : request.filter_index;
  return true;
}

// --- The test-facing side ---------------------------------------------------------------------

namespace headless {

bool WindowShown() {
  std::lock_guard<std::mutex> lock(state_mutex);
  return state.shown;
}

bool WindowClosed() {
  std::lock_guard<std::mutex> lock(state_mutex);
  return state.closed;
}

int64_t WindowsShownSoFar() {
  return windows_shown.load();
}

std::vector<TitleChange> TitleChanges() {
  return Copy(state.titles);
}
std::vector<MenuVisibilityChange> MenuVisibilityChanges() {
  return Copy(state.menu_changes);
}
std::vector<UnitVisibilityChange> UnitVisibilityChanges() {
  return Copy(state.visibility_changes);
}
std::vector<ShownPopup> Popups() {
  return Copy(state.popups);
}
std::vector<FileDialogRequest> FileDialogs() {
  return Copy(state.file_dialogs);
}
std::vector<ShownMessageBox> MessageBoxes() {
  return Copy(state.message_boxes);
}
std::vector<int32_t> RowsMadeVisible() {
  return Copy(state.rows_made_visible);
}
std::vector<std::string> ClipboardTexts() {
  return Copy(state.clipboard_texts);
}
size_t LastClipboardTextLength() {
  std::lock_guard<std::mutex> lock(state_mutex);
  return state.clipboard_texts.empty() ? 0 : state.clipboard_texts.back().size();
}
std::string LastClipboardTextPart(size_t from, size_t count) {
  std::lock_guard<std::mutex> lock(state_mutex);
  if (state.clipboard_texts.empty() || from > state.clipboard_texts.back().size()) return "";
  return state.clipboard_texts.back().substr(from, count);
}
std::vector<TaskbarProgressChange> TaskbarProgressChanges() {
  return Copy(state.taskbar_progress);
}
std::vector<std::string> Requests() {
  return Copy(state.requests);
}

int64_t PendingEventRuns() {
  return pending_event_runs.load();
}

int64_t RowsChangedNotices() {
  return rows_changed_notices.load();
}

std::optional<UnitRef> RedrawForbiddenUnit() {
  std::lock_guard<std::mutex> lock(state_mutex);
  return state.redraw_forbidden;
}

void ConfirmNextFileDialog(const std::string& chosen_path, int32_t chosen_filter) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.dialog_answers.push_back({true, chosen_path, chosen_filter});
}

void CancelNextFileDialog() {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.dialog_answers.push_back({false, std::string(), 0});
}

void EnterDirectoryInNextFileDialog(const std::string& directory) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.directory_entered = directory;
}

void AnswerNextMessageBox(int32_t button) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.box_answers.push_back(button);
}

void FailNextWindowCreation() {
  fail_next_creation = true;
}

void RightClick(UnitRef unit) {
  RaiseRightClick(unit);
}

void SelectRow(int32_t row) {
  std::lock_guard<std::mutex> lock(state_mutex);
  state.selected_row = row;
}

bool ChooseFromPopup(UnitRef entry) {
  std::lock_guard<std::mutex> lock(state_mutex);
  if (!state.popup_open) return false;
  for (const PopupLine& line : state.popups.back().lines) {
    if (line.entry != entry) continue;
    if (line.separator || line.greyed) return false;
    state.popup_open = false;
    state.queued_choices.push_back(entry);
    return true;
  }
  return false;
}

bool RequestClose() {
  UnitRef window;
  {
    std::lock_guard<std::mutex> lock(state_mutex);
    if (state.closed) return false;
    window = state.window;
  }
  if (!RaiseCloseQuery(window)) return false;
  {
    std::lock_guard<std::mutex> lock(state_mutex);
    state.closed = true;
    state.requests.push_back("destroy");
  }
  RaiseDestroyed(window);
  return true;
}

void Pump() {
  for (;;) {
    RunUiThreadTasks();
    UnitRef chosen;
    {
      std::lock_guard<std::mutex> lock(state_mutex);
      if (state.queued_choices.empty()) return;
      chosen = state.queued_choices.front();
      state.queued_choices.pop_front();
    }
    RaiseChosen(chosen);
  }
}

void QuitMessageLoop() {
  quit_requested = true;
}

}  // namespace headless

}  // namespace vx
