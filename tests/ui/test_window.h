// A main window for the tests: a copy of the program's layout without the shell's handlers, that
// a test may bind its own handlers to, loaded afresh with the headless window.
#pragma once

#include <vector>

#include "app/main_window.h"
#include "ui/layout.h"
#include "ui/units.h"

namespace vx::testing {

inline WindowLayout WithoutShellHandlers(WindowLayout layout) {
  layout.created = nullptr;
  layout.close_query = nullptr;
  layout.list.right_click = nullptr;
  layout.list.menu_key = nullptr;
  layout.list.copy_key = nullptr;
  layout.file_dropped = nullptr;
  return layout;
}

struct TestWindow {
  WindowLayout layout = WithoutShellHandlers(MainWindowLayout());
  std::vector<MenuEntryLayout> entries{layout.menu.entries,
                                       layout.menu.entries + layout.menu.entry_count};
  std::vector<FileDialogLayout> dialogs{layout.dialogs, layout.dialogs + layout.dialog_count};

  MenuEntryLayout& Entry(UnitRef unit) {
    for (MenuEntryLayout& entry : entries) {
      if (entry.unit == unit) return entry;
    }
    return entries.front();
  }
  FileDialogLayout& Dialog(UnitRef unit) {
    for (FileDialogLayout& dialog : dialogs) {
      if (dialog.unit == unit) return dialog;
    }
    return dialogs.front();
  }

  // Builds the window with the handlers bound so far, raising its created event.
  void Load() {
    layout.menu.entries = entries.data();
    layout.menu.entry_count = static_cast<int32_t>(entries.size());
    layout.dialogs = dialogs.data();
    layout.dialog_count = static_cast<int32_t>(dialogs.size());
    LoadStartWindow(layout);
  }
};

}  // namespace vx::testing
