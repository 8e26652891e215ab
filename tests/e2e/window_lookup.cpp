#include "tests/e2e/window_lookup.h"

#include <cstdio>

namespace vx::e2e {

namespace {

struct DescendantSearch {
  int id;
  const char* class_name;
  HWND found;
};

BOOL CALLBACK MatchDescendant(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DescendantSearch*>(context);
  if (GetDlgCtrlID(window) == search->id &&
      (!search->class_name || ClassNameOf(window) == search->class_name)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

struct TopLevelSearch {
  const WindowQuery* query;
  HWND found;
};

bool Fits(HWND window, const WindowQuery& query) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != query.pid || !IsWindowVisible(window)) return false;
  if (query.class_name && ClassNameOf(window) != query.class_name) return false;
  if (query.match_owner && GetWindow(window, GW_OWNER) != query.owner) return false;
  for (int id : query.child_ids) {
    if (!FindDescendant(window, id)) return false;
  }
  return true;
}

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TopLevelSearch*>(context);
  if (!Fits(window, *search->query)) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND WaitForWindow(const WindowQuery& query, DWORD timeout_ms) {
  TopLevelSearch search = {&query, nullptr};
  WaitUntil(
      [&] {
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeout_ms);
  return search.found;
}

bool WaitUntilHidden(HWND window, DWORD timeout_ms) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout_ms);
}

std::string WindowText(HWND window) {
  char text[4096] = "";
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, kAnswerMs, &length)) {
    return "";
  }
  return std::string(text, length < sizeof text ? length : sizeof text - 1);
}

std::string ClassNameOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FindDescendant(HWND parent, int id, const char* class_name) {
  DescendantSearch search = {id, class_name, nullptr};
  EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FocusedWindowOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string Hex(const std::string& text) {
  std::string hex;
  char digits[4];
  for (unsigned char byte : text) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += digits;
  }
  return hex;
}

// GetWindowTextA reads another process's caption from what the window manager stores, without
// asking that process.
std::string FrameTitle(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace vx::e2e
