// The one place where message boxes reach the platform: MessageBoxA on Windows. Tests and
// the headless window replace it with a handler that records and answers.
#pragma once

#include <cstdint>

namespace vx {

// The flags of a box, or-ed together: its buttons, its icon and what it keeps from the user
// while it shows (MessageBoxA's values).
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconExclamation = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr uint32_t kMbSystemModal = 0x1000;
inline constexpr uint32_t kMbTaskModal = 0x2000;

// The button that closed a box (MessageBoxA's IDOK to IDNO, less one); any other answer counts
// as OK.
enum MessageBoxButton : int32_t {
  kButtonOk = 0,
  kButtonCancel = 1,
  kButtonAbort = 2,
  kButtonRetry = 3,
  kButtonIgnore = 4,
  kButtonYes = 5,
  kButtonNo = 6,
};

using MessageBoxHandler = int32_t (*)(const char* text, const char* caption, uint32_t style);

// Shows a box without owner and returns the button that closed it.
int32_t PlatformMessageBox(const char* text, const char* caption, uint32_t style);

// Routes every later box to `handler` (null: the platform's own); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace vx
