// Popup menus: finding, reading (through the probe DLL, since Wine keeps menus inside their
// process), choosing and dismissing.
#include "tests/e2e/actions.h"
#include "tests/e2e/target_probe.h"

#include <cstring>

namespace vx::e2e {

HWND WaitForPopupMenu(const TargetProcess& target, DWORD timeout_ms) {
  WindowQuery query;
  query.pid = target.pid();
  query.class_name = "#32768";
  return WaitForWindow(query, timeout_ms);
}

bool ReadPopupMenu(TargetProcess& target, const std::string& probe_dll, HWND menu_window,
                   std::vector<MenuEntry>* entries) {
  uintptr_t reader = target.LoadExport(probe_dll, kReadPopupMenuExport);
  if (!reader) return false;
  MenuProbe probe = {};
  probe.menu_window = menu_window;
  RemoteBlock block(target, sizeof probe);
  DWORD result = 1;
  if (!block.address() || !target.Write(block.address(), &probe, sizeof probe) ||
      !block.Call(reader, &result) || result != 0 ||
      !target.Read(block.address(), &probe, sizeof probe) || probe.count < 0) {
    return false;
  }
  entries->clear();
  for (int i = 0; i < probe.count; ++i) {
    const MenuItemProbe& item = probe.items[i];
    bool separator = (item.type & MFT_SEPARATOR) != 0;
    std::string caption(item.caption, strnlen(item.caption, kMaxMenuCaption));
    entries->push_back({item.id, separator ? "" : caption, separator,
                        (item.state & MFS_GRAYED) != 0, (item.state & MFS_CHECKED) != 0,
                        item.rect});
  }
  return true;
}

bool ChoosePopupMenuEntry(HWND menu_window, const std::vector<MenuEntry>& entries, int index) {
  if (index < 0 || index >= static_cast<int>(entries.size()) || entries[index].separator) {
    return false;
  }
  // With nothing selected, the first Down selects the first entry that is not a separator.
  for (int i = 0; i <= index; ++i) {
    if (!entries[i].separator) PostKey(menu_window, VK_DOWN);
  }
  PostKey(menu_window, VK_RETURN);
  return WaitUntilHidden(menu_window, kAnswerMs);
}

bool DismissPopupMenu(HWND menu_window) {
  PostKey(menu_window, VK_ESCAPE);
  return WaitUntilHidden(menu_window, kAnswerMs);
}

}  // namespace vx::e2e
