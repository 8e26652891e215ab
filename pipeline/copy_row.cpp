#include "pipeline/copy_row.h"

#include "pipeline/export_lines.h"
#include "runtime/values.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

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
    RowCells row = {cells[0], cells[1], cells[2]};
    line->length = CopiedLineLength(row);
    if (line->length <= line->room) SpellCopiedLine(row, line->bytes);
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
