// What the parts of the Win32 window share (ui/*_win32.cpp only): the main window, its list
// view, the window's DPI, and the hooks through which the window procedure hands the list's
// notifications, the popup's commands, the task-bar button and the repaint timer to the part that
// owns them.
#pragma once

#include <windows.h>

#include "ui/layout.h"
#include "ui/units.h"

namespace vx::win32 {

// The layout's pixel figures are for this DPI. The window shows them scaled to its own, which it
// takes from its monitor; the units keep the layout's figures.
inline constexpr UINT kLayoutDpi = 96;

struct Frame {
  HWND window = nullptr;
  HWND list = nullptr;
  UnitRef window_unit{0, 0};
  UnitRef list_unit{0, 0};
  UINT dpi = kLayoutDpi;
  RECT list_place = {};  // in the layout's figures
};
// Written on the UI thread when the window is built or moves to a screen of another DPI; read
// there afterwards.
extern Frame frame;

// --- DPI (window_win32.cpp) ---------------------------------------------------------------------

// A layout figure at `dpi`.
inline int Scaled(int figure, UINT dpi) {
  return MulDiv(figure, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

// --- The list view (list_view_win32.cpp) --------------------------------------------------------

// The most rows an owner-data list view holds (Microsoft documents LVM_SETITEMCOUNT's limit);
// the view shows the first rows of longer lists. Tests lower it to see that.
inline constexpr int32_t kListViewRowLimit = 100000000;
void SetListViewRowLimitForTesting(int32_t limit);  // 0: back to kListViewRowLimit

// Creates the owner-data report list of `layout` as a child of `parent`, with its columns,
// colours and `font`, its place and column widths scaled to `dpi`; null when it cannot.
HWND CreateListView(HWND parent, const ListLayout& layout, HFONT font, UINT dpi);
// The window went from `old_dpi` to frame.dpi: the list takes its place at the new DPI, its
// columns their widths in proportion, and `font`.
void RescaleListView(UINT old_dpi, HFONT font);
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

// --- The task-bar button (taskbar_win32.cpp) ---------------------------------------------------

// Whether `message` is the shell's announcement that the window's task-bar button exists.
bool IsTaskbarButtonCreated(UINT message);
// Takes the button's interface (again, after a restarted shell) and shows the latest progress.
void TakeTaskbarButton();
void ReleaseTaskbarButton();
// The repaint timer of the main window: shows the progress that commands reported meanwhile.
void ShowTaskbarProgressChange();

}  // namespace vx::win32
