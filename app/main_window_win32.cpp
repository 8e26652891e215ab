#include "app/main_window_win32.h"

#include "app/close_confirmation.h"
#include "app/resources/resource_ids.h"
#include "app/shell_texts.h"

namespace vx {

namespace {

constexpr char kWindowClass[] = "VextorinWindow";
constexpr int kWindowWidth = 636;  // outer size, frame and caption included
constexpr int kWindowHeight = 486;
// A fixed frame: no sizing border and no maximise box.
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

HFONT window_font = nullptr;

HICON LoadProgramIcon(HINSTANCE instance, int size_metric) {
  int size = GetSystemMetrics(size_metric);
  return static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(VX_ICON_ID), IMAGE_ICON, size, size, 0));
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      // The class has no brush, so the window paints its own background.
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCHITTEST: {
      // The client margin around the children acts as the caption, so dragging it moves the
      // window. Children answer their own hit tests, so this never reaches them.
      LRESULT hit = DefWindowProcA(window, message, wparam, lparam);
      return hit == HTCLIENT ? HTCAPTION : hit;
    }
    case WM_SETFONT:
      window_font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(window_font);
    case WM_CLOSE: {
      HWND focus = GetFocus();
      if (ConfirmClose()) break;
      // The task-modal box leaves no window active when it closes; hand the user back the
      // window and the control they were in, so that the keyboard works at once.
      SetForegroundWindow(window);
      if (focus && IsWindow(focus)) SetFocus(focus);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

bool IsEscapeFor(HWND main_window, const MSG& message) {
  return message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
         (message.hwnd == main_window || IsChild(main_window, message.hwnd));
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  HICON large_icon = LoadProgramIcon(instance, SM_CXICON);
  HICON small_icon = LoadProgramIcon(instance, SM_CXSMICON);

  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = large_icon;
  window_class.hIconSm = small_icon;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassExA(&window_class)) return nullptr;

  // Centred on the primary screen; on a screen smaller than the window the position is
  // negative and used as it is.
  int left = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  HWND window = CreateWindowExA(0, kWindowClass, kProgramTitle, kWindowStyle, left, top,
                                kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return window;
}

int RunMessageLoop(HWND main_window) {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Handled here rather than in a window procedure, so that Esc works whichever child has
    // the focus; it goes the same way as the Close button.
    if (IsEscapeFor(main_window, message)) {
      PostMessageA(main_window, WM_CLOSE, 0, 0);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace vx
