// Keyboard and mouse actions.
#include "tests/e2e/actions.h"

#include <vector>

namespace vx::e2e {

namespace {

void SendMouse(DWORD flags, POINT screen) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  // Absolute coordinates are 0..65535 across the primary screen.
  input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
  Sleep(30);
}

}  // namespace

void PressEscape(HWND window) {
  HWND focus = FocusedWindowOf(window);
  HWND target = focus ? focus : window;
  PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void TypeEscape() {
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof keys[0]);
}

bool BringToForeground(HWND window) {
  SetForegroundWindow(window);
  bool foreground = WaitUntil([&] { return GetForegroundWindow() == window; }, 2000);
  Sleep(100);  // until the window's thread has taken the activation
  return foreground;
}

void TypeKey(UINT virtual_key, bool shift, bool control) {
  std::vector<INPUT> keys;
  auto add = [&](UINT key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    keys.push_back(input);
  };
  if (shift) add(VK_SHIFT, false);
  if (control) add(VK_CONTROL, false);
  add(virtual_key, false);
  add(virtual_key, true);
  if (control) add(VK_CONTROL, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

void TypeCharacters(const std::string& text) {
  std::vector<INPUT> keys;
  for (char character : text) {
    for (bool up : {false, true}) {
      INPUT input = {};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = static_cast<WORD>(character);  // the virtual key of a digit or capital letter
      input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(input.ki.wVk, MAPVK_VK_TO_VSC));
      input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      keys.push_back(input);
    }
  }
  SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

void PostRightClick(HWND window, POINT client) {
  LPARAM position = MAKELPARAM(client.x, client.y);
  PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, position);
  PostMessageA(window, WM_RBUTTONUP, 0, position);
}

void PostLeftClick(HWND window, POINT client) {
  LPARAM position = MAKELPARAM(client.x, client.y);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
  PostMessageA(window, WM_LBUTTONUP, 0, position);
}

void PostKey(HWND window, UINT virtual_key) {
  UINT scan = MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC);
  PostMessageA(window, WM_KEYDOWN, virtual_key, 1 | (scan << 16));
  PostMessageA(window, WM_KEYUP, virtual_key, 1 | (scan << 16) | 0xC0000000u);
}

bool SendKey(HWND window, UINT virtual_key) {
  UINT scan = MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC);
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, WM_KEYDOWN, virtual_key, 1 | (scan << 16), SMTO_ABORTIFHUNG,
                             30000, &ignored) &&
         SendMessageTimeoutA(window, WM_KEYUP, virtual_key, 1 | (scan << 16) | 0xC0000000u,
                             SMTO_ABORTIFHUNG, 30000, &ignored);
}

void ClickRightWithMouse(POINT screen) {
  SendMouse(0, screen);
  SendMouse(MOUSEEVENTF_RIGHTDOWN, screen);
  SendMouse(MOUSEEVENTF_RIGHTUP, screen);
}

void DragWithMouse(POINT from, int dx, int dy) {
  SendMouse(0, from);
  SendMouse(MOUSEEVENTF_LEFTDOWN, from);
  constexpr int kMoves = 5;
  POINT at = from;
  for (int i = 1; i <= kMoves; ++i) {
    at = {from.x + dx * i / kMoves, from.y + dy * i / kMoves};
    SendMouse(0, at);
  }
  SendMouse(MOUSEEVENTF_LEFTUP, at);
}

}  // namespace vx::e2e
