#include "app/close_confirmation.h"

#include <cstdint>

#include "app/shell_texts.h"
#include "runtime/message_box.h"
#include "runtime/runtime.h"

namespace vx {

namespace {
constexpr uint32_t kYesNoQuestion = 36;  // MB_YESNO | MB_ICONQUESTION
}

bool ConfirmClose() {
  // Task-modal without an owner: the box disables the main window, whatever has the focus.
  int32_t answer =
      PlatformMessageBox(kCloseQuestion, kCloseQuestionCaption, kYesNoQuestion | kMbTaskModal);
  if (answer != kIdYes) return false;
  ExitProgram(0);  // on the UI thread this ends the process
  return false;
}

}  // namespace vx
