// The clipboard, as another program reads and writes it.
#include "tests/e2e/actions.h"

#include <cstring>

namespace vx::e2e {

namespace {

// The program under test may hold the clipboard open for a moment while it copies.
bool OpenClipboardSoon() {
  return WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 1000);
}

}  // namespace

bool ReadClipboardText(std::string* text) {
  if (!OpenClipboardSoon()) return false;
  bool read = false;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (auto* bytes = static_cast<const char*>(GlobalLock(data))) {
      text->assign(bytes, strnlen(bytes, GlobalSize(data)));
      GlobalUnlock(data);
      read = true;
    }
  }
  CloseClipboard();
  return read;
}

bool WriteClipboardText(const std::string& text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  auto* bytes = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
  if (!bytes) return false;
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  if (!OpenClipboardSoon()) {
    GlobalFree(block);
    return false;
  }
  bool taken = EmptyClipboard() && SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  if (!taken) GlobalFree(block);
  return taken;
}

}  // namespace vx::e2e
