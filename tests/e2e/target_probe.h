// The parameter blocks of the probe DLL, which the driver loads into the program under test to
// read what Wine does not show to other processes (popup menus, class and icon details). Driver
// and DLL are built for the same bitness, so the blocks are copied as they are.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vx::e2e {

inline constexpr char kReadPopupMenuExport[] = "ReadPopupMenuInProcess";
inline constexpr char kReadWindowExport[] = "ReadWindowInProcess";
inline constexpr char kDropFilesExport[] = "DropFilesInProcess";

inline constexpr int kMaxMenuItems = 32;
inline constexpr int kMaxMenuCaption = 128;

struct MenuItemProbe {
  uint32_t id;
  uint32_t type;                  // MFT_* flags, MFT_SEPARATOR for a separator line
  uint32_t state;                 // MFS_* flags: MFS_GRAYED, MFS_CHECKED, ...
  RECT rect;                      // screen coordinates
  char caption[kMaxMenuCaption];  // ANSI code page bytes
};

struct MenuProbe {
  HWND menu_window;  // in: a visible `#32768` window
  int32_t count;     // out: the number of items, -1 when the window holds no menu
  MenuItemProbe items[kMaxMenuItems];
};

struct WindowProbe {
  HWND window;              // in
  uint32_t class_style;     // out
  uint32_t has_brush;       // out: the class has a background brush
  uint32_t arrow_cursor;    // out: the class cursor is the system arrow
  uint32_t default_font;    // out: WM_GETFONT gives DEFAULT_GUI_FONT
  int32_t big_icon_size;    // out: width of the ICON_BIG icon, 0 when there is none
  int32_t small_icon_size;  // out: width of the ICON_SMALL icon, 0 when there is none
  int32_t font_height;      // out: the height of the WM_GETFONT font, 0 when there is none
  uint32_t dpi;             // out: GetDpiForWindow, 0 where the system lacks it
};

inline constexpr int kMaxDropPaths = 2048;

// Files dropped on a window, as the shell drops them: a DROPFILES block in the target's memory,
// posted as WM_DROPFILES.
struct DropProbe {
  HWND window;                // in: the window the files are dropped on
  POINT point;                // in: where, in its client coordinates
  uint32_t wide;              // in: the paths go into the block as UTF-16, as Explorer puts them
  char paths[kMaxDropPaths];  // in: ANSI code page paths, each zero-terminated, then one more zero
};

}  // namespace vx::e2e
