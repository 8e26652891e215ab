#include "pipeline/export.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/clock.h"
#include "runtime/conversions.h"
#include "runtime/files.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

constexpr int32_t kErrorIcon = 16;
constexpr int32_t kExclamationIcon = 48;
constexpr int32_t kInformationIcon = 64;
constexpr int32_t kDigestColumn = 2;
constexpr char kFieldSeparator[] = "----";
constexpr size_t kSeparatorLength = 4;
constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineEndLength = 2;
// Lines are gathered into blocks of this size and written a block at a time.
constexpr size_t kBlockSize = size_t{8} << 20;

// The export file's lines, gathered into a block that is written whenever the next line does
// not fit. A line longer than the block gets a block of its size.
class LineWriter {
 public:
  explicit LineWriter(FileNumber file) : file_(file), block_(kBlockSize), cells_(1024) {}

  // Row `row`'s text, 32-digit and 16-digit MD5 as a line.
  bool AddRow(int32_t row) {
    int32_t lengths[3];
    int64_t total = ReadCells(row, lengths);
    size_t line = static_cast<size_t>(total) + 2 * kSeparatorLength + kLineEndLength;
    if (block_.size() - used_ <= line) {
      if (!Flush()) return false;
      if (block_.size() <= line) block_.resize(line + 1);
    }
    const char* cell = cells_.data();
    Put(cell, static_cast<size_t>(lengths[0]));
    Put(kFieldSeparator, kSeparatorLength);
    Put(cell += lengths[0], static_cast<size_t>(lengths[1]));
    Put(kFieldSeparator, kSeparatorLength);
    Put(cell += lengths[1], static_cast<size_t>(lengths[2]));
    Put(kLineEnd, kLineEndLength);
    return true;
  }

  // Cell texts hold no zero byte, so the block is one text up to the terminator put after it.
  bool Flush() {
    block_[used_] = '\0';
    used_ = 0;
    return WriteText(file_, {static_cast<const char*>(block_.data())});
  }

 private:
  // The row's cells 1 to 3 back to back in cells_; their total length.
  int64_t ReadCells(int32_t row, int32_t lengths[3]) {
    for (;;) {
      int64_t total = CopyCellTexts(超级列表框1, row, 1, 3, cells_.data(),
                                    static_cast<int64_t>(cells_.size()), lengths);
      if (total < 0) {  // no such row: empty cells, as reading them one by one gives
        lengths[0] = lengths[1] = lengths[2] = 0;
        return 0;
      }
      if (static_cast<size_t>(total) <= cells_.size()) return total;
      cells_.resize(static_cast<size_t>(total));
    }
  }

  void Put(const char* bytes, size_t count) {
    std::memcpy(block_.data() + used_, bytes, count);
    used_ += count;
  }

  FileNumber file_;
  std::vector<char> block_;
  size_t used_ = 0;
  std::vector<char> cells_;
};

bool WriteRows(FileNumber file) {
  LineWriter lines(file);
  int32_t rows = GetRowCount(超级列表框1);
  for (int32_t row = 0; row < rows; ++row) {
    if (!lines.AddRow(row)) return false;
  }
  return lines.Flush();
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

bool WriteExportFile(const char* path) {
  OwnedText temporary(TemporaryPathBeside(path));
  FileNumber file = OpenFile(temporary.get(), kOpenToReplace);
  if (file == 0) return false;
  bool written = WriteRows(file);
  CloseFile(file);
  if (written && RenameReplacing(temporary.get(), path)) return true;
  RemoveFile(temporary.get());
  return false;
}

}  // namespace

void ExportResults() {
  OwnedText first_digest(GetCellText(超级列表框1, 0, kDigestColumn));
  if (CompareText(first_digest.get(), "") == 0) {
    ShowMessageBox(kNothingToExport, kExclamationIcon, kMessageCaption);
    return;
  }

  SetDialogMode(通用对话框_txt, kSaveFileMode);
  OwnedText now(ToText(CurrentDateTime()));
  OwnedText proposed(ConcatTexts({now.get(), kExportFileNameSuffix}));
  SetDialogFileName(通用对话框_txt, proposed.get());
  if (!ShowFileDialog(通用对话框_txt)) return;

  int32_t start = TickCount();
  OwnedText path(ReadDialogFileName(通用对话框_txt));
  if (!WriteExportFile(path.get() ? path.get() : "")) {
    OwnedText message(ConcatTexts({kExportFailed, path.get()}));
    ShowMessageBox(message.get(), kErrorIcon, kMessageCaption);
    return;
  }
  double elapsed = static_cast<double>(TickCount()) - static_cast<double>(start);
  OwnedText milliseconds(ToText(elapsed));
  OwnedText message(
      ConcatTexts({kExportSucceededBefore, milliseconds.get(), kExportSucceededAfter}));
  ShowMessageBox(message.get(), kInformationIcon, kMessageCaption);
  SetCountTitle(kTitleExportedBefore, GetRowCount(超级列表框1), kTitleExportedAfter);
}

}  // namespace vx
