// The description a window is built from: constant data of the program (app/main_window.cpp
// holds the main window's), read by the window runtime, the Win32 one and its headless twin.
#pragma once

#include <cstdint>

#include "ui/units.h"

namespace vx {

using EventHandler = void (*)();
using CloseQueryHandler = bool (*)();  // false refuses the close
// Screen coordinates of the place where a popup menu opened from the keyboard belongs.
using MenuKeyHandler = void (*)(int32_t x, int32_t y);
using FileDropHandler = void (*)(const char* path);

struct ColumnLayout {
  const char* header;
  int32_t width;  // pixels; every column is left-aligned
};

struct ListLayout {
  UnitRef unit;
  const char* name;
  int32_t left, top, width, height;  // client coordinates of the window
  ColumnLayout columns[4];
  EventHandler right_click;  // null: no handler
  // Shift+F10 or the menu key with the list focused, told where the menu opens: at the focused
  // row when it is in view, else at the list's top-left corner.
  MenuKeyHandler menu_key;
  EventHandler copy_key;  // Ctrl+C with the list focused
};

struct FileDialogLayout {
  UnitRef unit;
  const char* name;
  int32_t mode;                   // kOpenFileMode or kSaveFileMode
  const char* title;              // "": the platform's title for the mode
  const char* filter;             // pairs of description and pattern joined by "|"
  int32_t initial_filter;         // 0-based
  const char* initial_directory;  // "": the platform's choice
  const char* default_extension;  // appended when the user types a name without one
  const char* file_name;          // the initial proposed name
  bool ask_before_creating;
  bool file_must_exist;
  bool ask_before_replacing;
  bool directory_must_exist;
  bool keep_current_directory;
};

struct MenuEntryLayout {
  UnitRef unit;
  const char* caption;  // exactly "-" makes a separator line
  uint32_t flags;       // kEntryHidden, kEntryDisabled, kEntryChecked
  EventHandler chosen;  // null: no handler
};

struct MenuLayout {
  UnitRef unit;
  const char* caption;
  bool hidden;  // a hidden top-level menu never shows in a menu bar
  const MenuEntryLayout* entries;
  int32_t entry_count;
};

struct WindowLayout {
  UnitRef window;
  const char* name;
  const char* title;
  int32_t width, height;  // outer size, frame and caption included; centred on the screen
  EventHandler created;
  CloseQueryHandler close_query;
  const FileDialogLayout* dialogs;  // in layout order
  int32_t dialog_count;
  ListLayout list;
  MenuLayout menu;
  int32_t icon_resource;  // the large and small icon, from the program's resources; 0: none
  // Files dropped on the window (or on the list): told the first file's path. Null: the window
  // takes no drops.
  FileDropHandler file_dropped;
};

}  // namespace vx
