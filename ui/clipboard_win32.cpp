// The clipboard on Win32: text in the ANSI code page, which the system also offers as Unicode.
#include <windows.h>

#include <cstring>

#include "ui/window_backend.h"
#include "ui/window_win32.h"

namespace vx {

namespace {

// Another program may hold the clipboard open for a moment, reading what it holds.
constexpr int kOpenAttempts = 10;
constexpr DWORD kOpenRetryMs = 10;

bool OpenClipboardForWindow(HWND window) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (OpenClipboard(window)) return true;
    Sleep(kOpenRetryMs);
  }
  return false;
}

}  // namespace

bool BackendSetClipboardText(const char* text, size_t length) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
  if (!block) return false;
  auto* bytes = static_cast<char*>(GlobalLock(block));
  if (!bytes) {
    GlobalFree(block);
    return false;
  }
  std::memcpy(bytes, text, length);
  bytes[length] = '\0';
  GlobalUnlock(block);
  if (!OpenClipboardForWindow(win32::frame.window)) {
    GlobalFree(block);
    return false;
  }
  // Once the clipboard has taken the block, it owns it.
  bool taken = EmptyClipboard() && SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  if (!taken) GlobalFree(block);
  return taken;
}

}  // namespace vx
