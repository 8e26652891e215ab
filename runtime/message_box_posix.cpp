#include <cstdio>

#include "runtime/message_box.h"

namespace vx {

// Without a window system the box goes to stderr and is answered with OK.
int32_t ShowPlatformMessageBox(const char* text, const char* caption, uint32_t style) {
  std::fprintf(stderr, "[message box 0x%x] %s\n%s\n", style, caption ? caption : "",
               text ? text : "");
  std::fflush(stderr);
  return kButtonOk;
}

}  // namespace vx
