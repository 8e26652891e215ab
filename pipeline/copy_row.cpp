#include "pipeline/copy_row.h"

#include "pipeline/pipeline_texts.h"
#include "runtime/values.h"
#include "ui/list_control.h"
#include "ui/window_commands.h"

namespace vx {

namespace {

constexpr int32_t kTextColumn = 1;

}  // namespace

// A row's digests are empty or right for its text, whenever each is read, so cells read one by
// one while the worker writes them still make a line of the export's form.
void CopySelectedRow() {
  int32_t row = GetSelectedRow(超级列表框1);
  if (row < 0) return;
  OwnedText text(GetCellText(超级列表框1, row, kTextColumn));
  OwnedText digest(GetCellText(超级列表框1, row, kDigestColumn));
  OwnedText short_digest(GetCellText(超级列表框1, row, kShortDigestColumn));
  OwnedText line(TextLength(digest.get()) != 0 && TextLength(short_digest.get()) != 0
                     ? ConcatTexts({text.get(), kExportSeparator, digest.get(), kExportSeparator,
                                    short_digest.get(), kExportLineEnd})
                     : ConcatTexts({text.get(), kExportLineEnd}));
  CopyTextToClipboard(line.get(), static_cast<size_t>(TextLength(line.get())));
}

}  // namespace vx
