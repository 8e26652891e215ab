// A small stand-in program on which the driver's actions are proven: an owner-data report list
// whose right click opens a popup menu with separators, a greyed and a checked entry; one entry
// opens the open-file dialog and shows the chosen path in the title. Esc closes it with exit
// code 7.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

namespace {

constexpr char kClass[] = "VxStandIn";
constexpr UINT kOpenFileId = 101;
constexpr UINT kRetitleId = 102;
constexpr UINT kGreyedId = 103;
constexpr UINT kCheckedId = 104;
constexpr int kExitCode = 7;

const char* const kCells[3][2] = {
    {"1", "13800138000"},
    {"2", "张三"},
    {"3", ""},
};

HWND list = nullptr;

void ShowMenu(HWND window) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, kOpenFileId, "1打开文件");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kRetitleId, "2改标题");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | MF_GRAYED, kGreyedId, "3不可用");
  AppendMenuA(menu, MF_STRING | MF_CHECKED, kCheckedId, "4已勾选");
  POINT cursor;
  GetCursorPos(&cursor);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x + 3, cursor.y + 3, 0, window, nullptr);
  DestroyMenu(menu);
}

void OpenFile(HWND window) {
  char path[MAX_PATH] = "";
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = "文本文件(*.txt)\0*.txt\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.lpstrDefExt = "txt";
  dialog.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (GetOpenFileNameA(&dialog)) SetWindowTextA(window, path);
}

LRESULT OnNotify(HWND window, NMHDR* header) {
  if (header->hwndFrom != list) return 0;
  if (header->code == NM_RCLICK) {
    ShowMenu(window);
  } else if (header->code == LVN_GETDISPINFOA) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
    if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < 3 && item.iSubItem < 2) {
      lstrcpynA(item.pszText, kCells[item.iItem][item.iSubItem], item.cchTextMax);
    }
  }
  return 0;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NOTIFY:
      return OnNotify(window, reinterpret_cast<NMHDR*>(lparam));
    case WM_COMMAND:
      if (LOWORD(wparam) == kOpenFileId) OpenFile(window);
      if (LOWORD(wparam) == kRetitleId) SetWindowTextA(window, "标题已改");
      if (LOWORD(wparam) == kCheckedId) SetWindowTextA(window, "已勾选");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(kExitCode);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void CreateList(HWND window) {
  list = CreateWindowExA(0, WC_LISTVIEWA, "",
                         WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDATA, 5, 5, 380,
                         250, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  const char* headers[] = {"序号", "文本"};
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT | LVCF_WIDTH;
    info.pszText = const_cast<char*>(headers[column]);
    info.cx = column == 0 ? 60 : 200;
    SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
  }
  SendMessageA(list, LVM_SETITEMCOUNT, 3, 0);
  SetFocus(list);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kClass;
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, kClass, "Stand-in", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                                nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  CreateList(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      DestroyWindow(window);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
