// The Win32 window: the main window's frame, its window procedure, the message loop and the
// window requests of the units. The list view, the popup menu and the file dialogs have files of
// their own beside this one.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "ui/window_backend.h"
#include "ui/window_win32.h"

namespace vx {

namespace win32 {
Frame frame;
}  // namespace win32

namespace {

using win32::frame;

constexpr char kWindowClass[] = "VextorinWindow";
// A fixed frame with a caption: no sizing border and no maximise box.
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

HFONT window_font = nullptr;
// The font made for the window's DPI, when it is not the stock one.
HFONT own_font = nullptr;
// The size the window is given: a window larger than the screen keeps it too.
SIZE window_size = {};

// The DPI functions of Windows 10 1607 and later; older systems and Wine may lack them.
template <typename Function>
Function UserFunction(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// The DPI that the stock fonts and the system's metrics were made for.
UINT SystemDpi() {
  static const auto get_dpi_for_system = UserFunction<UINT(WINAPI*)()>("GetDpiForSystem");
  if (get_dpi_for_system) return get_dpi_for_system();
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : win32::kLayoutDpi;
}

UINT WindowDpi(HWND window) {
  static const auto get_dpi_for_window = UserFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  UINT dpi = get_dpi_for_window ? get_dpi_for_window(window) : 0;
  return dpi ? dpi : SystemDpi();
}

// The default GUI font's face at `dpi`. The stock font is made for the system's DPI, so it is
// itself the font there (and so at 96 DPI on a screen of 96), and its height is scaled from that
// DPI elsewhere. Sets own_font to a font made here, which the caller deletes once it is no longer
// the window's.
HFONT FontForDpi(UINT dpi) {
  auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  UINT system_dpi = SystemDpi();
  LOGFONTA face = {};
  own_font = nullptr;
  if (dpi == system_dpi || !GetObjectA(stock, sizeof face, &face)) return stock;
  face.lfHeight = MulDiv(face.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi));
  face.lfWidth = MulDiv(face.lfWidth, static_cast<int>(dpi), static_cast<int>(system_dpi));
  own_font = CreateFontIndirectA(&face);
  return own_font ? own_font : stock;
}

// Moved to a screen of another DPI: the window takes the place the system suggests, and the
// list, its columns and the font follow.
void OnDpiChanged(HWND window, UINT dpi, const RECT& suggested) {
  if (window != frame.window || dpi == 0) return;
  UINT old_dpi = frame.dpi;
  frame.dpi = dpi;
  window_size = {suggested.right - suggested.left, suggested.bottom - suggested.top};
  SetWindowPos(window, nullptr, suggested.left, suggested.top, window_size.cx, window_size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  HFONT old_font = own_font;
  HFONT font = FontForDpi(dpi);
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  win32::RescaleListView(old_dpi, font);
  if (old_font) DeleteObject(old_font);
}

HICON LoadWindowIcon(int32_t resource, int size_metric) {
  if (resource == 0) return nullptr;
  int size = GetSystemMetrics(size_metric);
  return static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_ICON, size, size, 0));
}

HWND WindowOf(UnitRef unit) {
  if (unit == frame.list_unit) return frame.list;
  if (unit == frame.window_unit) return frame.window;
  return nullptr;
}

LRESULT OnClose(HWND window) {
  HWND focus = GetFocus();
  if (RaiseCloseQuery(frame.window_unit)) {
    if (IsWindow(window)) DestroyWindow(window);
    return 0;
  }
  // The task-modal question leaves no window active when it closes; hand the user back the
  // window and the control they were in, so that the keyboard works at once.
  if (IsWindow(window)) {
    SetForegroundWindow(window);
    if (focus && IsWindow(focus)) SetFocus(focus);
  }
  return 0;
}

// Only the first of several dropped files is taken. The drop's memory is released before the
// handler runs, which may import for a long while.
void OnDropFiles(HDROP drop) {
  std::string path;
  if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    path.resize(length + 1);
    path.resize(DragQueryFileA(drop, 0, &path[0], length + 1));
  }
  DragFinish(drop);
  if (!path.empty()) RaiseFileDropped(frame.window_unit, path.c_str());
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (win32::IsTaskbarButtonCreated(message)) {
    if (window == frame.window) win32::TakeTaskbarButton();
    return 0;
  }
  switch (message) {
    case WM_NCCREATE: {
      // Per-monitor awareness of the first kind (Windows 10 1607) scales the caption and frame
      // only when asked; the second kind does it anyway.
      static const auto enable_scaling =
          UserFunction<BOOL(WINAPI*)(HWND)>("EnableNonClientDpiScaling");
      if (enable_scaling) enable_scaling(window);
      break;
    }
    case WM_GETMINMAXINFO: {
      // The system cuts a window to the screen's size; on a screen smaller than the window it
      // keeps its fixed size instead, and lies partly off the screen.
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMaxTrackSize.x = std::max<LONG>(limits->ptMaxTrackSize.x, window_size.cx);
      limits->ptMaxTrackSize.y = std::max<LONG>(limits->ptMaxTrackSize.y, window_size.cy);
      return 0;
    }
    case WM_DPICHANGED:
      OnDpiChanged(window, HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_ERASEBKGND: {
      // The class has no brush, so the window paints its own background.
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCHITTEST: {
      // The client margin around the list acts as the caption, so dragging it moves the
      // window. The list answers its own hit tests, so this never reaches it.
      LRESULT hit = DefWindowProcA(window, message, wparam, lparam);
      return hit == HTCLIENT ? HTCAPTION : hit;
    }
    case WM_SETFONT:
      window_font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(window_font);
    case WM_SETFOCUS:
      // The list is the window's only control: activating the window puts the keyboard there.
      if (frame.list && IsWindowVisible(frame.list)) SetFocus(frame.list);
      return 0;
    case WM_NOTIFYFORMAT:
      return NFR_ANSI;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (win32::HandleListNotification(reinterpret_cast<const NMHDR*>(lparam), &result)) {
        return result;
      }
      break;
    }
    case WM_COMMAND:
      if (win32::HandlePopupCommand(wparam, lparam)) return 0;
      break;
    case WM_CONTEXTMENU:
      // From the keyboard the position is (-1, -1). A right click also arrives here, with the
      // mouse position, after NM_RCLICK has opened the menu for it.
      if (reinterpret_cast<HWND>(wparam) == frame.list && GET_X_LPARAM(lparam) == -1 &&
          GET_Y_LPARAM(lparam) == -1) {
        win32::OpenListMenuFromKeyboard();
      }
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_TIMER:
      if (wparam == win32::kRepaintTimer) {
        win32::RepaintChangedRows();
        win32::ShowTaskbarProgressChange();
        return 0;
      }
      break;
    case WM_CLOSE:
      return OnClose(window);
    case WM_QUERYENDSESSION:
      return TRUE;  // the session may end without the close question
    case WM_NCDESTROY:
      // A window replaced by a newer one (only in tests) ends nothing.
      if (window == frame.window) {
        UnitRef destroyed = frame.window_unit;
        win32::ReleaseTaskbarButton();
        frame = win32::Frame();
        RaiseDestroyed(destroyed);
        PostQuitMessage(0);
      }
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Esc pressed in the window or any of its controls asks the window to close, the same way as
// the Close button. Handled here rather than in a window procedure, so that it works whichever
// control has the focus.
bool IsEscapeFor(HWND main_window, const MSG& message) {
  return main_window && message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
         (message.hwnd == main_window || IsChild(main_window, message.hwnd));
}

void Dispatch(MSG& message) {
  if (IsEscapeFor(frame.window, message)) {
    PostMessageA(frame.window, WM_CLOSE, 0, 0);
    return;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

bool RegisterWindowClass(HICON large_icon, HICON small_icon) {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hIcon = large_icon;
  window_class.hIconSm = small_icon;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  return RegisterClassExA(&window_class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool BackendCreateWindow(const WindowLayout& layout) {
  if (HWND old = frame.window) {
    frame = win32::Frame();
    DestroyWindow(old);
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HICON large_icon = LoadWindowIcon(layout.icon_resource, SM_CXICON);
  HICON small_icon = LoadWindowIcon(layout.icon_resource, SM_CXSMICON);
  if (!RegisterWindowClass(large_icon, small_icon)) return false;

  // Centred on the primary screen; on a screen smaller than the window the position is
  // negative and used as it is. No owner, so the window has its own task-bar button. Made at the
  // layout's size first, and scaled once it knows the DPI of its screen.
  window_size = {layout.width, layout.height};
  int left = (GetSystemMetrics(SM_CXSCREEN) - layout.width) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - layout.height) / 2;
  HWND window = CreateWindowExA(0, kWindowClass, layout.title ? layout.title : "", kWindowStyle,
                                left, top, layout.width, layout.height, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (!window) return false;
  UINT dpi = WindowDpi(window);
  if (dpi != win32::kLayoutDpi) {
    window_size = {win32::Scaled(layout.width, dpi), win32::Scaled(layout.height, dpi)};
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - window_size.cx) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - window_size.cy) / 2, window_size.cx,
                 window_size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
  HFONT old_font = own_font;
  HFONT font = FontForDpi(dpi);
  if (old_font) DeleteObject(old_font);
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  HWND list = win32::CreateListView(window, layout.list, font, dpi);
  if (!list) {
    DestroyWindow(window);
    return false;
  }
  frame.window = window;
  frame.list = list;
  frame.window_unit = layout.window;
  frame.list_unit = layout.list.unit;
  frame.dpi = dpi;
  frame.list_place = {layout.list.left, layout.list.top, layout.list.left + layout.list.width,
                      layout.list.top + layout.list.height};
  SetTimer(window, win32::kRepaintTimer, win32::kRepaintIntervalMs, nullptr);
  // Files dropped on the list come here too: the system hands a drop to the nearest window up
  // from the one under the pointer that accepts files.
  if (layout.file_dropped) DragAcceptFiles(window, TRUE);
  return true;
}

void BackendShowWindow() {
  ShowWindow(frame.window, SW_SHOWNORMAL);
  UpdateWindow(frame.window);
}

// The runtime's hidden owner window receives the work of other threads as sent messages, which
// GetMessageA and PeekMessageA deliver; so the loop needs no RunUiThreadTasks of its own.
void BackendRunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) Dispatch(message);
}

// Handles what is queued now and returns without waiting. WM_QUIT stays in the queue, so that
// the message loop still ends on it.
void BackendProcessPendingEvents() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) break;
    if (message.message == WM_QUIT) {  // posted between the two looks
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    Dispatch(message);
  }
}

void BackendSetTitle(const char* title) {
  SetWindowTextA(frame.window, title);
}

// The window's only top-level menu is hidden (it serves as the list's popup, which is built anew
// each time it opens), so its menu bar stays without entries whatever the entries show.
void BackendMenuEntryVisibilityChanged(UnitRef, bool) {}

// Hiding the list while it has the keyboard hands the keyboard to the main window, which has no
// use for it; the list takes it back when it shows again (after every import, for one).
void BackendSetUnitVisible(UnitRef unit, bool visible) {
  HWND window = WindowOf(unit);
  if (!window) return;
  ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
  if (visible && window == frame.list && GetFocus() == frame.window) SetFocus(frame.list);
}

void BackendForbidRedraw(UnitRef unit) {
  if (HWND window = WindowOf(unit)) LockWindowUpdate(window);
}

void BackendAllowRedraw() {
  LockWindowUpdate(nullptr);
}

}  // namespace vx
