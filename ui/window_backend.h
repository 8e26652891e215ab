// The platform side of the window runtime: the Win32 window (ui/window_win32.cpp) or its
// headless twin for the tests (ui/window_headless.cpp). The portable code decides (what the
// popup shows, the dialog's flags and filter list, which thread carries a request out); a backend
// only translates into the platform's calls. Unless said otherwise, a backend function is called
// on the UI thread.
#pragma once

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

// An open or save dialog, ready for GetOpenFileNameA / GetSaveFileNameA.
struct FileDialogRequest {
  bool save;
  std::string filter;     // description and pattern pairs, each zero-terminated, then one more zero
  int32_t filter_index;   // from 1; 0 without a filter
  std::string file_name;  // proposed name ("" none); the path buffer holds 260 bytes
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
void BackendSetUnitVisible(UnitRef unit, bool visible);
void BackendForbidRedraw(UnitRef unit);
void BackendAllowRedraw();

// The list's rows were replaced or emptied: take the new row count and repaint.
void BackendListRowsReplaced(UnitRef list);
// Cells of some rows changed. Called from any thread; the backend repaints later, coalesced.
void BackendListRowsChanged(UnitRef list);
void BackendEnsureRowVisible(UnitRef list, int32_t row);

// Shows the popup and returns when it closes; a chosen entry is raised later (RaiseChosen) from
// the message queue, after the caller has returned.
void BackendPopupMenu(const PopupItem* items, int32_t count, std::optional<int32_t> x,
                      std::optional<int32_t> y);
// True with the chosen full path when the user confirmed a file.
bool BackendShowFileDialog(const FileDialogRequest& request, std::string* chosen_path);

}  // namespace vx
