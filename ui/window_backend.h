// The platform side of the window runtime: the Win32 window (ui/window_win32.cpp) or its
// headless twin for the tests (ui/window_headless.cpp). The portable code decides (what the
// popup shows, the dialog's flags and filter list, which thread carries a request out); a backend
// only translates into the platform's calls. Unless said otherwise, a backend function is called
// on the UI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/layout.h"

namespace vx {

// One line of a popup menu, built from a visible menu entry.
struct PopupItem {
  UnitRef entry;
  const char* caption;
  bool separator;
  bool greyed;
  bool checked;
};

// The OPENFILENAME flags that the portable code sets, with their Win32 values.
inline constexpr uint32_t kOfnOverwritePrompt = 0x2;
inline constexpr uint32_t kOfnHideReadOnly = 0x4;
inline constexpr uint32_t kOfnNoChangeDir = 0x8;
inline constexpr uint32_t kOfnPathMustExist = 0x800;
inline constexpr uint32_t kOfnFileMustExist = 0x1000;
inline constexpr uint32_t kOfnCreatePrompt = 0x2000;
inline constexpr uint32_t kOfnExplorer = 0x80000;
inline constexpr uint32_t kOfnEnableSizing = 0x800000;

// An open or save dialog, ready for GetOpenFileNameA / GetSaveFileNameA.
struct FileDialogRequest {
  bool save;
  std::string filter;     // description and pattern pairs, each zero-terminated, then one more zero
  int32_t filter_index;   // from 1; 0 without a filter
  std::string file_name;  // proposed name ("" none), at most 259 bytes: the path buffer's 260
  std::string default_extension;  // "" none
  std::string title;              // "" the platform's
  std::string initial_directory;  // "" the platform's
  uint32_t flags;                 // OFN_* values
};

// Builds the window and its units (hidden) from the layout; false when it cannot.
bool BackendCreateWindow(const WindowLayout& layout);
void BackendShowWindow();
void BackendRunMessageLoop();
void BackendProcessPendingEvents();

void BackendSetTitle(const char* title);
// A menu entry's hidden bit changed: rebuild the window's menu bar from the visible top-level
// menus (the popup is built anew each time it opens).
void BackendMenuEntryVisibilityChanged(UnitRef entry, bool visible);
void BackendSetUnitVisible(UnitRef unit, bool visible);
void BackendForbidRedraw(UnitRef unit);
void BackendAllowRedraw();

// The list's rows were replaced or emptied: take the new row count and repaint.
void BackendListRowsReplaced(UnitRef list);
// Cells of some rows changed. Called from any thread, once per cell write (millions of times in an
// MD5 pass), so it only marks the list; the backend repaints later, coalesced.
void BackendListRowsChanged(UnitRef list);
void BackendEnsureRowVisible(UnitRef list, int32_t row);
// The one selected row of the list's window, or -1.
int32_t BackendSelectedRow(UnitRef list);

// Shows the popup and returns when it closes; a chosen entry is raised later (RaiseChosen) from
// the message queue, after the caller has returned.
void BackendPopupMenu(const PopupItem* items, int32_t count, std::optional<int32_t> x,
                      std::optional<int32_t> y);
// True with the chosen full path and the filter pair shown when the user confirmed a file (from
// 1, as filter_index).
bool BackendShowFileDialog(const FileDialogRequest& request, std::string* chosen_path,
                           int32_t* chosen_filter);
// How far a long command has come, for the window's task-bar button: `done` of `total`, or
// nothing shown when `total` is 0. Called from any thread, at most every few tens of
// milliseconds; the backend shows the latest figures on the UI thread.
void BackendSetTaskbarProgress(uint64_t done, uint64_t total);
// Replaces the clipboard's content with the `length` bytes at `text` as CF_TEXT; false when the
// clipboard cannot be opened or does not take them.
bool BackendSetClipboardText(const char* text, size_t length);

}  // namespace vx
