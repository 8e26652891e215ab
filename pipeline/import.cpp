#include "pipeline/import.h"

#include <cstring>

#include "pipeline/clear_list.h"
#include "pipeline/command_progress.h"
#include "pipeline/items_image.h"
#include "pipeline/line_columns.h"
#include "pipeline/numbered_lines.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/splitting.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

constexpr char kDefaultSeparator[] = "----";

Separator SeparatorOf(const char* text) {
  return {reinterpret_cast<const unsigned char*>(text), static_cast<size_t>(TextLength(text))};
}

// The column entries of up to `count` texts of `line`, cut at `separator`, put by `writer` (an
// EntryWriter measuring, or an ImageWriter).
template <typename Writer>
void PutColumns(Writer& writer, const unsigned char* line, size_t length, Separator separator,
                int32_t count) {
  ForEachColumn(line, length, separator, count,
                [&](const unsigned char* piece, size_t size) { writer.ColumnEntry(piece, size); });
}

// A row entry with `number`, then the column entries of `line`.
template <typename Writer>
void PutRow(Writer& writer, const RowNumberText& number, const unsigned char* line, size_t length,
            Separator separator, int32_t count) {
  writer.RowEntry(number.text(), static_cast<size_t>(number.length()));
  PutColumns(writer, line, length, separator, count);
}

// The items image of `present` followed by a row per line of `lines`, numbered on from `base`:
// measured in one walk over the lines, then written in a second straight into byte data of
// exactly that size.
LoadResult BuildItems(const RapidString& lines, const ListItemsView& present, int64_t base,
                      Separator separator, int32_t column_count, CommandProgress* progress,
                      std::optional<ImageWriter>* items) {
  auto* content = reinterpret_cast<const unsigned char*>(lines.text());
  auto content_length = static_cast<size_t>(lines.length());

  int64_t line_count = 0;
  EntryWriter measure;
  RowNumberText number(base + 1);
  ForEachLine(content, content_length, [&](const unsigned char* line, size_t length) {
    PutRow(measure, number, line, TextLengthOfLine(line, length), separator, column_count);
    number.Increment();
    ++line_count;
  });

  ImageWriter& image =
      items->emplace(present.length + static_cast<int64_t>(measure.length()), line_count);
  image.UnindexedBytes(present.bytes, static_cast<size_t>(present.length));
  number = RowNumberText(base + 1);
  int64_t done = 0;
  ForEachLine(content, content_length, [&](const unsigned char* line, size_t length) {
    PutRow(image, number, line, TextLengthOfLine(line, length), separator, column_count);
    number.Increment();
    if (++done % kLinesPerChunk == 0 || done == line_count) {
      progress->Update(done, line_count);
      ProcessPendingEvents();
    }
  });
  return LoadResult::kLoaded;
}

void ShowUnreadableFile(const char* path) {
  OwnedText text(ConcatTexts({kImportFailed, path}));
  ShowMessageBox(text.get(), kMbIconError, kMessageCaption);
}

// What the import does once 通用对话框1 names the file. The window answers while the file is
// read and its rows are built, so the busy menu keeps every other command out of reach until
// the closing title, as during duplicate removal and the export.
void ImportNamedFile() {
  ShowBusyMenu();
  bool imported = ImportChosenFile();
  ShowIdleMenu();
  if (imported) SetCountTitle(kTitleImportedBefore, GetRowCount(超级列表框1), kTitleImportedAfter);
}

