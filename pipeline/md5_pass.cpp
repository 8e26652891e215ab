#include "pipeline/md5_pass.h"

#include <vector>

#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/md5.h"
#include "runtime/threads.h"
#include "ui/list_control.h"

namespace vx {

namespace {

constexpr int32_t kTextColumn = 1;
constexpr int32_t kDigestColumn = 2;  // followed by the short digest's column
// The 16-digit form: characters 9 to 24 of the 32-digit one.
constexpr int kShortDigestStart = 8;
constexpr int kShortDigestLength = 16;

// run_state holds one of the constant texts, so the comparison of the texts is mostly the
// comparison of the references, which costs nothing on every row.
bool PassIsRunning() {
  const char* state = run_state.load();
  return state == kRunStateWorking || CompareText(state, kRunStateWorking) == 0;
}

// Copies the text of cell (row, 1) into `text`, which grows for a longer text and is kept from
// row to row; returns its length.
size_t ReadRowText(int32_t row, std::vector<char>* text) {
  int32_t length =
      CopyCellText(超级列表框1, row, kTextColumn, text->data(), static_cast<int32_t>(text->size()));
  while (static_cast<size_t>(length) >= text->size()) {
    text->resize(static_cast<size_t>(length) + 1);
    length = CopyCellText(超级列表框1, row, kTextColumn, text->data(),
                          static_cast<int32_t>(text->size()));
  }
  return static_cast<size_t>(length);
}

}  // namespace

void StartMd5Pass() {
  if (PassIsRunning()) return;
  SetCountTitle(kTitlePassRunningBefore, GetRowCount(超级列表框1), kTitlePassRunningAfter);
  run_state = kRunStateWorking;
  workers_done = 0;
  ShowBusyMenu();
  StartThread(Md5Launcher);
}

int32_t Md5Launcher(int32_t) {
  worker_count = 1;
  for (int32_t i = 1; i <= worker_count; ++i) StartThread(Md5Worker);
  return 0;
}

// The digest goes into both cells at once, straight from this worker's own buffers: only this
// worker writes them while the pass runs, so reading column 2 back would give the same digits.
int32_t Md5Worker(int32_t) {
  std::vector<char> text(512);
  char digest[33];
  char short_digest[kShortDigestLength + 1];
  while (PassIsRunning()) {
    EnterLock(row_lock);
    int32_t row = next_row.fetch_add(1);
    LeaveLock(row_lock);
    if (row >= GetRowCount(超级列表框1)) break;
    size_t length = ReadRowText(row, &text);
    Md5Hex(text.data(), length, digest);
    digest[32] = '\0';
    for (int i = 0; i < kShortDigestLength; ++i) short_digest[i] = digest[kShortDigestStart + i];
    short_digest[kShortDigestLength] = '\0';
    SetCellTexts(超级列表框1, row, kDigestColumn, {digest, short_digest});
  }

  EnterLock(done_lock);
  int32_t done = ++workers_done;
  LeaveLock(done_lock);
  if (done < worker_count) return 0;
  // next_row is back at 0 before the menu lets a new pass start.
  next_row = 0;
  run_state = kRunStateStopped;
  ShowIdleMenu();
  SetCountTitle(kTitlePassCompleteBefore, GetRowCount(超级列表框1), kTitlePassCompleteAfter);
  return 0;
}

}  // namespace vx
