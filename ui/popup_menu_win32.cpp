// The list's popup menu on Win32: built anew from the items the portable code gives each time it
// opens, and destroyed when it closes.
#include <windows.h>

#include "ui/window_backend.h"
#include "ui/window_win32.h"

namespace vx {

namespace {

using win32::frame;

// A chosen entry comes back as this command id plus the entry's unit id.
constexpr UINT kFirstEntryCommand = 0x1000;
constexpr UINT kLastEntryCommand = 0xEFFF;
constexpr int kCursorOffset = 3;

}  // namespace

void BackendPopupMenu(const PopupItem* items, int32_t count, std::optional<int32_t> x,
                      std::optional<int32_t> y) {
  if (count <= 0 || !frame.window) return;
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (int32_t i = 0; i < count; ++i) {
    const PopupItem& item = items[i];
    if (item.separator) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item.greyed ? MF_GRAYED : 0) | (item.checked ? MF_CHECKED : 0);
    AppendMenuA(menu, flags, kFirstEntryCommand + static_cast<UINT>(item.entry.unit), item.caption);
  }
  POINT at = {0, 0};
  GetCursorPos(&at);
  at.x = x ? *x : at.x + win32::Scaled(kCursorOffset, frame.dpi);
  at.y = y ? *y : at.y + win32::Scaled(kCursorOffset, frame.dpi);
  // The choice is returned rather than sent, and posted as a command: its chosen event is raised
  // from the message queue, after the handler that showed the menu has returned.
  UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, frame.window, nullptr));
  DestroyMenu(menu);
  if (chosen) PostMessageA(frame.window, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

namespace win32 {

bool HandlePopupCommand(WPARAM wparam, LPARAM lparam) {
  UINT command = LOWORD(wparam);
  bool from_menu = HIWORD(wparam) == 0 && lparam == 0;
  if (!from_menu || command < kFirstEntryCommand || command > kLastEntryCommand) return false;
  RaiseChosen({frame.window_unit.window, static_cast<int32_t>(command - kFirstEntryCommand)});
  return true;
}

}  // namespace win32

}  // namespace vx