// The rows of `lines` added to `list`, as AddLinesToList adds them, with `progress` counted in
// the bytes made into rows; for the `file_size` bytes just read, as the second half of the way.
LoadResult AddLines(UnitRef list, std::unique_ptr<RapidString> lines, Separator cut_at,
                    int32_t column_count, bool append, CommandProgress* progress,
                    int64_t file_size) {
  if (column_count < 1) column_count = 1;
  ListItemsView present;
  int64_t base = 0;
  if (append) {
    base = GetRowCount(list);
    present = ShareListItems(list);
  }
  // One text per row, after no rows: rows of their own numbered from 1, made of the lines' own
  // bytes without an image.
  if (column_count == 1 && present.length == 0) {
    present = ListItemsView();
    std::shared_ptr<const NumberedRows> rows = NumberLines(
        std::move(lines), cut_at, kLinesPerChunk, [&](int64_t bytes_done, int64_t bytes) {
          if (file_size > 0) {
            progress->Update(file_size + bytes_done, 2 * file_size);
          } else {
            progress->Update(bytes_done, bytes);
          }
          ProcessPendingEvents();
        });
    if (!rows) return LoadResult::kTooLarge;
    InstallNumberedRows(list, std::move(rows));
    return LoadResult::kLoaded;
  }
  std::optional<ImageWriter> items;
  LoadResult result = BuildItems(*lines, present, base, cut_at, column_count, progress, &items);
  present = ListItemsView();
  lines.reset();
  if (result == LoadResult::kLoaded) items->InstallInto(list);
  return result;
}

}  // namespace

void ImportCommand() {
  if (!ShowFileDialog(通用对话框1)) return;
  ImportNamedFile();
}

void ImportDroppedFile(const char* path) {
  SetDialogFileName(通用对话框1, path);
  ImportNamedFile();
}

// The file is read before the list is cleared, so that a file that cannot be read leaves the
// list as it was. Reading a large file takes long: the title says so meanwhile, and goes back
// to what it was when the file cannot be read; the window answers between the pieces read.
bool ImportChosenFile() {
  OwnedText path(ReadDialogFileName(通用对话框1));
  OwnedText title_before(ReadWindowTitle(启动窗口));
  SetTitle(kTitleImporting);
  // Counted in the file's bytes: reading them is the first half of the way, making their rows
  // the second.
  CommandProgress progress;
  auto lines = std::make_unique<RapidString>();
  bool out_of_memory = false;
  auto between_pieces = [&](int64_t bytes_read, int64_t file_size) {
    progress.Update(bytes_read, 2 * file_size);
    ProcessPendingEvents();
  };
  if (!lines->LoadFromFile(path.get(), &out_of_memory, between_pieces)) {
    SetTitle(title_before ? title_before.get() : "");
    if (out_of_memory) {
      ShowMessageBox(kImportTooLarge, kMbIconError, kMessageCaption);
    } else {
      ShowUnreadableFile(path.get());
    }
    return false;
  }
  ClearListCommand();
  SetTitle(kTitleImporting);
  int64_t file_size = lines->length();
  if (AddLines(超级列表框1, std::move(lines), SeparatorOf(kDefaultSeparator), 1, true, &progress,
               file_size) == LoadResult::kTooLarge) {
    SetTitle(kTitle);
    ShowMessageBox(kImportTooLarge, kMbIconError, kMessageCaption);
    return false;
  }
  EnsureRowVisible(超级列表框1, GetRowCount(超级列表框1) - 1);
  return true;
}

LoadResult LoadLinesIntoList(UnitRef list, const char* path, const char* text,
                             std::optional<const char*> separator, int32_t column_count,
                             bool append) {
  auto lines = std::make_unique<RapidString>();
  if (TextLength(path) != 0) {
    if (!lines->LoadFromFile(path)) return LoadResult::kUnreadable;
  } else if (TextLength(text) != 0) {
    lines->SetText({text});
  }
  return AddLinesToList(list, std::move(lines), separator, column_count, append);
}

LoadResult AddLinesToList(UnitRef list, std::unique_ptr<RapidString> lines,
                          std::optional<const char*> separator, int32_t column_count, bool append) {
  CommandProgress progress;
  return AddLines(list, std::move(lines), SeparatorOf(separator ? *separator : kDefaultSeparator),
                  column_count, append, &progress, 0);
}

ByteData MakeColumnEntries(const char* line, const char* separator, int32_t column_count) {
  auto* text = reinterpret_cast<const unsigned char*>(line ? line : "");
  auto length = static_cast<size_t>(TextLength(line));
  Separator cut_at = SeparatorOf(separator);
  if (column_count < 1) column_count = 1;
  EntryWriter measure;
  PutColumns(measure, text, length, cut_at, column_count);
  ImageWriter entries(static_cast<int64_t>(measure.length()), 0);
  PutColumns(entries, text, length, cut_at, column_count);
  return entries.Finish();
}

}  // namespace vx
