// The main window's units, their properties and events. The pipeline and the shell talk to the
// window only through these functions; a unit is addressed by its window and its own id.
//
// Property writes are allowed from any thread. A write that reaches the window (the title, the
// list's visibility) is carried out by the UI thread while the caller waits. Events are raised
// on the UI thread only. Addressing a unit that is not loaded is a fatal runtime error.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace vx {

struct UnitRef {
  int32_t window;
  int32_t unit;
};
inline constexpr bool operator==(UnitRef a, UnitRef b) {
  return a.window == b.window && a.unit == b.unit;
}
inline constexpr bool operator!=(UnitRef a, UnitRef b) {
  return !(a == b);
}

// Window ids carry 2 in bits 24 to 27, which runtime error reports recognise.
inline constexpr int32_t kMainWindowId = 0x02000001;

// The main window itself (its title is a property of this unit) and its units, in layout order.
inline constexpr UnitRef 启动窗口{kMainWindowId, 0};
inline constexpr UnitRef 通用对话框_txt{kMainWindowId, 1};  // save dialog, used by the export
inline constexpr UnitRef 通用对话框1{kMainWindowId, 2};     // open dialog, used by the import
inline constexpr UnitRef 超级列表框1{kMainWindowId, 3};
inline constexpr UnitRef 菜单{kMainWindowId, 4};  // hidden top-level menu: the list's popup

// The entries of 菜单, top to bottom; each separator is named after the command above it.
inline constexpr UnitRef kImportEntry{kMainWindowId, 5};                     // "1导入文本"
inline constexpr UnitRef kSeparatorAfterImport{kMainWindowId, 6};            // "-"
inline constexpr UnitRef kRemoveDuplicatesEntry{kMainWindowId, 7};           // "2去重复项"
inline constexpr UnitRef kSeparatorAfterRemoveDuplicates{kMainWindowId, 8};  // "-"
inline constexpr UnitRef kStartPassEntry{kMainWindowId, 9};                  // "3开始加密"
inline constexpr UnitRef kSeparatorAfterStartPass{kMainWindowId, 10};        // "-"
inline constexpr UnitRef kExportEntry{kMainWindowId, 11};                    // "4导出结果"
inline constexpr UnitRef kSeparatorAfterExport{kMainWindowId, 12};           // "-"
inline constexpr UnitRef kClearListEntry{kMainWindowId, 13};                 // "清空列表"
inline constexpr UnitRef kUnavailableEntry{kMainWindowId, 14};  // "菜单暂时不可用"

// A menu entry's flag word.
inline constexpr uint32_t kEntryHidden = 1;
inline constexpr uint32_t kEntryDisabled = 2;
inline constexpr uint32_t kEntryChecked = 4;

// File dialog modes.
inline constexpr int32_t kOpenFileMode = 0;
inline constexpr int32_t kSaveFileMode = 1;

// --- Properties ---------------------------------------------------------------------------------

// The window keeps a copy of `title` and shows it in its caption bar at once.
void SetWindowTitle(UnitRef window, const char* title);
// A fresh copy of the title as last written (null when empty).
Text ReadWindowTitle(UnitRef window);

// Clears (true) or sets (false) the entry's hidden bit; writing the value it has changes nothing.
// The change shows the next time the popup menu opens.
void SetMenuEntryVisible(UnitRef entry, bool visible);
uint32_t MenuEntryFlags(UnitRef entry);

// Shows or hides a unit's window (the list).
void SetUnitVisible(UnitRef unit, bool visible);
bool UnitIsVisible(UnitRef unit);

// The list's items property: a fresh copy of the image as last written (null when empty), and
// the write that keeps a copy of `items` and rebuilds all rows from it.
ByteData ReadListItems(UnitRef list);
void WriteListItems(UnitRef list, const ByteDataBlock* items);

// A file dialog's mode (kOpenFileMode or kSaveFileMode, used the next time it is shown) and file
// name (the proposed name before showing; the chosen full path after a confirmed dialog).
void SetDialogMode(UnitRef dialog, int32_t mode);
int32_t DialogMode(UnitRef dialog);
void SetDialogFileName(UnitRef dialog, const char* file_name);
Text ReadDialogFileName(UnitRef dialog);  // fresh; null when empty
// A file dialog's filter pair (from 0) shown as the file's type the next time it opens; after a
// confirmed dialog, the one the user chose.
void SetDialogFilter(UnitRef dialog, int32_t filter);
int32_t DialogFilter(UnitRef dialog);

// --- Events, raised by the window runtime on the UI thread -------------------------------------

void RaiseCreated(UnitRef window);
// True lets the close go on; false (the handler refused) keeps the window unchanged.
bool RaiseCloseQuery(UnitRef window);
void RaiseRightClick(UnitRef unit);
// Shift+F10 or the menu key in the list; the menu belongs at (x, y), screen coordinates.
void RaiseMenuKey(UnitRef unit, int32_t x, int32_t y);
void RaiseCopyKey(UnitRef unit);  // Ctrl+C in the list
// Files were dropped on the window; `path` is the first of them.
void RaiseFileDropped(UnitRef window, const char* path);
void RaiseChosen(UnitRef entry);
// The window was destroyed (after a close that went on): its units are no longer loaded.
void RaiseDestroyed(UnitRef window);

// --- The window runtime -------------------------------------------------------------------------

struct WindowLayout;

// Builds the main window and its units from `layout`, raises its created event and shows it.
// A window that cannot be built is a fatal runtime error.
void LoadStartWindow(const WindowLayout& layout);
// Dispatches window messages on the UI thread until the program ends.
void RunMessageLoop();

}  // namespace vx
