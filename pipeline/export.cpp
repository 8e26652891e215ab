#include "pipeline/export.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "pipeline/command_progress.h"
#include "pipeline/event_pacer.h"
#include "pipeline/export_lines.h"
#include "pipeline/in_two_threads.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/clock.h"
#include "runtime/conversions.h"
#include "runtime/files.h"
#include "runtime/sha256_lanes.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

// Lines are spelled into blocks of this size, which a thread of their own hands to the system
// one after another while the next ones are spelled: few and large writes, and a write that
// waits for a slow disk keeps neither the spelling nor the window waiting.
constexpr size_t kBlockSize = size_t{1} << 20;
constexpr int kBlocks = 4;
// Rows read from the list at a time, under one lock of its store.
constexpr int32_t kRowsPerRead = RowStore::kMostRowsPerBlock;
// Texts digested at a time.
constexpr int32_t kTextsPerDigest = 1024;

// The blocks of the export file, written in the order they are handed over. Where the system
// gives no thread, each block is written as it is handed over.
class BlockWriter {
 public:
  BlockWriter(FileNumber file, EventPacer* pacer) : file_(file), pacer_(pacer) {
    for (std::vector<char>& block : blocks_) block.resize(kBlockSize);
    try {
      thread_ = std::thread([this] { WriteHandedBlocks(); });
    } catch (const std::system_error&) {
    }
  }
  ~BlockWriter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // The block to fill next, with room for `bytes` at least: waits, answering the window, while
  // every block is still to be written. Null once a write has failed.
  std::vector<char>* NextBlock(size_t bytes) {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitAnswering(&lock, [this] { return handed_ - written_ < kBlocks; });
    if (failed_) return nullptr;
    std::vector<char>* block = &blocks_[handed_ % kBlocks];
    lock.unlock();
    if (block->size() < bytes) block->resize(bytes);  // a line longer than a block
    return block;
  }

  // Hands the block from NextBlock over, with `used` bytes of lines.
  void HandOver(size_t used) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      used_[handed_ % kBlocks] = used;
      ++handed_;
    }
    changed_.notify_all();
    if (!thread_.joinable()) WriteNextBlock();
  }

  // Waits, answering the window, until every block handed over is written; false when a write
  // failed.
  bool Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitAnswering(&lock, [this] { return written_ == handed_; });
    return !failed_;
  }

 private:
  // Waits with `lock` held until `done` or a write has failed, answering the window meanwhile.
  template <typename Done>
  void WaitAnswering(std::unique_lock<std::mutex>* lock, Done&& done) {
    while (!done() && !failed_) {
      changed_.wait_for(*lock, std::chrono::milliseconds(1));
      lock->unlock();
      pacer_->Between();
      lock->lock();
    }
  }

  void WriteHandedBlocks() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return ending_ || (written_ != handed_ && !failed_); });
      if (ending_) return;
      lock.unlock();
      WriteNextBlock();
      lock.lock();
    }
  }

  // Writes the oldest block handed over; the block is free again once it is written.
  void WriteNextBlock() {
    int index;
    size_t used;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      index = static_cast<int>(written_ % kBlocks);
      used = used_[index];
    }
    bool written = WriteBytes(file_, blocks_[index].data(), used);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (written) {
        ++written_;
      } else {
        failed_ = true;
      }
    }
    changed_.notify_all();
  }

  FileNumber file_;
  EventPacer* pacer_;
  std::vector<char> blocks_[kBlocks];
  size_t used_[kBlocks] = {};
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t handed_ = 0;   // blocks handed over so far
  uint64_t written_ = 0;  // of them, written
  bool failed_ = false;
  bool ending_ = false;
  std::thread thread_;
};

// The export file's lines of one type, spelled a block of rows at a time into the writer's
// blocks.
class LineWriter {
 public:
  LineWriter(FileNumber file, ExportType type) : type_(type), blocks_(file, &pacer_) {}

  // Writes the lines of all rows from the first on, with the window's pending events processed
  // now and then; false when a write fails.
  bool WriteRows() {
    bool spelled = type_ == ExportType::kSha256 ? SpellDigestedTexts() : SpellCells();
    if (spelled && used_ != 0) blocks_.HandOver(used_);
    return blocks_.Finish() && spelled;
  }

 private:
  // Room for `bytes` more in the block being filled, handing it over first when it has less.
  // False once a write has failed.
  bool MakeRoom(size_t bytes) {
    if (block_ && block_->size() - used_ >= bytes) return true;
    if (block_ && used_ != 0) blocks_.HandOver(used_);
    used_ = 0;
    block_ = blocks_.NextBlock(bytes);
    return block_ != nullptr;
  }

  // The lines made of the cells, read a block of rows at a time.
  bool SpellCells() {
    std::vector<DigestRow> rows(kRowsPerRead);
    std::shared_ptr<const void> holder;  // keeps the texts read
    std::vector<char> spill;
    int32_t row_count = GetRowCount(超级列表框1);
    for (int32_t row = 0; row < row_count;) {
      int32_t count = ReadListDigestRows(超级列表框1, row, std::min(kRowsPerRead, row_count - row),
                                         rows.data(), &holder, &spill);
      if (count == 0) break;  // the rows are gone
      for (int32_t done = 0; done < count;) {
        if (!MakeRoom(ExportLineLength(type_, rows[done]))) return false;
        int32_t spelled;
        char* end =
            SpellExportLines(type_, rows.data() + done, count - done, block_->data() + used_,
                             block_->data() + block_->size(), &spelled);
        used_ = static_cast<size_t>(end - block_->data());
        done += spelled;
      }
      row += count;
      pacer_.Between();
      progress_.Update(row, row_count);
    }
    return true;
  }

