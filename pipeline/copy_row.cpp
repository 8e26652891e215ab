#include "pipeline/copy_row.h"

#include <cstring>

#include "pipeline/pipeline_texts.h"
#include "runtime/values.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

constexpr int32_t kTextColumn = 1;
constexpr size_t kSeparatorLength = sizeof kExportSeparator - 1;
constexpr size_t kLineEndLength = sizeof kExportLineEnd - 1;

// The selected row's line, spelled into `bytes` while the row is visited when it fits there, and
// otherwise measured, so that the line is made without a copy of its cells and without
// allocating under the store's lock. A row's text may pass 4 GB (a file without CR LF is one
// row): every length here is 64 bits wide.
struct RowLine {
  char* bytes = nullptr;
  size_t room = 0;
  size_t length = 0;

  static bool Take(void* context, int32_t, const TextRun* cells) {
    auto* line = static_cast<RowLine*>(context);
    const TextRun& text = cells[0];
    bool digested = cells[1].length != 0 && cells[2].length != 0;
    line->length = text.length + kLineEndLength;
    if (digested) line->length += cells[1].length + cells[2].length + 2 * kSeparatorLength;
    if (line->length > line->room) return true;
    char* at = line->bytes;
    auto put = [&](const char* bytes, size_t count) {
      std::memcpy(at, bytes, count);
      at += count;
    };
    put(text.text, text.length);
    if (digested) {
      put(kExportSeparator, kSeparatorLength);
      put(cells[1].text, cells[1].length);
      put(kExportSeparator, kSeparatorLength);
      put(cells[2].text, cells[2].length);
    }
    put(kExportLineEnd, kLineEndLength);
    return true;
  }
};

}  // namespace

// A row's digests are empty or right for its text, whenever each is read, so cells read while
// the worker writes them still make a line of the export's form.
void CopySelectedRow() {
  int32_t row = GetSelectedRow(超级列表框1);
  if (row < 0) return;
  RowLine line;
  for (;;) {
    if (VisitListRows(超级列表框1, row, 1, kTextColumn, 3, &RowLine::Take, &line) == 0) break;
    if (line.length <= line.room) {
      CopyTextToClipboard(line.bytes, line.length);
      break;
    }
    FreeBlock(line.bytes);
    line.room = line.length;
    line.bytes = static_cast<char*>(AllocateBlock(line.room));
  }
  FreeBlock(line.bytes);
}

}  // namespace vx
