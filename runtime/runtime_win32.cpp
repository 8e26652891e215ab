#include <windows.h>

#include <atomic>

#include "runtime/runtime.h"
#include "runtime/runtime_platform.h"
#include "runtime/ui_thread.h"

namespace vx {

namespace {

constexpr UINT kCallOnUiThreadMessage = WM_APP + 0x100;
constexpr char kOwnerWindowClass[] = "VextorinOwner";
// Read by any thread that hands a task over, cleared by the UI thread as the program ends.
std::atomic<HWND> owner_window{nullptr};

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kCallOnUiThreadMessage) {
    reinterpret_cast<UiThreadTask>(wparam)(reinterpret_cast<void*>(lparam));
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

void PlatformProgramPath(char* buffer, size_t size) {
  DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  buffer[length < size ? length : size - 1] = '\0';
}

char PlatformPathSeparator() {
  return '\\';
}

bool PlatformSetCurrentDirectory(const char* directory) {
  return SetCurrentDirectoryA(directory) != 0;
}

Text PlatformCurrentDirectory() {
  DWORD size = GetCurrentDirectoryA(0, nullptr);  // with the terminator
  while (size != 0) {
    auto* directory = static_cast<char*>(AllocateBlock(size));
    DWORD length = GetCurrentDirectoryA(size, directory);
    if (length != 0 && length < size) return directory;
    FreeBlock(directory);
    size = length;  // changed meanwhile: the size it needs now
  }
  return nullptr;
}

uint64_t PlatformCurrentThreadId() {
  return GetCurrentThreadId();
}

// The hidden owner window is message-only: it receives the tasks that other threads hand to the
// UI thread, and needs no display.
void PlatformCreateOwnerWindow() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = OwnerWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kOwnerWindowClass;
  RegisterClassA(&window_class);
  owner_window = CreateWindowExA(0, kOwnerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 window_class.hInstance, nullptr);
}

void PlatformDestroyOwnerWindow() {
  if (HWND window = owner_window.exchange(nullptr)) DestroyWindow(window);
}

void PlatformEndProcess(int32_t code) {
  ExitProcess(static_cast<UINT>(code));
}

void PlatformWaitForProcessEnd() {
  for (;;) Sleep(INFINITE);
}

// Once the program has begun to end, the UI thread takes no more tasks; the caller waits for
// the end instead of doing the UI thread's work itself.
void CallOnUiThread(UiThreadTask task, void* context) {
  HWND window = owner_window.load();
  if (!IsUiThread() && ProgramIsExiting()) PlatformWaitForProcessEnd();
  if (IsUiThread() || !window) {
    task(context);
    return;
  }
  SendMessageA(window, kCallOnUiThreadMessage, reinterpret_cast<WPARAM>(task),
               reinterpret_cast<LPARAM>(context));
}

void RunUiThreadTasks() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace vx
