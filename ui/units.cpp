#include "ui/units.h"

#include <atomic>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "ui/layout.h"
#include "ui/on_ui_thread.h"
#include "ui/ui_texts.h"
#include "ui/units_internal.h"
#include "ui/window_backend.h"

namespace vx {

namespace {

enum class UnitKind { kWindow, kFileDialog, kList, kMenu, kMenuEntry };

struct Unit {
  UnitRef ref;
  UnitKind kind;
  size_t index;  // into the dialogs or the menus
  std::string name;
};

struct DialogUnit {
  DialogState state;
  bool visible = false;
};

struct MenuUnit {
  UnitRef ref;
  std::string caption;
  std::atomic<uint32_t> flags{0};
  EventHandler chosen = nullptr;
};

// The loaded window: what the layout described, and the properties as they are now. The text
// properties, the dialogs' modes and the visibilities are guarded by `property_mutex`; menu flags
// are atomic, the rest is fixed while the window is loaded.
struct LoadedWindow {
  UnitRef ref;
  std::string name;
  std::string title;
  bool visible = false;
  EventHandler created = nullptr;
  CloseQueryHandler close_query = nullptr;
  UnitRef list;
  bool list_visible = true;
  EventHandler right_click = nullptr;
  MenuKeyHandler menu_key = nullptr;
  EventHandler copy_key = nullptr;
  FileDropHandler file_dropped = nullptr;
  std::vector<DialogUnit> dialogs;
  std::unique_ptr<MenuUnit[]> menus;  // the top-level menu first, then its entries
  size_t menu_count = 0;
  std::vector<Unit> units;
};

std::atomic<bool> window_loaded{false};
std::unique_ptr<LoadedWindow> window;
std::mutex property_mutex;
RowStore list_rows;

bool IsLoadedWindow(int32_t window_id) {
  return window_loaded.load(std::memory_order_acquire) && window->ref.window == window_id;
}

const Unit* FindUnit(UnitRef ref) {
  for (const Unit& unit : window->units) {
    if (unit.ref == ref) return &unit;
  }
  return nullptr;
}

const Unit& RequireUnit(UnitRef ref, UnitAccess access, std::initializer_list<UnitKind> kinds) {
  if (!IsLoadedWindow(ref.window)) ReportRuntimeError(0, kWindowNotLoaded, ref.window, ref.unit);
  const Unit* unit = FindUnit(ref);
  bool of_kind = false;
  if (unit) {
    for (UnitKind kind : kinds) of_kind = of_kind || unit->kind == kind;
  }
  if (!of_kind) {
    ReportRuntimeError(0, access == UnitAccess::kRead ? kReadOfUnloadedUnit : kWriteOfUnloadedUnit,
                       ref.window, ref.unit);
  }
  return *unit;
}

const std::initializer_list<UnitKind> kAnyKind = {UnitKind::kWindow, UnitKind::kFileDialog,
                                                  UnitKind::kList, UnitKind::kMenu,
                                                  UnitKind::kMenuEntry};

UnitNames NamesOfUnit(int32_t window_id, int32_t unit_id) {
  if (!IsLoadedWindow(window_id)) return {nullptr, nullptr};
  for (const Unit& unit : window->units) {
    if (unit.ref.unit == unit_id) return {window->name.c_str(), unit.name.c_str()};
  }
  return {window->name.c_str(), nullptr};
}

const char* OrEmpty(const char* text) {
  return text ? text : "";
}

std::unique_ptr<LoadedWindow> BuildWindow(const WindowLayout& layout) {
  auto built = std::make_unique<LoadedWindow>();
  built->ref = layout.window;
  built->name = OrEmpty(layout.name);
  built->title = OrEmpty(layout.title);
  built->created = layout.created;
  built->close_query = layout.close_query;
  built->units.push_back({layout.window, UnitKind::kWindow, 0, built->name});

  for (int32_t i = 0; i < layout.dialog_count; ++i) {
    const FileDialogLayout& dialog = layout.dialogs[i];
    DialogUnit unit;
    unit.state = {dialog.mode,
                  OrEmpty(dialog.title),
                  OrEmpty(dialog.filter),
                  dialog.initial_filter,
                  OrEmpty(dialog.initial_directory),
                  OrEmpty(dialog.default_extension),
                  OrEmpty(dialog.file_name),
                  dialog.ask_before_creating,
                  dialog.file_must_exist,
                  dialog.ask_before_replacing,
                  dialog.directory_must_exist,
                  dialog.keep_current_directory};
    built->units.push_back(
        {dialog.unit, UnitKind::kFileDialog, built->dialogs.size(), OrEmpty(dialog.name)});
    built->dialogs.push_back(std::move(unit));
  }

  built->list = layout.list.unit;
  built->right_click = layout.list.right_click;
  built->menu_key = layout.list.menu_key;
  built->copy_key = layout.list.copy_key;
  built->file_dropped = layout.file_dropped;
  built->units.push_back({layout.list.unit, UnitKind::kList, 0, OrEmpty(layout.list.name)});

  const MenuLayout& menu = layout.menu;
  built->menu_count = 1 + static_cast<size_t>(menu.entry_count > 0 ? menu.entry_count : 0);
  built->menus = std::make_unique<MenuUnit[]>(built->menu_count);
  built->menus[0].ref = menu.unit;
  built->menus[0].caption = OrEmpty(menu.caption);
  built->menus[0].flags = menu.hidden ? kEntryHidden : 0;
  built->units.push_back({menu.unit, UnitKind::kMenu, 0, OrEmpty(menu.caption)});
  for (size_t i = 1; i < built->menu_count; ++i) {
    const MenuEntryLayout& entry = menu.entries[i - 1];
    MenuUnit& unit = built->menus[i];
    unit.ref = entry.unit;
    unit.caption = OrEmpty(entry.caption);
    unit.flags = entry.flags;
    unit.chosen = entry.chosen;
    built->units.push_back({entry.unit, UnitKind::kMenuEntry, i, unit.caption});
  }
  return built;
}

}  // namespace

// --- The window runtime ---------------------------------------------------------------------

void LoadStartWindow(const WindowLayout& layout) {
  window_loaded.store(false, std::memory_order_release);
  window = BuildWindow(layout);
  list_rows.ReplaceImage(nullptr, 0);  // the layout stores an empty image
  SetUnitNameLookup(NamesOfUnit);
  window_loaded.store(true, std::memory_order_release);
  if (!BackendCreateWindow(layout)) {
    window_loaded.store(false, std::memory_order_release);
    ReportRuntimeError(0, kStartWindowFailed, 0, 0);
  }
  RaiseCreated(layout.window);
  BackendShowWindow();
  std::lock_guard<std::mutex> lock(property_mutex);
  window->visible = true;
}

void RunMessageLoop() {
  BackendRunMessageLoop();
}

// --- Properties -----------------------------------------------------------------------------

void SetWindowTitle(UnitRef window_unit, const char* title) {
  RequireUnit(window_unit, UnitAccess::kWrite, {UnitKind::kWindow});
  std::string copy = OrEmpty(title);
  OnUiThread([&] {
    {
      std::lock_guard<std::mutex> lock(property_mutex);
      window->title = copy;
    }
    BackendSetTitle(copy.c_str());
  });
}

Text ReadWindowTitle(UnitRef window_unit) {
  RequireUnit(window_unit, UnitAccess::kRead, {UnitKind::kWindow});
  std::lock_guard<std::mutex> lock(property_mutex);
  return CopyText(window->title.c_str());
}

void SetMenuEntryVisible(UnitRef entry, bool visible) {
  const Unit& unit =
      RequireUnit(entry, UnitAccess::kWrite, {UnitKind::kMenu, UnitKind::kMenuEntry});
  MenuUnit& menu = window->menus[unit.index];
  OnUiThread([&] {
    uint32_t flags = menu.flags.load();
    uint32_t changed = visible ? flags & ~kEntryHidden : flags | kEntryHidden;
    if (changed == flags) return;
    menu.flags.store(changed);
    BackendMenuEntryVisibilityChanged(entry, visible);
  });
}

uint32_t MenuEntryFlags(UnitRef entry) {
  const Unit& unit = RequireUnit(entry, UnitAccess::kRead, {UnitKind::kMenu, UnitKind::kMenuEntry});
  return window->menus[unit.index].flags.load();
}

void SetUnitVisible(UnitRef unit_ref, bool visible) {
  const Unit& unit = RequireUnit(unit_ref, UnitAccess::kWrite, kAnyKind);
  switch (unit.kind) {
    case UnitKind::kMenu:
    case UnitKind::kMenuEntry:
      SetMenuEntryVisible(unit_ref, visible);
      return;
    case UnitKind::kFileDialog: {  // no window of its own: the value is only kept
      std::lock_guard<std::mutex> lock(property_mutex);
      window->dialogs[unit.index].visible = visible;
      return;
    }
    case UnitKind::kWindow:
    case UnitKind::kList:
      OnUiThread([&] {
        {
          std::lock_guard<std::mutex> lock(property_mutex);
          (unit.kind == UnitKind::kList ? window->list_visible : window->visible) = visible;
        }
        BackendSetUnitVisible(unit_ref, visible);
      });
      return;
  }
}

bool UnitIsVisible(UnitRef unit_ref) {
  const Unit& unit = RequireUnit(unit_ref, UnitAccess::kRead, kAnyKind);
  switch (unit.kind) {
    case UnitKind::kMenu:
    case UnitKind::kMenuEntry:
      return (window->menus[unit.index].flags.load() & kEntryHidden) == 0;
    case UnitKind::kFileDialog: {
      std::lock_guard<std::mutex> lock(property_mutex);
      return window->dialogs[unit.index].visible;
    }
    case UnitKind::kList: {
      std::lock_guard<std::mutex> lock(property_mutex);
      return window->list_visible;
    }
    case UnitKind::kWindow:
      break;
  }
  std::lock_guard<std::mutex> lock(property_mutex);
  return window->visible;
}

namespace {

// `use` of a file dialog unit's settings, under the property lock.
template <typename Use>
auto WithDialogState(UnitRef dialog, UnitAccess access, Use&& use) {
  const Unit& unit = RequireUnit(dialog, access, {UnitKind::kFileDialog});
  std::lock_guard<std::mutex> lock(property_mutex);
  return use(window->dialogs[unit.index].state);
}

}  // namespace

void SetDialogMode(UnitRef dialog, int32_t mode) {
  WithDialogState(dialog, UnitAccess::kWrite, [&](DialogState& state) { state.mode = mode; });
}

int32_t DialogMode(UnitRef dialog) {
  return WithDialogState(dialog, UnitAccess::kRead, [](DialogState& state) { return state.mode; });
}

void SetDialogFileName(UnitRef dialog, const char* file_name) {
  WithDialogState(dialog, UnitAccess::kWrite,
                  [&](DialogState& state) { state.file_name = OrEmpty(file_name); });
}

Text ReadDialogFileName(UnitRef dialog) {
  return WithDialogState(dialog, UnitAccess::kRead,
                         [](DialogState& state) { return CopyText(state.file_name.c_str()); });
}

void SetDialogFilter(UnitRef dialog, int32_t filter) {
  WithDialogState(dialog, UnitAccess::kWrite,
                  [&](DialogState& state) { state.initial_filter = filter; });
}

int32_t DialogFilter(UnitRef dialog) {
  return WithDialogState(dialog, UnitAccess::kRead,
                         [](DialogState& state) { return state.initial_filter; });
}

// --- Events ---------------------------------------------------------------------------------

void RaiseCreated(UnitRef window_unit) {
  if (!IsLoadedWindow(window_unit.window) || window_unit != window->ref) return;
  if (EventHandler handler = window->created) handler();
}

bool RaiseCloseQuery(UnitRef window_unit) {
  if (!IsLoadedWindow(window_unit.window) || window_unit != window->ref) return true;
  CloseQueryHandler handler = window->close_query;
  return handler ? handler() : true;
}

void RaiseRightClick(UnitRef unit) {
  if (!IsLoadedWindow(unit.window) || unit != window->list) return;
  if (EventHandler handler = window->right_click) handler();
}

void RaiseMenuKey(UnitRef unit, int32_t x, int32_t y) {
  if (!IsLoadedWindow(unit.window) || unit != window->list) return;
  if (MenuKeyHandler handler = window->menu_key) handler(x, y);
}

void RaiseCopyKey(UnitRef unit) {
  if (!IsLoadedWindow(unit.window) || unit != window->list) return;
  if (EventHandler handler = window->copy_key) handler();
}

void RaiseFileDropped(UnitRef window_unit, const char* path) {
  if (!IsLoadedWindow(window_unit.window) || window_unit != window->ref) return;
  if (FileDropHandler handler = window->file_dropped) handler(path ? path : "");
}

// An entry is chosen in a popup that has closed, and raised from the message queue afterwards: an
// entry that the busy menu hid meanwhile (a command started in between) is no longer chosen.
void RaiseChosen(UnitRef entry) {
  if (!IsLoadedWindow(entry.window)) return;
  const Unit* unit = FindUnit(entry);
  if (!unit || unit->kind != UnitKind::kMenuEntry) return;
  const auto& menu_entry = window->menus[unit->index];
  if (menu_entry.flags.load() & (kEntryHidden | kEntryDisabled)) return;
  if (EventHandler handler = menu_entry.chosen) handler();
}

void RaiseDestroyed(UnitRef window_unit) {
  if (IsLoadedWindow(window_unit.window) && window_unit == window->ref) {
    window_loaded.store(false, std::memory_order_release);
  }
}

// --- For the list control and the window commands ---------------------------------------------

RowStore& LoadedListRows(UnitRef list, UnitAccess access) {
  if (!IsLoadedWindow(list.window) || list != window->list) {
    RequireUnit(list, access, {UnitKind::kList});
  }
  return list_rows;
}

bool UnitHasWindow(UnitRef unit_ref, UnitAccess access) {
  const Unit& unit = RequireUnit(unit_ref, access, kAnyKind);
  return unit.kind == UnitKind::kWindow || unit.kind == UnitKind::kList;
}

bool MenuEntriesOf(UnitRef window_unit, UnitRef menu, std::vector<MenuEntryState>* entries) {
  if (!IsLoadedWindow(window_unit.window)) {
    ReportRuntimeError(0, kWindowNotLoaded, window_unit.window, window_unit.unit);
  }
  // The layout holds one top-level menu; its entries follow it one level deeper.
  if (menu.window != window_unit.window || menu != window->menus[0].ref) return false;
  if (window->menu_count < 2) return false;
  entries->clear();
  for (size_t i = 1; i < window->menu_count; ++i) {
    const MenuUnit& entry = window->menus[i];
    entries->push_back({entry.ref, entry.caption, entry.flags.load()});
  }
  return true;
}

DialogState LoadedDialog(UnitRef dialog, UnitAccess access) {
  return WithDialogState(dialog, access, [](DialogState& state) { return state; });
}

}  // namespace vx
