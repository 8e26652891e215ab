// The main window's frame on Win32: the window class, the fixed centred frame, its window
// procedure and the message loop.
#pragma once

#include <windows.h>

namespace vx {

// Registers the window class and creates the main window, hidden, with its icons and font.
// Returns null when the window cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

// Dispatches messages until WM_QUIT; Esc pressed in the window or any of its children asks the
// window to close. Returns the WM_QUIT code.
int RunMessageLoop(HWND main_window);

}  // namespace vx
