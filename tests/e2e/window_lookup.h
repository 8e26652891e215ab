// Finding the target's windows and reading them from outside. Every wait polls in 30 ms steps
// until its timeout, since windows appear and hide at their own pace.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vx::e2e {

struct WindowQuery {
  DWORD pid = 0;
  const char* class_name = nullptr;  // null: any class
  bool match_owner = false;          // when set, the owner must be `owner` (null: no owner)
  HWND owner = nullptr;
  std::vector<int> child_ids;  // ids of children (at any depth) that must exist
};

// How long a window that should answer at once may take before a step gives up on it: a busy
// two-core machine stalls for a second now and then.
constexpr DWORD kAnswerMs = 5000;

// The first visible top-level window that fits `query`, or null after `timeout_ms`.
HWND WaitForWindow(const WindowQuery& query, DWORD timeout_ms = 5000);

// Waits until `window` is hidden or destroyed; returns false on timeout.
bool WaitUntilHidden(HWND window, DWORD timeout_ms = 5000);

// Waits until `condition()` holds; returns false on timeout.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeout_ms = 5000) {
  for (DWORD start = GetTickCount();;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(30);
  }
}

// A window's text through WM_GETTEXT (bytes in the ANSI code page); empty when the target does
// not answer within `kAnswerMs`.
std::string WindowText(HWND window);
std::string ClassNameOf(HWND window);

// A top-level window's caption as the frame shows it. Answers while the window's thread is busy,
// so it can follow the titles a long command shows.
std::string FrameTitle(HWND window);

// The first descendant of `parent` with this id (and class, unless null), or null.
HWND FindDescendant(HWND parent, int id, const char* class_name = nullptr);

// The window that has the keyboard focus in the thread that owns `window`, or null.
HWND FocusedWindowOf(HWND window);

// The bytes of `text` as hexadecimal, for failure details that must show exact bytes.
std::string Hex(const std::string& text);

}  // namespace vx::e2e