  // The SHA-256 of every text, digested side by side a block of rows at a time, without the
  // store's lock: the texts read stay valid while `holder` keeps them.
  bool SpellDigestedTexts() {
    TextRun texts[kTextsPerDigest];
    HashedMessage messages[kTextsPerDigest];
    unsigned char digests[kTextsPerDigest][32];
    std::shared_ptr<const void> holder;
    std::vector<char> spill;
    uint64_t generation;
    const size_t line = ExportLineLength(ExportType::kSha256, RowCells{});
    int32_t row_count = GetRowCount(超级列表框1);
    for (int32_t row = 0; row < row_count;) {
      int32_t count = ReadListColumn(超级列表框1, row, std::min(kTextsPerDigest, row_count - row),
                                     kTextColumn, texts, &holder, &spill, &generation);
      if (count == 0) break;
      for (int32_t i = 0; i < count; ++i) {
        messages[i] = {reinterpret_cast<const unsigned char*>(texts[i].text), texts[i].length};
      }
      Sha256Digests(messages, static_cast<size_t>(count), digests);
      for (int32_t i = 0; i < count; ++i) {
        if (!MakeRoom(line)) return false;
        used_ = static_cast<size_t>(
            SpellExportLine(ExportType::kSha256, RowCells{}, digests[i], block_->data() + used_) -
            block_->data());
      }
      row += count;
      pacer_.Between();
      progress_.Update(row, row_count);
    }
    return true;
  }

  ExportType type_;
  EventPacer pacer_;
  CommandProgress progress_;
  BlockWriter blocks_;
  std::vector<char>* block_ = nullptr;  // being filled
  size_t used_ = 0;
};

bool WriteRows(FileNumber file, ExportType type) {
  LineWriter lines(file, type);
  return lines.WriteRows();
}

// A fresh name in the directory of `path`: what comes up to its last \ or /, found as text
// splitting finds characters (the trail byte of a two-byte character may be a backslash).
Text TemporaryPathBeside(const char* path) {
  size_t directory_length = 0;
  for (size_t i = 0; path[i] != '\0';) {
    auto byte = static_cast<unsigned char>(path[i]);
    if (byte >= 0x80 && path[i + 1] != '\0') {
      i += 2;
      continue;
    }
    if (byte == '\\' || byte == '/') directory_length = i + 1;
    ++i;
  }
  static int32_t exports = 0;
  char name[48];
  std::snprintf(name, sizeof name, "~vextorin-%08x-%d.tmp", static_cast<unsigned>(TickCount()),
                ++exports);
  OwnedText directory(CopyTextBytes(path, static_cast<int64_t>(directory_length)));
  return ConcatTexts({directory.get(), name});
}

// The window answers while the rows are written, so the program may end meanwhile: the
// temporary file is then deleted, and the chosen path keeps what it held.
bool WriteExportFile(const char* path, ExportType type) {
  OwnedText temporary(TemporaryPathBeside(path));
  FileNumber file = OpenFile(temporary.get(), kOpenToReplace);
  if (file == 0) return false;
  RemoveAtProgramEnd(temporary.get(), file);
  bool written = WriteRows(file, type);
  // The system may take a while to close the file and put it in place: a large file that it
  // replaces, or a large temporary file deleted, gives back its pages meanwhile. A thread of its
  // own waits for that while the window answers.
  bool placed = false;
  EventPacer pacer;
  InTwoThreads(
      true,
      [&] {
        CloseFile(file);
        placed = written && RenameReplacing(temporary.get(), path);
        if (!placed) RemoveFile(temporary.get());
      },
      [] {}, [&] { pacer.Between(); });
  ForgetAtProgramEnd(temporary.get());
  return placed;
}

// The file type chosen in the export dialog, which opens on it again next time.
ExportType ChosenExportType() {
  int32_t filter = DialogFilter(通用对话框_txt);
  return filter >= 0 && filter < kExportTypeCount ? static_cast<ExportType>(filter)
                                                  : ExportType::kTextAndDigests;
}

}  // namespace

void ExportResults() {
  OwnedText first_digest(GetCellText(超级列表框1, 0, kDigestColumn));
  if (CompareText(first_digest.get(), "") == 0) {
    ShowMessageBox(kNothingToExport, kMbIconExclamation, kMessageCaption);
    return;
  }

  SetDialogMode(通用对话框_txt, kSaveFileMode);
  OwnedText now(ToText(CurrentDateTime()));
  OwnedText proposed(ConcatTexts({now.get(), kExportFileNameSuffix}));
  SetDialogFileName(通用对话框_txt, proposed.get());
  if (!ShowFileDialog(通用对话框_txt)) return;

  int32_t start = TickCount();
  OwnedText path(ReadDialogFileName(通用对话框_txt));
  ShowBusyMenu();  // the window answers meanwhile, but no other command may start
  bool written = WriteExportFile(path.get() ? path.get() : "", ChosenExportType());
  ShowIdleMenu();
  if (!written) {
    OwnedText message(ConcatTexts({kExportFailed, path.get()}));
    ShowMessageBox(message.get(), kMbIconError, kMessageCaption);
    return;
  }
  double elapsed = static_cast<double>(TickCount()) - static_cast<double>(start);
  OwnedText milliseconds(ToText(elapsed));
  OwnedText message(
      ConcatTexts({kExportSucceededBefore, milliseconds.get(), kExportSucceededAfter}));
  ShowMessageBox(message.get(), kMbIconInformation, kMessageCaption);
  SetCountTitle(kTitleExportedBefore, GetRowCount(超级列表框1), kTitleExportedAfter);
}

}  // namespace vx
