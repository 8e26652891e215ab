#include "pipeline/write_behind.h"

#include <system_error>

namespace vx {

WriteBehind::WriteBehind(FileNumber file) : file_(file) {
  try {
    thread_ = std::thread(&WriteBehind::WriteBlocks, this);
  } catch (const std::system_error&) {
    // Without a thread of its own every block is written in line.
  }
}

WriteBehind::~WriteBehind() {
  Finish();
}

void WriteBehind::WriteBlocks() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return block_ || finishing_; });
    if (!block_) return;
    const char* bytes = block_;
    size_t count = count_;
    lock.unlock();
    bool written = WriteBytes(file_, bytes, count);
    lock.lock();
    failed_ = failed_ || !written;
    block_ = nullptr;
    changed_.notify_all();
  }
}

bool WriteBehind::WaitForTheBlockInHand(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [&] { return !block_; });
  return !failed_;
}

bool WriteBehind::Write(const char* bytes, size_t count) {
  if (!thread_.joinable()) {
    failed_ = failed_ || !WriteBytes(file_, bytes, count);
    return !failed_;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitForTheBlockInHand(lock)) return false;
  block_ = bytes;
  count_ = count;
  changed_.notify_all();
  return true;
}

bool WriteBehind::Finish() {
  if (thread_.joinable()) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      WaitForTheBlockInHand(lock);
      finishing_ = true;
      changed_.notify_all();
    }
    thread_.join();
  }
  return !failed_;
}

}  // namespace vx
