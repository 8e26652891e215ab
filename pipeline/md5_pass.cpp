#include "pipeline/md5_pass.h"

#include <memory>
#include <vector>

#include "pipeline/command_progress.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/md5_lanes.h"
#include "runtime/threads.h"
#include "ui/list_control.h"

namespace vx {

namespace {

constexpr int32_t kRowsPerBlock = 1024;

// run_state holds one of the constant texts, so the comparison of the texts is mostly the
// comparison of the references, which costs nothing on every row.
bool PassIsRunning() {
  const char* state = run_state.load();
  return state == kRunStateWorking || CompareText(state, kRunStateWorking) == 0;
}

// Rows are taken a block at a time: one turn of row_lock, one read of their texts and one write
// of their digests per block, and the texts digested side by side in the processor's vector
// lanes. The cells still fill a block at a time while the window shows them.
void DigestRowBlocks() {
  TextRun texts[kRowsPerBlock];
  Md5Message messages[kRowsPerBlock];
  DigestBytes digests[kRowsPerBlock];
  std::shared_ptr<const void> holder;  // keeps the block's texts
  std::vector<char> spill;
  CommandProgress progress;
  while (PassIsRunning()) {
    EnterLock(row_lock);
    int32_t first = next_row.fetch_add(kRowsPerBlock);
    LeaveLock(row_lock);
    int32_t rows = GetRowCount(超级列表框1);
    if (first < 0 || first >= rows) break;
    uint64_t rows_generation;
    int32_t count = ReadListColumn(超级列表框1, first, kRowsPerBlock, kTextColumn, texts, &holder,
                                   &spill, &rows_generation);
    if (count == 0) break;
    for (int32_t i = 0; i < count; ++i) {
      messages[i] = {reinterpret_cast<const unsigned char*>(texts[i].text), texts[i].length};
    }
    Md5Digests(messages, static_cast<size_t>(count), digests);
    // Rows that replaced these meanwhile are not these texts: they get none of their digests.
    SetListDigests(超级列表框1, first, count, digests, rows_generation);
    progress.Update(first + count, rows);
  }
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

int32_t Md5Worker(int32_t) {
  DigestRowBlocks();
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
