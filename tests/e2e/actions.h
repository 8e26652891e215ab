// What the driver does to the program under test, as a user would, and what it reads back.
// Scenarios are written as short lists of these actions, each checked with Step().
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/target_process.h"
#include "tests/e2e/window_lookup.h"

namespace vx::e2e {

// --- Keyboard and mouse ---------------------------------------------------------------------

// Posts Esc (key down and up) to the window that has the focus in `window`'s thread, or to
// `window` itself when no window has it. Goes through the target's own message loop.
void PressEscape(HWND window);

// Presses Esc through the system's input queue (SendInput), as a keyboard would.
void TypeEscape();

// Posts a right click at `client` (client coordinates of `window`). Posted, not sent: a list
// view runs its drag-detect and the menu's modal loop inside the button-down message.
void PostRightClick(HWND window, POINT client);

// Posts a left click at `client` (client coordinates of `window`), without moving the pointer.
void PostLeftClick(HWND window, POINT client);

// Posts the key `virtual_key` (down and up) to `window`, e.g. VK_DOWN to a list view.
void PostKey(HWND window, UINT virtual_key);

// Sends the key instead, so that `window` has handled it when this returns (a sent message is
// answered before the posted ones waiting in the queue). Only for keys that open nothing modal.
bool SendKey(HWND window, UINT virtual_key);

// Makes `window` the foreground window, so that typed keys reach it; false when it does not
// become it.
bool BringToForeground(HWND window);

// Presses `virtual_key` through the system's input queue, as a keyboard would, with Shift or Ctrl
// held down around it when asked. The keys go to the focus of the foreground window.
void TypeKey(UINT virtual_key, bool shift = false, bool control = false);

// Types the digits and capital letters of `text` through the system's input queue, all at once,
// as fast typing does.
void TypeCharacters(const std::string& text);

// Right-clicks at `screen` (screen coordinates) through the system's input queue, as a mouse
// would: the pointer moves there first.
void ClickRightWithMouse(POINT screen);

// Drags with the left button through the system's input queue, from `from` by (`dx`, `dy`),
// screen coordinates, in small moves.
void DragWithMouse(POINT from, int dx, int dy);

// --- Popup menus ----------------------------------------------------------------------------

struct MenuEntry {
  unsigned id;
  std::string caption;  // ANSI code page bytes; empty for a separator
  bool separator;
  bool greyed;
  bool checked;
  RECT rect;  // screen coordinates
};

// The visible popup menu (`#32768`) of the target, or null after `timeout_ms`.
HWND WaitForPopupMenu(const TargetProcess& target, DWORD timeout_ms = 5000);

// Reads the entries of an open popup menu from inside the target through the probe DLL.
// Returns false when the probe cannot run or the window holds no menu.
bool ReadPopupMenu(TargetProcess& target, const std::string& probe_dll, HWND menu_window,
                   std::vector<MenuEntry>* entries);

// Chooses `entries[index]` with the arrow keys and Enter, which skip separators and stop on
// greyed entries as on Windows; returns true when the menu closed. Enter on a greyed entry
// runs nothing: Wine closes the menu, Windows leaves it open (close it with DismissPopupMenu).
bool ChoosePopupMenuEntry(HWND menu_window, const std::vector<MenuEntry>& entries, int index);

// Closes an open popup menu with Esc; returns true when it is gone.
bool DismissPopupMenu(HWND menu_window);

// --- Message boxes and file dialogs ---------------------------------------------------------

struct MessageBoxContent {
  std::string caption;
  std::string text;  // the static control 0xFFFF, read with WM_GETTEXT
  bool has_question_icon;
};

// The visible message box of the target owned by `owner` (null: no owner) that has all of
// `buttons` (IDOK, IDYES, ...), or null after `timeout_ms`.
HWND WaitForMessageBox(const TargetProcess& target, HWND owner, std::vector<int> buttons,
                       DWORD timeout_ms = 5000);
MessageBoxContent ReadMessageBox(HWND box);

// Clicks the button `button_id` (BM_CLICK, posted) and waits until the box is gone.
bool AnswerMessageBox(HWND box, int button_id);

// The visible open or save dialog of the target owned by `owner`, or null after `timeout_ms`.
HWND WaitForFileDialog(const TargetProcess& target, HWND owner, DWORD timeout_ms = 5000);

// Types `path` (a full Windows path) as the file name, checks it by reading it back, clicks
// OK and waits until the dialog is gone. Returns false when any of that fails.
bool FillFileDialog(HWND dialog, const std::string& path);

// The dialog's file types (its type box, cmb1), read through a buffer in the target, and the one
// shown (-1 when none is); false when the dialog does not answer.
bool ReadFileTypes(TargetProcess& target, HWND dialog, std::vector<std::string>* types, int* shown);
// Picks file type `index` in the type box as the user does, so that the dialog hears of it.
bool ChooseFileType(HWND dialog, int index);

// --- List views -----------------------------------------------------------------------------

// The number of rows of a list view, or -1 when it does not answer.
int ListRowCount(HWND list);

// The text of one cell, read through a buffer in the target (LVM_GETITEMTEXTA); works with
// owner-data lists. Returns false when the target does not answer.
// False also when the list does not answer within `timeout_ms`.
bool ReadListCell(TargetProcess& target, HWND list, int row, int column, std::string* text,
                  DWORD timeout_ms = kAnswerMs);

// A column's header text, width and format, read through a buffer in the target (LVM_GETCOLUMNA).
struct ListColumn {
  std::string header;
  int width;
  int format;  // LVCFMT_*
};
bool ReadListColumn(TargetProcess& target, HWND list, int column, ListColumn* info);

// The columns in the order they are shown, left to right (LVM_GETCOLUMNORDERARRAY).
bool ReadColumnOrder(TargetProcess& target, HWND list, int count, std::vector<int>* order);

// A row's whole rectangle (LVM_GETITEMRECT, LVIR_BOUNDS) in the list's client coordinates.
bool ReadListRowRect(TargetProcess& target, HWND list, int row, RECT* rect);

// The number of selected rows (LVM_GETSELECTEDCOUNT), or -1 when the list does not answer.
int ListSelectedCount(HWND list);

// Whether `row` is selected and no other row is.
bool IsOnlySelectedRow(HWND list, int row);

// --- Window details that only the target can tell -------------------------------------------

struct WindowDetails {
  unsigned class_style;
  bool has_class_brush;
  bool arrow_cursor;
  bool default_gui_font;
  int big_icon_size;
  int small_icon_size;
  int font_height;  // LOGFONT height of the window's font; 0 when it has none
  unsigned dpi;     // the window's DPI as the system tells the program; 0 where it cannot
};

bool ReadWindowDetails(TargetProcess& target, const std::string& probe_dll, HWND window,
                       WindowDetails* details);

// Drops the files at `paths` (Windows paths) on `window` at `client` (its client coordinates):
// the probe makes the shell's HDROP inside the target, with the paths in UTF-16 when `wide` is
// set (as Explorer makes it) or in the ANSI code page, and posts WM_DROPFILES. False when the
// probe cannot run.
bool DropFiles(TargetProcess& target, const std::string& probe_dll, HWND window, POINT client,
               const std::vector<std::string>& paths, bool wide);

// --- The clipboard ---------------------------------------------------------------------------

// The clipboard's CF_TEXT bytes, up to their terminator; false when it holds no text or cannot
// be opened.
bool ReadClipboardText(std::string* text);
// Replaces the clipboard's content with `text` as CF_TEXT.
bool WriteClipboardText(const std::string& text);

// --- Files and digests ---------------------------------------------------------------------

// Writes `bytes` to `path` (a Windows path), replacing the file; returns false on any failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Reads the whole file at `path` into `bytes`; returns false on any failure.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// The MD5 of `bytes` as 32 lowercase hexadecimal digits, by the system's CryptoAPI (not by the
// program's own code); empty when CryptoAPI fails.
std::string SystemMd5(const std::string& bytes);
// The same for SHA-256, in 64 digits.
std::string SystemSha256(const std::string& bytes);

// --- Screenshots ----------------------------------------------------------------------------

// Saves the whole screen to `png_path` (Windows path) with the Unix `import` tool at
// `import_tool`, which Wine starts like a Windows program; waits until the PNG is complete.
// Returns false with `error` set when that fails or the driver does not run under Wine.
bool TakeScreenshot(const std::string& import_tool, const std::string& png_path,
                    std::string* error);

// `path` as a Windows path: a Unix path (starting with '/') is mapped through Wine.
std::string WindowsPath(const std::string& path);

}  // namespace vx::e2e
