// The runtime commands that need the window: message boxes, pending events, redraw, the popup
// menu and the file dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/message_box.h"
#include "ui/units.h"

namespace vx {

// Shows `message` with `flags` (runtime/message_box.h; kMbTaskModal added unless kMbSystemModal is
// set) and the caption (omitted: "信息："). The box has no owner window whatever `owner` says, as
// the platform layer shows every box without one. Blocks until the box is closed and returns the
// button that closed it.
int32_t ShowMessageBox(const char* message, uint32_t flags,
                       std::optional<const char*> caption = std::nullopt,
                       std::optional<UnitRef> owner = std::nullopt);

// Handles the calling thread's pending window messages and returns as soon as none is left.
void ProcessPendingEvents();

// Stops and resumes repainting of a unit's window (one window in the whole system at a time).
void ForbidRedraw(UnitRef unit);
void AllowRedraw(UnitRef unit);

// Shows the visible entries of `menu` as a popup menu at the mouse cursor moved 3 pixels right
// and down (a given x or y, in screen coordinates, replaces the coordinate). Returns when the
// menu closes; a chosen entry's event is raised afterwards, from the message queue.
void PopupMenu(UnitRef window, UnitRef menu, std::optional<int32_t> x = std::nullopt,
               std::optional<int32_t> y = std::nullopt);

// Puts the `length` bytes at `text` on the clipboard as text in the ANSI code page (CF_TEXT),
// replacing what it held. False when the clipboard cannot be opened or does not take the text.
bool CopyTextToClipboard(const char* text, size_t length);

// Shows on the main window's task-bar button that a long command has done `done` (clamped to 0
// to `total`) of `total`; a `total` of 0 or less shows nothing. Callable from any thread and
// cheap: the window shows the latest figures on the UI thread within a few tens of milliseconds.
void ShowTaskbarProgress(int64_t done, int64_t total);
// Takes the progress off the task-bar button.
void ClearTaskbarProgress();

// Shows a dialog unit's open or save dialog. 1 when the user confirmed a file (the unit's file
// name now holds its full path, and its filter the pair shown as the file's type), 0 when the
// dialog was cancelled or failed (file name and filter unchanged).
int32_t ShowFileDialog(UnitRef dialog);

}  // namespace vx
