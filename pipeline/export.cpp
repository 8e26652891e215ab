#include "pipeline/export.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "pipeline/command_progress.h"
#include "pipeline/event_pacer.h"
#include "pipeline/export_lines.h"
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

// Lines are gathered into a block of this size, written whenever the next line does not fit: a
// block that stays in the processor's cache is formatted and then copied to the file without a
// round trip through memory. (Writing the blocks on a second thread while the next one was
// formatted measured slower on exports of 30 million rows, so they are written in line.)
constexpr size_t kBlockSize = size_t{256} << 10;
// Rows read from the list at a time, under one lock of its store.
constexpr int32_t kRowsPerVisit = 4096;
// Texts digested at a time; their lines fit in a block.
constexpr int32_t kTextsPerDigest = 1024;

// The export file's lines of one type, gathered into a block. A line longer than the block gets a
// block of its size.
class LineWriter {
 public:
  LineWriter(FileNumber file, ExportType type) : file_(file), type_(type), block_(kBlockSize) {}

  // Writes the lines of all rows from the first on, with the window's pending events processed
  // now and then; false when a write fails.
  bool WriteRows() { return type_ == ExportType::kSha256 ? WriteDigestedTexts() : WriteCells(); }

 private:
  // The lines made of the cells, visited a block of rows at a time under the store's lock.
  bool WriteCells() {
    EventPacer pacer;
    CommandProgress progress;
    int32_t first_column = type_ == ExportType::kTextAndDigests ? kTextColumn
                           : type_ == ExportType::kMd5          ? kDigestColumn
                                                                : kShortDigestColumn;
    int32_t columns = type_ == ExportType::kTextAndDigests ? 3 : 1;
    int32_t rows = GetRowCount(超级列表框1);
    for (int32_t row = 0; row < rows;) {
      longer_line_ = 0;
      int32_t taken = VisitListRows(超级列表框1, row, std::min(kRowsPerVisit, rows - row),
                                    first_column, columns, &LineWriter::TakeRow, this);
      row += taken;
      pacer.Between();
      progress.Update(row, rows);
      if (taken != 0) continue;
      if (used_ != 0) {
        if (!Flush()) return false;  // the next line does not fit
      } else if (longer_line_ != 0) {
        block_.resize(longer_line_);  // grown here: the rows are visited under the store's lock
      } else {
        break;  // the row is gone
      }
    }
    return Flush();
  }

  // Puts row's line into the block; false, putting nothing, when it does not fit (with the
  // block empty, the size it needs is noted in longer_line_).
  static bool TakeRow(void* context, int32_t, const TextRun* cells) {
    auto* writer = static_cast<LineWriter*>(context);
    RowCells row = {};
    switch (writer->type_) {
      case ExportType::kTextAndDigests:
        row = {cells[0], cells[1], cells[2]};
        break;
      case ExportType::kMd5:
        row.digest = cells[0];
        break;
      default:
        row.short_digest = cells[0];
        break;
    }
    size_t line = ExportLineLength(writer->type_, row);
    if (writer->block_.size() - writer->used_ < line) {
      if (writer->used_ == 0) writer->longer_line_ = line;
      return false;
    }
    char* at = writer->block_.data() + writer->used_;
    writer->used_ = static_cast<size_t>(SpellExportLine(writer->type_, row, nullptr, at) -
                                        writer->block_.data());
    return true;
  }

  // The SHA-256 of every text, digested side by side a block of rows at a time, without the
  // store's lock: the texts read stay valid while `holder` keeps them.
  bool WriteDigestedTexts() {
    EventPacer pacer;
    CommandProgress progress;
    TextRun texts[kTextsPerDigest];
    HashedMessage messages[kTextsPerDigest];
    unsigned char digests[kTextsPerDigest][32];
    std::shared_ptr<const void> holder;
    std::vector<char> spill;
    uint64_t generation;
    const size_t line = ExportLineLength(ExportType::kSha256, RowCells{});
    int32_t rows = GetRowCount(超级列表框1);
    for (int32_t row = 0; row < rows;) {
      int32_t count = ReadListColumn(超级列表框1, row, std::min(kTextsPerDigest, rows - row),
                                     kTextColumn, texts, &holder, &spill, &generation);
      if (count == 0) break;
      for (int32_t i = 0; i < count; ++i) {
        messages[i] = {reinterpret_cast<const unsigned char*>(texts[i].text), texts[i].length};
      }
      Sha256Digests(messages, static_cast<size_t>(count), digests);
      if (block_.size() - used_ < line * static_cast<size_t>(count) && !Flush()) return false;
      char* at = block_.data() + used_;
      for (int32_t i = 0; i < count; ++i) {
        at = SpellExportLine(ExportType::kSha256, RowCells{}, digests[i], at);
      }
      used_ = static_cast<size_t>(at - block_.data());
      row += count;
      pacer.Between();
      progress.Update(row, rows);
    }
    return Flush();
  }

  bool Flush() {
    if (used_ == 0) return true;
    size_t count = used_;
    used_ = 0;
    return WriteBytes(file_, block_.data(), count);
  }

  FileNumber file_;
  ExportType type_;
  std::vector<char> block_;
  size_t used_ = 0;
  size_t longer_line_ = 0;
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
  CloseFile(file);
  bool placed = written && RenameReplacing(temporary.get(), path);
  if (!placed) RemoveFile(temporary.get());
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
