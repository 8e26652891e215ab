#include "pipeline/pipeline_state.h"

#include <cstdio>

#include "runtime/values.h"
#include "ui/units.h"

namespace vx {

std::atomic<int32_t> next_row{0};
LockHandle row_lock = 0;
LockHandle done_lock = 0;
std::atomic<const char*> run_state{nullptr};
std::atomic<int32_t> worker_count{0};
int32_t workers_done = 0;

namespace {

// The entries that the busy menu hides, in the order they are switched; the separator below
// "2去重复项" stays.
constexpr UnitRef kBusyHiddenEntries[] = {
    kSeparatorAfterImport, kSeparatorAfterStartPass, kSeparatorAfterExport,  kExportEntry,
    kImportEntry,          kClearListEntry,          kRemoveDuplicatesEntry, kStartPassEntry,
};

void SetCommandEntriesVisible(bool visible) {
  for (UnitRef entry : kBusyHiddenEntries) SetMenuEntryVisible(entry, visible);
  SetMenuEntryVisible(kUnavailableEntry, !visible);
}

}  // namespace

void ShowBusyMenu() {
  SetCommandEntriesVisible(false);
}
void ShowIdleMenu() {
  SetCommandEntriesVisible(true);
}

void SetCountTitle(const char* before, int32_t count, const char* after) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", count);
  OwnedText title(ConcatTexts({before, digits, after}));
  SetWindowTitle(启动窗口, title.get());
}

void SetTitle(const char* title) {
  SetWindowTitle(启动窗口, title);
}

}  // namespace vx
