#include "app/shell.h"
#include "pipeline/import.h"
#include "pipeline/pipeline_state.h"
#include "runtime/threads.h"
#include "ui/units.h"
#include "ui/window_commands.h"

namespace vx {

// The locks live until the program ends, when the lock service deletes them.
void OnMainWindowCreated() {
  row_lock = CreateLock();
  done_lock = CreateLock();
}

void ShowListMenu() {
  PopupMenu(启动窗口, 菜单);
}

void ShowListMenuAt(int32_t x, int32_t y) {
  PopupMenu(启动窗口, 菜单, x, y);
}

// A drop is an import: while the busy menu keeps "1导入文本" out of reach, it does nothing.
void OnFileDropped(const char* path) {
  if (!UnitIsVisible(kImportEntry)) return;
  ImportDroppedFile(path);
}

}  // namespace vx
