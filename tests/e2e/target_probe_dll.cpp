// The probe DLL: loaded into the program under test, it answers the driver's questions from
// inside, on a thread that the driver starts there. Both exports return 0 on success.
#include <windows.h>

#include <shlobj.h>

#include <cstring>

#include "tests/e2e/target_probe.h"

using vx::e2e::DropProbe;
using vx::e2e::MenuProbe;
using vx::e2e::WindowProbe;

namespace {

int IconWidth(HICON icon) {
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap = {};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI ReadPopupMenuInProcess(void* parameter) {
  auto* probe = static_cast<MenuProbe*>(parameter);
  probe->count = -1;
  // The menu's own thread answers MN_GETHMENU from inside its modal loop.
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(probe->menu_window, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 2000,
                           &result)) {
    return 1;
  }
  HMENU menu = reinterpret_cast<HMENU>(result);
  if (!menu || !IsMenu(menu)) return 2;
  int count = GetMenuItemCount(menu);
  if (count < 0 || count > vx::e2e::kMaxMenuItems) return 3;
  for (int i = 0; i < count; ++i) {
    auto& item = probe->items[i];
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = item.caption;
    info.cch = sizeof item.caption - 1;
    if (!GetMenuItemInfoA(menu, i, TRUE, &info)) return 4;
    item.id = info.wID;
    item.type = info.fType;
    item.state = info.fState;
    GetMenuItemRect(nullptr, menu, i, &item.rect);
  }
  probe->count = count;
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI ReadWindowInProcess(void* parameter) {
  auto* probe = static_cast<WindowProbe*>(parameter);
  HWND window = probe->window;
  if (!IsWindow(window)) return 1;
  probe->class_style = static_cast<uint32_t>(GetClassLongPtrA(window, GCL_STYLE));
  probe->has_brush = GetClassLongPtrA(window, GCLP_HBRBACKGROUND) != 0;
  probe->arrow_cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)) ==
                        LoadCursorA(nullptr, IDC_ARROW);
  DWORD_PTR font = 0;
  SendMessageTimeoutA(window, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 2000, &font);
  probe->default_font = reinterpret_cast<HGDIOBJ>(font) == GetStockObject(DEFAULT_GUI_FONT);
  LOGFONTA face = {};
  probe->font_height =
      font && GetObjectA(reinterpret_cast<HGDIOBJ>(font), sizeof face, &face) ? face.lfHeight : 0;
  // Asked inside the program: Wine answers another process with the caller's own DPI.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  auto get_dpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  probe->dpi = get_dpi ? get_dpi(window) : 0;
  DWORD_PTR big_icon = 0;
  DWORD_PTR small_icon = 0;
  SendMessageTimeoutA(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 2000, &big_icon);
  SendMessageTimeoutA(window, WM_GETICON, ICON_SMALL, 0, SMTO_ABORTIFHUNG, 2000, &small_icon);
  probe->big_icon_size = IconWidth(reinterpret_cast<HICON>(big_icon));
  probe->small_icon_size = IconWidth(reinterpret_cast<HICON>(small_icon));
  return 0;
}

// The HDROP belongs to the window that receives it, which releases it with DragFinish.
extern "C" __declspec(dllexport) DWORD WINAPI DropFilesInProcess(void* parameter) {
  auto* probe = static_cast<DropProbe*>(parameter);
  size_t length = 0;  // of the list, its final zero included
  while (length + 1 < sizeof probe->paths &&
         (probe->paths[length] != '\0' || probe->paths[length + 1] != '\0')) {
    ++length;
  }
  length += 2;
  if (length > sizeof probe->paths) return 1;
  int wide_length = probe->wide ? MultiByteToWideChar(CP_ACP, 0, probe->paths,
                                                      static_cast<int>(length), nullptr, 0)
                                : 0;
  size_t list_size = probe->wide ? wide_length * sizeof(WCHAR) : length;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list_size);
  auto* drop = block ? static_cast<DROPFILES*>(GlobalLock(block)) : nullptr;
  if (!drop) return 2;
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = probe->point;
  drop->fNC = FALSE;
  drop->fWide = probe->wide != 0;
  char* list = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
  if (probe->wide) {
    MultiByteToWideChar(CP_ACP, 0, probe->paths, static_cast<int>(length),
                        reinterpret_cast<WCHAR*>(list), wide_length);
  } else {
    std::memcpy(list, probe->paths, length);
  }
  GlobalUnlock(block);
  if (!PostMessageA(probe->window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0)) {
    GlobalFree(block);
    return 3;
  }
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) {
  return TRUE;
}
