#include "ui/window_commands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/message_box.h"
#include "runtime/runtime.h"
#include "ui/on_ui_thread.h"
#include "ui/ui_texts.h"
#include "ui/units_internal.h"
#include "ui/window_backend.h"

namespace vx {

namespace {

constexpr char kSeparatorCaption[] = "-";
constexpr size_t kPathBufferSize = 260;

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsLeadByte(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

// "description|pattern|..." as the platform's list of zero-terminated pairs ending in one more
// zero; "" for an empty filter. The bars are found as text splitting finds separators, so the
// trail byte of a two-byte character is never taken for one.
std::string PlatformFilterList(const std::string& filter) {
  size_t end = filter.size();
  while (end > 0 && IsWhiteSpace(filter[end - 1])) --end;
  if (end == 0) return std::string();
  std::string list = filter.substr(0, end);
  if (list.size() < 2 || list.compare(list.size() - 2, 2, "||") != 0) list += "||";
  for (size_t i = 0; i < list.size();) {
    if (list[i] == '|') {
      list[i++] = '\0';
    } else if (IsLeadByte(list[i])) {
      if (i + 1 >= list.size()) break;
      i += 2;
    } else {
      ++i;
    }
  }
  return list;
}

// The proposed name as the platform's path buffer holds it, without splitting a character.
std::string CutToPathBuffer(const std::string& name) {
  if (name.size() < kPathBufferSize) return name;
  size_t kept = 0;
  while (kept < name.size()) {
    size_t step = IsLeadByte(name[kept]) && kept + 1 < name.size() ? 2 : 1;
    if (kept + step > kPathBufferSize - 1) break;
    kept += step;
  }
  return name.substr(0, kept);
}

uint32_t DialogFlags(const DialogState& dialog) {
  uint32_t flags = kOfnHideReadOnly | kOfnExplorer | kOfnEnableSizing;
  if (dialog.ask_before_creating) flags |= kOfnCreatePrompt;
  if (dialog.file_must_exist) flags |= kOfnFileMustExist;
  if (dialog.ask_before_replacing) flags |= kOfnOverwritePrompt;
  if (dialog.directory_must_exist) flags |= kOfnPathMustExist;
  if (dialog.keep_current_directory) flags |= kOfnNoChangeDir;
  return flags;
}

}  // namespace

// The platform layer shows boxes without owner; a task-modal box (the style every box of this
// program has) disables the calling thread's windows all the same.
int32_t ShowMessageBox(const char* message, uint32_t flags, std::optional<const char*> caption,
                       std::optional<UnitRef> owner) {
  (void)owner;
  if (!(flags & kMbSystemModal)) flags |= kMbTaskModal;
  const char* shown_caption = caption ? (*caption ? *caption : "") : kDefaultMessageBoxCaption;
  return PlatformMessageBox(message ? message : "", shown_caption, flags);
}

// A worker thread owns no windows, so it has no events to process.
void ProcessPendingEvents() {
  if (IsUiThread()) BackendProcessPendingEvents();
}

// Only a unit with a window of its own can be kept from repainting.
void ForbidRedraw(UnitRef unit) {
  if (UnitHasWindow(unit, UnitAccess::kWrite)) OnUiThread([&] { BackendForbidRedraw(unit); });
}

void AllowRedraw(UnitRef unit) {
  UnitHasWindow(unit, UnitAccess::kWrite);
  OnUiThread([] { BackendAllowRedraw(); });
}

void PopupMenu(UnitRef window, UnitRef menu, std::optional<int32_t> x, std::optional<int32_t> y) {
  std::vector<MenuEntryState> entries;
  if (!MenuEntriesOf(window, menu, &entries)) return;
  std::vector<PopupItem> items;
  for (const MenuEntryState& entry : entries) {
    if (entry.flags & kEntryHidden) continue;
    if (entry.caption == kSeparatorCaption) {
      items.push_back({entry.entry, entry.caption.c_str(), true, false, false});
    } else {
      items.push_back({entry.entry, entry.caption.c_str(), false,
                       (entry.flags & kEntryDisabled) != 0, (entry.flags & kEntryChecked) != 0});
    }
  }
  OnUiThread([&] { BackendPopupMenu(items.data(), static_cast<int32_t>(items.size()), x, y); });
}

bool CopyTextToClipboard(const char* text, size_t length) {
  bool copied = false;
  OnUiThread([&] { copied = BackendSetClipboardText(text ? text : "", text ? length : 0); });
  return copied;
}

void ShowTaskbarProgress(int64_t done, int64_t total) {
  if (total <= 0) {
    ClearTaskbarProgress();
    return;
  }
  done = std::clamp<int64_t>(done, 0, total);
  BackendSetTaskbarProgress(static_cast<uint64_t>(done), static_cast<uint64_t>(total));
}

void ClearTaskbarProgress() {
  BackendSetTaskbarProgress(0, 0);
}

int32_t ShowFileDialog(UnitRef dialog) {
  DialogState state = LoadedDialog(dialog, UnitAccess::kRead);
  if (state.mode != kOpenFileMode && state.mode != kSaveFileMode) return 0;
  FileDialogRequest request;
  request.save = state.mode == kSaveFileMode;
  request.filter = PlatformFilterList(state.filter);
  request.filter_index = request.filter.empty() ? 0 : std::max(state.initial_filter, 0) + 1;
  request.file_name = CutToPathBuffer(state.file_name);
  request.default_extension = state.default_extension;
  request.title = state.title;
  request.initial_directory = state.initial_directory;
  request.flags = DialogFlags(state);
  std::string chosen;
  int32_t chosen_filter = 0;
  bool confirmed = false;
  // Windows's open dialog changes the current directory to the folder the user browsed to even
  // with OFN_NOCHANGEDIR, which is documented to have no effect on it: the directory is put back.
  OwnedText directory(state.keep_current_directory ? ReadCurrentDirectory() : nullptr);
  OnUiThread([&] { confirmed = BackendShowFileDialog(request, &chosen, &chosen_filter); });
  if (directory) ChangeCurrentDirectory(directory.get());
  if (!confirmed) return 0;
  SetDialogFileName(dialog, chosen.c_str());
  if (chosen_filter >= 1) SetDialogFilter(dialog, chosen_filter - 1);
  return 1;
}

}  // namespace vx
