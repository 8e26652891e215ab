#include "app/main_window.h"
#include "app/shell.h"
#include "pipeline/pipeline_state.h"
#include "runtime/runtime.h"
#include "runtime/values.h"
#include "ui/units.h"

namespace vx {

int ProgramMain() {
  InitializeRuntime();
  RegisterExitRoutine(ReleaseRunState);
  LoadStartWindow(MainWindowLayout());
  RunMessageLoop();
  return 0;
}

// run_state only ever refers to the constant texts, which FreeBlock leaves alone; a worker that
// is still running reads the empty state as "not working" and takes no more rows.
void ReleaseRunState() {
  FreeBlock(const_cast<char*>(run_state.exchange(nullptr)));
}

}  // namespace vx
