// What the parts of the Win32 window share (ui/*_win32.cpp only): the main window, its list
// view, and the hooks through which the window procedure hands the list's notifications, the
// popup's commands and the repaint timer to the part that owns them.
#pragma once

#include <windows.h>

#include "ui/layout.h"
#include "ui/units.h"

namespace vx::win32 {

struct Frame {
  HWND window = nullptr;
  HWND list = nullptr;
  UnitRef window_unit{0, 0};
  UnitRef list_unit{0, 0};
};
// Written on the UI thread when the window is built; read there afterwards.
extern Frame frame;

// --- The list view (list_view_win32.cpp) --------------------------------------------------------

// The most rows an owner-data list view holds (Microsoft documents LVM_SETITEMCOUNT's limit);
// the view shows the first rows of longer lists. Tests lower it to see that.
inline constexpr int32_t kListViewRowLimit = 100000000;
void SetListViewRowLimitForTesting(int32_t limit);  // 0: back to kListViewRowLimit

// Creates the owner-data report list of `layout` as a child of `parent`, with its columns,
// colours and `font`; null when it cannot.
HWND CreateListView(HWND parent, const ListLayout& layout, HFONT font);
// Answers a notification of the list view; false when it is not one of the list's.
bool HandleListNotification(const NMHDR* header, LRESULT* result);
// Shift+F10 or the menu key in the list: raises its menu-key event with where the menu goes.
void OpenListMenuFromKeyboard();
// The repaint timer of the main window: repaints the visible rows when cells have changed.
inline constexpr UINT_PTR kRepaintTimer = 1;
inline constexpr UINT kRepaintIntervalMs = 30;
void RepaintChangedRows();

// --- The popup menu (popup_menu_win32.cpp) -------------------------------------------------------

// Raises the chosen event of the popup entry behind a WM_COMMAND; false when the command is not
// a popup entry's.
bool HandlePopupCommand(WPARAM wparam, LPARAM lparam);

}  // namespace vx::win32
