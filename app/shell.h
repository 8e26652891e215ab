// The application shell: the program's entry and the handlers that the main window's layout
// binds to its created, close-query and file-drop events and to the list's right click and menu
// key. All of them run on the UI thread.
#pragma once

#include <cstdint>

namespace vx {

// Starts the runtime, registers ReleaseRunState, builds and shows the main window and runs its
// messages; returns 0 when the message loop ends.
int ProgramMain();

// The window was created: creates row_lock, then done_lock.
void OnMainWindowCreated();

// The list was right-clicked: shows 菜单 as a popup menu at the mouse cursor; a chosen entry's
// handler runs after this has returned.
void ShowListMenu();

// Shift+F10 or the menu key in the list: shows 菜单 at (x, y), screen coordinates; arrows and
// Enter choose an entry as the mouse does.
void ShowListMenuAt(int32_t x, int32_t y);

// Files were dropped on the window: imports `path` (the first of them) as "1导入文本" would with
// it chosen in the open dialog. Does nothing while the busy menu is shown.
void OnFileDropped(const char* path);

// The window is asked to close: asks the user. On Yes stops the MD5 pass state and ends the
// program with exit code 0, without returning; returns false when the user refuses, and nothing
// changes.
bool ConfirmClose();

// The end-of-program routine: releases the text that run_state holds and leaves it empty.
void ReleaseRunState();

}  // namespace vx
