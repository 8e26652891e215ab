#include "runtime/message_box.h"

#include <atomic>

namespace vx {

int32_t ShowPlatformMessageBox(const char* text, const char* caption, uint32_t style);

namespace {
std::atomic<MessageBoxHandler> message_box_handler{nullptr};
}

int32_t PlatformMessageBox(const char* text, const char* caption, uint32_t style) {
  MessageBoxHandler handler = message_box_handler.load();
  return handler ? handler(text, caption, style) : ShowPlatformMessageBox(text, caption, style);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return message_box_handler.exchange(handler);
}

}  // namespace vx
