#include <windows.h>

#include "runtime/message_box.h"

namespace vx {

int32_t ShowPlatformMessageBox(const char* text, const char* caption, uint32_t style) {
  int answer = MessageBoxA(nullptr, text, caption, style);
  return answer >= IDOK && answer <= IDNO ? answer - IDOK : kButtonOk;
}

}  // namespace vx
