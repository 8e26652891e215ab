#include "app/shell.h"
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

}  // namespace vx
