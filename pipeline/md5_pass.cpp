#include "pipeline/md5_pass.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "pipeline/command_progress.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/md5_lanes.h"
#include "runtime/threads.h"
#include "ui/list_control.h"

namespace vx {

namespace {

constexpr int32_t kRowsPerBlock = RowStore::kMostRowsPerBlock;
// Rows the worker and its helper take at a time, half each. Every hand-over between the two waits
// on the system (under Wine, a round trip to its server), so a turn hands over several blocks:
// with one block each, the pass took half as long again under Wine as the worker alone.
constexpr int32_t kRowsPerTurn = 8 * kRowsPerBlock;

// run_state holds one of the constant texts, so the comparison of the texts is mostly the
// comparison of the references, which costs nothing on every row.
bool PassIsRunning() {
  const char* state = run_state.load();
  return state == kRunStateWorking || CompareText(state, kRunStateWorking) == 0;
}

// What digesting a block of rows takes: one read of their texts and one write of their digests,
// and the texts digested side by side in the processor's vector lanes.
class BlockDigester {
 public:
  BlockDigester() : texts_(kRowsPerBlock), messages_(kRowsPerBlock), digests_(kRowsPerBlock) {}

  // Digests up to `count` rows from `first` on, a block at a time; returns the rows read.
  int32_t DigestRows(int32_t first, int32_t count) {
    int32_t read = 0;
    while (read < count) {
      int32_t block = Digest(first + read, std::min(kRowsPerBlock, count - read));
      if (block == 0) break;
      read += block;
    }
    return read;
  }

 private:
  // Digests up to `count` rows from `first` on; returns the rows read, 0 past the last row.
  int32_t Digest(int32_t first, int32_t count) {
    uint64_t rows_generation;
    int32_t read = ReadListColumn(超级列表框1, first, count, kTextColumn, texts_.data(), &holder_,
                                  &spill_, &rows_generation);
    for (int32_t i = 0; i < read; ++i) {
      messages_[i] = {reinterpret_cast<const unsigned char*>(texts_[i].text), texts_[i].length};
    }
    Md5Digests(messages_.data(), static_cast<size_t>(read), digests_.data());
    // Rows that replaced these meanwhile are not these texts: they get none of their digests.
    SetListDigests(超级列表框1, first, read, digests_.data(), rows_generation);
    return read;
  }

  std::vector<TextRun> texts_;
  std::vector<Md5Message> messages_;
  std::vector<DigestBytes> digests_;
  std::shared_ptr<const void> holder_;  // keeps the block's texts
  std::vector<char> spill_;
};

// A thread that the worker owns, which digests the second half of a turn's rows while the worker
// digests the first: the machine's second core. It never touches next_row; where the system
// gives no thread, the worker takes its rows a block at a time alone.
class BesideDigester {
 public:
  BesideDigester() {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
  }
  ~BesideDigester() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  BesideDigester(const BesideDigester&) = delete;
  BesideDigester& operator=(const BesideDigester&) = delete;

  bool running() const { return thread_.joinable(); }

  // Starts on the rows from `first` on.
  void Start(int32_t first, int32_t count) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      first_ = first;
      count_ = count;
      busy_ = true;
    }
    changed_.notify_all();
  }
  // Waits until those rows are digested.
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return ending_ || busy_; });
      if (ending_) return;
      lock.unlock();
      digester_.DigestRows(first_, count_);
      lock.lock();
      busy_ = false;
      changed_.notify_all();
    }
  }

  BlockDigester digester_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int32_t first_ = 0;
  int32_t count_ = 0;
  bool busy_ = false;
  bool ending_ = false;
  std::thread thread_;
};

// Rows are taken kRowsPerTurn at a time: one turn of row_lock for them, the worker digesting the
// first half while its helper digests the second. The cells still fill a block at a time while
// the window shows them. The first block is digested alone, so that the memory of the digest cells
// is fetched once, by the worker.
void DigestRowBlocks() {
  BlockDigester digester;
  std::unique_ptr<BesideDigester> beside;
  CommandProgress progress;
  bool first_block = true;
  while (PassIsRunning()) {
    int32_t take = beside && beside->running() ? kRowsPerTurn : kRowsPerBlock;
    EnterLock(row_lock);
    int32_t first = next_row.fetch_add(take);
    LeaveLock(row_lock);
    int32_t rows = GetRowCount(超级列表框1);
    if (first < 0 || first >= rows) break;
    int32_t own = take == kRowsPerTurn ? take / 2 : take;
    bool split = take == kRowsPerTurn && int64_t{first} + own < rows;
    if (split) beside->Start(first + own, take - own);
    int32_t read = digester.DigestRows(first, own);
    if (split) beside->Wait();
    if (read == 0) break;
    progress.Update(std::min<int64_t>(int64_t{first} + take, rows), rows);
    if (first_block && rows - first > kRowsPerBlock) beside = std::make_unique<BesideDigester>();
    first_block = false;
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
