// The one place where message boxes reach the platform: MessageBoxA on Windows. Tests and
// the headless window replace it with a handler that records and answers.
#pragma once

#include <cstdint>

namespace vx {

// MessageBoxA's results and the styles the runtime uses.
enum : int32_t {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbSystemModal = 0x1000;
inline constexpr uint32_t kMbTaskModal = 0x2000;

using MessageBoxHandler = int32_t (*)(const char* text, const char* caption, uint32_t style);

// Shows a box without owner and returns the platform's button id.
int32_t PlatformMessageBox(const char* text, const char* caption, uint32_t style);

// Routes every later box to `handler` (null: the platform's own); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace vx
