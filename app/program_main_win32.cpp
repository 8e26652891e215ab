// The Windows entry: starts the runtime, builds the main window and runs its messages until
// the close question ends the program.
#include <windows.h>

#include "app/main_window_win32.h"
#include "app/shell_texts.h"
#include "runtime/runtime.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  vx::InitializeRuntime();
  HWND main_window = vx::CreateMainWindow(instance);
  if (!main_window) vx::ReportRuntimeError(0, vx::kStartWindowFailed, 0, 0);
  ShowWindow(main_window, SW_SHOWNORMAL);
  UpdateWindow(main_window);
  vx::RunMessageLoop(main_window);
  return 0;
}
