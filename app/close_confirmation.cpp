#include <cstdint>

#include "app/shell.h"
#include "app/shell_texts.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/runtime.h"
#include "ui/window_commands.h"

namespace vx {

bool ConfirmClose() {
  // Without an owner and task-modal: the box disables the main window, whatever has the focus.
  if (ShowMessageBox(shell_texts::kCloseQuestion, kMbYesNo | kMbIconQuestion,
                     shell_texts::kCloseQuestionCaption) != kButtonYes) {
    return false;
  }
  // A worker still between two rows sees the stopped pass and takes no more.
  next_row = 0;
  run_state = kRunStateStopped;
  ExitProgram(0);  // on the UI thread this ends the process
  return false;
}

}  // namespace vx
