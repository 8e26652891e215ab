// The headless window: the Win32 window's twin for the unit tests, on every platform. It keeps no
// units of its own (they are portable, ui/units.cpp); it records what the window would have shown,
// answers dialogs and message boxes from a script, and plays the user: right clicks, popup choices
// and close requests. Loading a window (LoadStartWindow) starts it afresh.
//
// Everything here is for the UI thread, except that the records may be read from any thread.
// Handlers run on the thread that raises their event, as on Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/window_backend.h"

namespace vx::headless {

struct TitleChange {
  std::string title;
  bool on_ui_thread;
};

struct MenuVisibilityChange {
  UnitRef entry;
  bool visible;
  bool on_ui_thread;
};

struct UnitVisibilityChange {
  UnitRef unit;
  bool visible;
};

struct PopupLine {
  UnitRef entry;
  std::string caption;
  bool separator;
  bool greyed;
  bool checked;
};

struct ShownPopup {
  std::vector<PopupLine> lines;
  std::optional<int32_t> x, y;
};

// What the task-bar button showed: `done` of `total`, or nothing (the progress taken off) when
// `total` is 0.
struct TaskbarProgressChange {
  uint64_t done;
  uint64_t total;
};

struct ShownMessageBox {
  std::string text;
  std::string caption;
  uint32_t style;
};

// --- What the window showed, oldest first, since it was loaded ---------------------------------

bool WindowShown();
bool WindowClosed();
// Windows shown since the program started, the ones before the last load included: what a thread
// waiting for a window to come up compares, since WindowShown may still tell of the one before.
int64_t WindowsShownSoFar();
std::vector<TitleChange> TitleChanges();
std::vector<MenuVisibilityChange> MenuVisibilityChanges();
std::vector<UnitVisibilityChange> UnitVisibilityChanges();
std::vector<ShownPopup> Popups();
std::vector<FileDialogRequest> FileDialogs();
std::vector<ShownMessageBox> MessageBoxes();
std::vector<int32_t> RowsMadeVisible();     // EnsureRowVisible's rows, as the window scrolled
std::vector<std::string> ClipboardTexts();  // every text put on the clipboard
// The length of the last text put on the clipboard and its bytes from `from` on, at most `count`
// of them, for texts too long to copy whole.
size_t LastClipboardTextLength();
std::string LastClipboardTextPart(size_t from, size_t count);
std::vector<TaskbarProgressChange> TaskbarProgressChanges();
// Every request to the window in order, one line each ("title ...", "visible 3 0", "forbid 3",
// "allow", "rows replaced 12", "popup 10", "dialog open", "menu 6 0"), for checking sequences.
std::vector<std::string> Requests();
int64_t PendingEventRuns();  // ProcessPendingEvents calls
int64_t RowsChangedNotices();
std::optional<UnitRef> RedrawForbiddenUnit();

// --- Scripts: the answers to the next dialogs and boxes, in order -------------------------------

// The user picks the filter pair `chosen_filter` (from 1; 0 leaves the one shown first).
void ConfirmNextFileDialog(const std::string& chosen_path, int32_t chosen_filter = 0);
void CancelNextFileDialog();  // a dialog without a scripted answer is cancelled too
// While the next dialog is open the user browses to `directory`, which becomes the current one
// as it does with Windows's open dialog, whatever its flags.
void EnterDirectoryInNextFileDialog(const std::string& directory);
// With a button (kButtonYes, kButtonNo, kButtonOk, ...); a box without one goes on to the message
// box handler that was installed before the window (the tests' recorder answers OK).
void AnswerNextMessageBox(int32_t button);
// The next LoadStartWindow fails to build its window.
void FailNextWindowCreation();

// --- The user --------------------------------------------------------------------------------

// A right click on `unit`: raises its right-click event at once.
void RightClick(UnitRef unit);
// Selects `row` of the list alone (-1: none), as a click would. Replacing the rows clears it.
void SelectRow(int32_t row);
// Picks `entry` in the popup shown last; its chosen event is raised from the message queue, the
// next time the window pumps. False, changing nothing, when no popup is open or the entry is not
// one of its items, is a separator or is greyed.
bool ChooseFromPopup(UnitRef entry);
// A close request (the Close button, Esc): raises the close query; when the close goes on, the
// window is destroyed. True when it was.
bool RequestClose();
// Handles what waits in the message queue (chosen entries) and the work other threads hand to the
// UI thread, until none is left.
void Pump();
// Ends RunMessageLoop (which also ends when the window is destroyed); callable from any thread.
void QuitMessageLoop();

}  // namespace vx::headless
