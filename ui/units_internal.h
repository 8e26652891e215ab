// What the list control and the window commands see of the loaded window's units; for ui/ only.
// Every lookup here reports the fatal runtime error of a unit that is not loaded: the window's
// message when the unit's window is not loaded, else the read or write message of the access.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/row_store.h"
#include "ui/units.h"

namespace vx {

enum class UnitAccess { kRead, kWrite };

// The rows of the loaded window's list `list`.
RowStore& LoadedListRows(UnitRef list, UnitAccess access);

// True for a unit with a window of its own (the main window, the list).
bool UnitHasWindow(UnitRef unit, UnitAccess access);

struct MenuEntryState {
  UnitRef entry;
  std::string caption;
  uint32_t flags;
};
// The entries under `menu`, in layout order, when `menu` is a top-level menu of `window` that has
// entries; false otherwise. Only `window` must be loaded.
bool MenuEntriesOf(UnitRef window, UnitRef menu, std::vector<MenuEntryState>* entries);

// A file dialog unit's settings as the dialog is to be shown now.
struct DialogState {
  int32_t mode;
  std::string title;
  std::string filter;
  int32_t initial_filter;
  std::string initial_directory;
  std::string default_extension;
  std::string file_name;
  bool ask_before_creating;
  bool file_must_exist;
  bool ask_before_replacing;
  bool directory_must_exist;
  bool keep_current_directory;
};
DialogState LoadedDialog(UnitRef dialog, UnitAccess access);

}  // namespace vx
