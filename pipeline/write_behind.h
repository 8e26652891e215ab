// Writes blocks of a file on a thread of its own while the caller fills the next block, so that
// the system's copying of a large export into the file overlaps its formatting.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "runtime/files.h"

namespace vx {

class WriteBehind {
 public:
  explicit WriteBehind(FileNumber file);
  // Waits for the last write.
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Waits until the block handed over before is written, then hands over the `count` bytes at
  // `bytes`, which the caller leaves alone until its next Write or Finish. False, handing nothing
  // over, once a write has failed.
  bool Write(const char* bytes, size_t count);
  // Waits until every block handed over is written; false when a write failed.
  bool Finish();

 private:
  void WriteBlocks();
  bool WaitForTheBlockInHand(std::unique_lock<std::mutex>& lock);

  FileNumber file_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* block_ = nullptr;  // handed over and not yet written
  size_t count_ = 0;
  bool finishing_ = false;
  bool failed_ = false;
  std::thread thread_;  // not started when the system had no thread to give: writes in line
};

}  // namespace vx
