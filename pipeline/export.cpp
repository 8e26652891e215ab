#include "pipeline/export.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "pipeline/command_progress.h"
#include "pipeline/event_pacer.h"
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
constexpr size_t kSeparatorLength = sizeof kExportSeparator - 1;
constexpr size_t kLineEndLength = sizeof kExportLineEnd - 1;
// Lines are gathered into a block of this size, written whenever the next line does not fit: a
// block that stays in the processor's cache is formatted and then copied to the file without a
// round trip through memory. (Writing the blocks on a second thread while the next one was
// formatted measured slower on exports of 30 million rows, so they are written in line.)
constexpr size_t kBlockSize = size_t{256} << 10;
// Rows read from the list at a time, under one lock of its store.
constexpr int32_t kRowsPerVisit = 4096;

// The export file's lines, gathered into a block. A line longer than the block gets a block of
// its size.
class LineWriter {
 public:
  explicit LineWriter(FileNumber file) : file_(file), block_(kBlockSize) {}

  // Writes the lines of all rows from the first on, with the window's pending events processed
  // now and then; false when a write fails.
  bool WriteRows() {
    EventPacer pacer;
    CommandProgress progress;
    int32_t rows = GetRowCount(超级列表框1);
    for (int32_t row = 0; row < rows;) {
      int32_t taken = VisitListRows(超级列表框1, row, std::min(kRowsPerVisit, rows - row), 1, 3,
                                    &LineWriter::TakeRow, this);
      row += taken;
      pacer.Between();
      progress.Update(row, rows);
      if (taken == 0) {
        if (used_ == 0) break;       // an empty block takes any line: the row is gone
        if (!Flush()) return false;  // the next line does not fit
      }
    }
    return Flush();
  }

 private:
  // Puts row's line into the block; false, putting nothing, when it does not fit and the block
  // is not empty.
  static bool TakeRow(void* context, int32_t, const TextRun* cells) {
    auto* writer = static_cast<LineWriter*>(context);
    size_t line =
        cells[0].length + cells[1].length + cells[2].length + 2 * kSeparatorLength + kLineEndLength;
    if (writer->block_.size() - writer->used_ < line) {
      if (writer->used_ != 0) return false;
      writer->block_.resize(line);
    }
    writer->Put(cells[0].text, cells[0].length);
    writer->Put(kExportSeparator, kSeparatorLength);
    writer->Put(cells[1].text, cells[1].length);
    writer->Put(kExportSeparator, kSeparatorLength);
    writer->Put(cells[2].text, cells[2].length);
    writer->Put(kExportLineEnd, kLineEndLength);
    return true;
  }

  bool Flush() {
    if (used_ == 0) return true;
    size_t count = used_;
    used_ = 0;
    return WriteBytes(file_, block_.data(), count);
  }

  void Put(const char* bytes, size_t count) {
    std::memcpy(block_.data() + used_, bytes, count);
    used_ += count;
  }

  FileNumber file_;
  std::vector<char> block_;
  size_t used_ = 0;
};

bool WriteRows(FileNumber file) {
  LineWriter lines(file);
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
bool WriteExportFile(const char* path) {
  OwnedText temporary(TemporaryPathBeside(path));
  FileNumber file = OpenFile(temporary.get(), kOpenToReplace);
  if (file == 0) return false;
  RemoveAtProgramEnd(temporary.get(), file);
  bool written = WriteRows(file);
  CloseFile(file);
  bool placed = written && RenameReplacing(temporary.get(), path);
  if (!placed) RemoveFile(temporary.get());
  ForgetAtProgramEnd(temporary.get());
  return placed;
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
  ShowBusyMenu();  // the window answers meanwhile, but no other command may start
  bool written = WriteExportFile(path.get() ? path.get() : "");
  ShowIdleMenu();
  if (!written) {
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
